#pragma once

#include "cataloguechange.h"
#include "fieldschema.h"
#include "subscription.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

class ChangeEvents;
class Connection;

// The catalogue file in use, as one object: where it is, the one way to open it,
// its fields as read from the file, and the changes made to it, told to whoever
// listens (the window's models, the duplicate index, the card, Campi…). Whoever
// changes the file says so here, so no listener keeps a stale copy.
class Catalogue {
public:
    explicit Catalogue(std::string path);
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    const std::string& path() const { return m_path; }
    // A connection of its own, opened as every connection to the catalogue is
    // (catalogue::openCatalogueFile); read-only when the file is write-protected.
    // Throws Error when the file is missing, not a catalogue, or locked.
    std::shared_ptr<Connection> open() const;

    // The columns of `dorvi` in the table's order, read from the file the first
    // time they are asked for, and again only after FieldsChanged or FileReplaced
    // is announced; the list stays valid until then. Throws Error when the file
    // cannot be read.
    const std::vector<FieldSchema>& fields();
    // The field of that name (the engine's letter rule), or none.
    std::optional<FieldSchema> field(std::string_view name);

    [[nodiscard]] Subscription subscribe(std::function<void(const CatalogueChange&)> listener);
    // Tells every listener; a change of the fields or of the file is read again
    // before any listener hears of it.
    void announce(const CatalogueChange& change);
    void bookWritten(std::int64_t id) { announce({ChangeKind::BookWritten, {id}}); }
    void booksWritten(std::vector<std::int64_t> ids = {}) { announce({ChangeKind::BooksWritten, std::move(ids)}); }
    void booksAdded(std::vector<std::int64_t> ids = {}) { announce({ChangeKind::BooksAdded, std::move(ids)}); }
    void booksRemoved(std::vector<std::int64_t> ids = {}) { announce({ChangeKind::BooksRemoved, std::move(ids)}); }
    void fieldsChanged() { announce({ChangeKind::FieldsChanged, {}}); }
    void fileReplaced() { announce({ChangeKind::FileReplaced, {}}); }

private:
    std::string m_path;
    std::optional<std::vector<FieldSchema>> m_fields;
    std::shared_ptr<ChangeEvents> m_events;
};

} // namespace catalogue
