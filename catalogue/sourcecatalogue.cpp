// Another catalogue's books read as a source: the columns asked for, in the order
// the table holds its rows.
#include "sourcecatalogue.h"

#include "sqltext.h"

namespace catalogue {

SourceRows sourceCatalogueRows(sqlite3* db, const std::vector<std::string>& columns, const std::atomic<bool>* stop)
{
    std::string list = "rowid";
    for (const std::string& name : columns)
        list += ", " + quotedIdentifier(name);
    // In the order of the table itself: rowid order costs nothing on a table,
    // where any other order would sort the whole source before the first book.
    return SourceRows(db, "SELECT " + list + " FROM dorvi ORDER BY rowid", stop);
}

} // namespace catalogue
