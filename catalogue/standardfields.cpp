// The fields the program knows by name, and the columns of `dorvi` added when
// missing: by ADD COLUMN only, the table never rebuilt.
#include "standardfields.h"

#include "fieldnames.h"
#include "sqltext.h"
#include "statement.h"
#include "transaction.h"

#include <algorithm>
#include <sqlite3.h>

namespace catalogue {

const StandardField* findStandardField(std::string_view name)
{
    const auto found = std::find_if(standardFields.begin(), standardFields.end(),
                                    [&](const StandardField& field) { return sameColumnName(field.name, name); });
    return found == standardFields.end() ? nullptr : &*found;
}

std::vector<std::string> catalogueColumns(sqlite3* db)
{
    Statement info(db, "SELECT name FROM pragma_table_info('dorvi')");
    std::vector<std::string> names;
    while (info.step())
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(info.handle(), 0)));
    return names;
}

std::vector<std::string> addStandardColumnsInTransaction(sqlite3* db)
{
    const std::vector<std::string> existing = catalogueColumns(db);
    std::vector<std::string> added;
    for (const StandardField& field : standardFields) {
        const bool present = std::any_of(existing.begin(), existing.end(),
                                         [&](const std::string& name) { return sameColumnName(name, field.name); });
        if (present)
            continue;
        const std::string sql = "ALTER TABLE dorvi ADD COLUMN " + quotedIdentifier(field.name) + " " +
                                std::string(field.type);
        execute(db, sql.c_str());
        added.emplace_back(field.name);
    }
    return added;
}

std::vector<std::string> addStandardColumns(sqlite3* db)
{
    Transaction transaction(db);
    std::vector<std::string> added = addStandardColumnsInTransaction(db);
    transaction.commit();
    return added;
}

} // namespace catalogue
