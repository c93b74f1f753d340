// Which columns of the books' table have a default value of their own.
#include "columndefaults.h"

#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

std::vector<std::string> columnsWithDefault(sqlite3* db)
{
    Statement columns(db, "SELECT name FROM pragma_table_info('dorvi') WHERE dflt_value IS NOT NULL");
    std::vector<std::string> names;
    while (columns.step())
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(columns.handle(), 0)));
    return names;
}

} // namespace catalogue
