#pragma once

#include "bookinsert.h"
#include "booksource.h"
#include "duplicateindex.h"
#include "fieldvalues.h"
#include "importreport.h"

#include <optional>

namespace bookimport {

// Writes the books of a source into `dorvi`, inside the caller's transaction:
// each value by its field's rule, duplicates looked up before the book is added,
// and everything that happened counted in the report.
class BookWriter {
public:
    // `columns` are the source's, every one a column of `dorvi`. Throws
    // catalogue::Error.
    // With `keepLoanLines`, the loans' lines it writes are kept in the report.
    BookWriter(sqlite3* db, const std::vector<std::string>& columns, bool keepDuplicates, ImportReport& report,
               bool keepLoanLines = false);

    // Throws catalogue::Error when the catalogue cannot be written at all; a
    // book that the table's own rules refuse is counted as refused instead.
    void write(const SourceBook& book);

    // What became of the last book written: the key it was added under, and the
    // book already held that it duplicates (also when it was added anyway).
    std::optional<std::int64_t> lastAdded() const { return m_lastAdded; }
    std::optional<std::int64_t> lastMatch() const { return m_lastMatch; }

private:
    std::string describe(const SourceBook& book) const;
    std::string describeBook(std::int64_t id) const;
    bool bindValues(const SourceBook& book);
    bool insert(const SourceBook& book);
    void recordLoan(std::int64_t book);

    sqlite3* m_db;
    std::vector<std::string> m_columns;
    std::vector<ValueRule> m_rules;
    std::vector<catalogue::Value> m_values; ///< bound without a copy until the next book
    bool m_changedValues = false;           ///< the book being written has a value changed
    bool m_keepDuplicates;
    bool m_keepLoanLines;
    ImportReport& m_report;
    catalogue::DuplicateIndex m_duplicates;
    catalogue::IdentityMaker m_identities;
    catalogue::BookIdentity m_identity; ///< the book being written's, its buffers reused
    catalogue::BookInsert m_insert;
    std::optional<std::size_t> m_author, m_title, m_isbn;
    std::optional<std::size_t> m_lentTo, m_lentSince; ///< both, or the source brings no loans
    std::optional<std::string> m_today; ///< aggiunto_il, when the source has none
    std::optional<std::int64_t> m_lastAdded, m_lastMatch;
};

} // namespace bookimport
