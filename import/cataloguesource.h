#pragma once

#include "booksource.h"
#include "sourcerows.h"

#include <atomic>
#include <optional>

namespace bookimport {

// Another catalogue of Gestione Dorvi (or one converted from Access): the books
// of its table `dorvi`, read-only, in one read transaction. Its columns that the
// catalogue written to has (by name, letter case aside) carry over, its key
// excepted, which the catalogue assigns anew; the others are reported.
class CatalogueSource : public BookSource {
public:
    // `columns` are the catalogue's being written. Throws catalogue::Error, also
    // when `dorvi` is a view; reading ends as soon as `stop` (when given) is set.
    CatalogueSource(const std::string& path, const std::vector<std::string>& columns,
                    const std::atomic<bool>* stop = nullptr);

    std::string kind() const override { return "catalogo di Gestione Dorvi"; }
    const std::vector<std::string>& columns() const override { return m_columns; }
    bool next(SourceBook& book) override;
    std::vector<std::pair<std::string, std::uint64_t>> ignoredColumns() const override;

private:
    [[noreturn]] void fail(const catalogue::SourceReadError& error) const;

    std::string m_path;
    catalogue::DatabaseHandle m_db;
    std::optional<catalogue::SourceRows> m_books;
    std::vector<std::string> m_columns;
    std::vector<std::string> m_ignored;
    std::vector<std::uint64_t> m_ignoredValues;
};

// Whether an SQLite file holds a table `dorvi`.
bool isDorviCatalogue(const std::string& path);
// Throws catalogue::Error when `converted`, made from the Access file `access`,
// has no table `dorvi`: there are no books to add.
void requireBooksOfAccess(const std::string& converted, const std::string& access);

} // namespace bookimport
