// The statements that make a table of a new file, its indexes, and add its rows,
// from the table's layout; every name quoted, so any name of the source serves.
#include "tablelayout.h"

#include "sqltext.h"

#include <algorithm>
#include <cctype>

namespace catalogue {

namespace {

std::string columnDefinition(const TableLayout& layout, std::size_t i)
{
    const LayoutColumn& column = layout.columns[i];
    std::string definition = quotedIdentifier(column.name) + " " + column.declaredType;
    if (layout.rowidKey && layout.primaryKey.front() == i)
        definition += " PRIMARY KEY";
    if (column.noCase)
        definition += " COLLATE NOCASE";
    return definition;
}

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

} // namespace

std::string createTableStatement(const TableLayout& layout)
{
    std::string sql = "CREATE TABLE " + quotedIdentifier(layout.name) + " (";
    for (std::size_t i = 0; i < layout.columns.size(); ++i)
        sql += (i ? ", " : "") + columnDefinition(layout, i);
    if (!layout.primaryKey.empty() && !layout.rowidKey) {
        sql += ", PRIMARY KEY (";
        for (std::size_t k = 0; k < layout.primaryKey.size(); ++k)
            sql += (k ? ", " : "") + quotedIdentifier(layout.columns[layout.primaryKey[k]].name);
        sql += ")";
    }
    return sql + ")";
}

std::vector<std::string> createIndexStatements(const TableLayout& layout)
{
    std::vector<std::string> statements;
    for (std::size_t i : layout.indexed) {
        const std::string& column = layout.columns[i].name;
        statements.push_back("CREATE INDEX " + quotedIdentifier(lowered(layout.name) + "_" + lowered(column)) +
                             " ON " + quotedIdentifier(layout.name) + " (" + quotedIdentifier(column) + ")");
    }
    return statements;
}

std::string insertStatement(const TableLayout& layout)
{
    std::string names;
    std::string parameters;
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        names += (i ? ", " : "") + quotedIdentifier(layout.columns[i].name);
        parameters += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    return "INSERT INTO " + quotedIdentifier(layout.name) + " (" + names + ") VALUES (" + parameters + ")";
}

} // namespace catalogue
