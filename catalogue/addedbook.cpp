// The book an import has just written, read back as the import's preview shows
// it: what the file now holds, after every rule of the catalogue has had its say.
#include "addedbook.h"

#include "sqltext.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

std::string cellText(sqlite3_stmt* row, int column)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_BLOB:
        return "(dati binari)";
    default:
        return reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    }
}

} // namespace

std::vector<std::string> lastAddedBookTexts(sqlite3* db, const std::vector<std::string>& columns)
{
    std::vector<std::string> values(columns.size());
    if (columns.empty())
        return values;
    std::string list;
    for (const std::string& column : columns)
        list += (list.empty() ? "" : ", ") + quotedIdentifier(column);
    Statement row(db, "SELECT " + list + " FROM dorvi WHERE rowid = ?1");
    row.bind(1, static_cast<std::int64_t>(sqlite3_last_insert_rowid(db)));
    if (row.step()) {
        for (std::size_t c = 0; c < columns.size(); ++c)
            values[c] = cellText(row.handle(), static_cast<int>(c));
    }
    return values;
}

} // namespace catalogue
