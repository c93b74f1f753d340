// The fields the program knows by name, and the columns of `dorvi` added when
// missing: by ADD COLUMN only, the table never rebuilt.
#include "standardfields.h"

#include "sqltext.h"
#include "statement.h"
#include "transaction.h"

#include <algorithm>

namespace catalogue {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    // Column names are ASCII: SQLite itself compares them so.
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

} // namespace

const StandardField* findStandardField(std::string_view name)
{
    const auto found = std::find_if(standardFields.begin(), standardFields.end(),
                                    [&](const StandardField& field) { return sameName(field.name, name); });
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
                                         [&](const std::string& name) { return sameName(name, field.name); });
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
