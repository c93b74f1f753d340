#include "importedbooks.h"

#include "historyreplay.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

std::vector<std::string> columnsOf(sqlite3* db)
{
    Statement columns(db, "SELECT name FROM pragma_table_info('dorvi') ORDER BY cid");
    std::vector<std::string> names;
    while (columns.step())
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(columns.handle(), 0)));
    return names;
}

} // namespace

ImportedBooks::ImportedBooks(sqlite3* db, std::int64_t lastRowBefore)
    : m_columns(columnsOf(db)), m_rows(static_cast<int>(m_columns.size()))
{
    Statement added(db, "SELECT * FROM dorvi WHERE rowid > ?1 ORDER BY rowid");
    added.bind(1, lastRowBefore);
    while (added.step())
        m_rows.append(added.handle());
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
