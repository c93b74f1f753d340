#pragma once

#include "booksource.h"
#include "sourcerows.h"

#include <atomic>
#include <optional>

namespace bookimport {

// A calibre library: its metadata.db, only ever read. calibre's triggers and
// views call functions of calibre's own, so the file is opened read-only and
// nothing but its tables is read; one read transaction keeps the books as they
// were when the import began.
class CalibreSource : public BookSource {
public:
    // `path` is the metadata.db. Throws catalogue::Error when calibre holds it
    // locked or it is not a calibre library (one of its tables a view, too);
    // reading ends as soon as `stop` (when given) is set.
    explicit CalibreSource(const std::string& path, const std::atomic<bool>* stop = nullptr);

    std::string kind() const override { return "calibre"; }
    const std::vector<std::string>& columns() const override { return m_columns; }
    bool next(SourceBook& book) override;

private:
    [[noreturn]] void fail(const catalogue::SourceReadError& error) const;

    std::string m_path;
    catalogue::DatabaseHandle m_db;
    std::optional<catalogue::SourceRows> m_books;
    std::vector<std::string> m_columns;
};

// Whether an SQLite file holds a calibre library's tables.
bool isCalibreLibrary(const std::string& path);

} // namespace bookimport
