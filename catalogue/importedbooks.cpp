// An import as one step of Annulla: taking it back removes only books still as the
// import left them, or refuses whole with nothing written.
#include "importedbooks.h"

#include "historyreplay.h"
#include "standardfields.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

ImportedBooks::ImportedBooks(sqlite3* db, std::int64_t lastRowBefore)
    : m_columns(catalogueColumns(db)), m_rows(static_cast<int>(m_columns.size()))
{
    Statement added(db, "SELECT * FROM dorvi WHERE rowid > ?1 ORDER BY rowid");
    added.bind(1, lastRowBefore);
    while (added.step())
        m_rows.append(added.handle());
}

ImportedBooks::ImportedBooks(sqlite3* db, const std::vector<std::int64_t>& rowids)
    : m_columns(catalogueColumns(db)), m_rows(static_cast<int>(m_columns.size()))
{
    Statement book(db, "SELECT * FROM dorvi WHERE rowid = ?1");
    for (const std::int64_t rowid : rowids) {
        book.bind(1, rowid);
        if (book.step())
            m_rows.append(book.handle());
        book.reset();
    }
}

std::string ImportedBooks::text() const
{
    const std::size_t count = m_rows.size();
    return count == 1 ? "importazione di un libro" : "importazione di " + grouped(count) + " libri";
}

bool ImportedBooks::undo(Recordset& shown, const std::function<bool(std::size_t)>& progress)
{
    return HistoryReplay(shown, m_columns).removeBooks(m_rows, {}, progress);
}

bool ImportedBooks::redo(Recordset& shown, const std::function<bool(std::size_t)>& progress)
{
    return HistoryReplay(shown, m_columns).restoreBooks(m_rows, {}, progress);
}

} // namespace catalogue
