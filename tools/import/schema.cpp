// How one Jet table is laid out in the catalogue: declared types whose affinity
// keeps every value as stored, money and decimals as text.
#include "schema.h"

#include "decimal.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <mdbtools.h>

namespace jetimport {

namespace {

constexpr const char* booksTable = "dorvi";
constexpr std::array<const char*, 3> searchedColumns = {"autore", "titolo", "genere"};

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

bool isIntegerType(int jetType)
{
    return jetType == MDB_BYTE || jetType == MDB_INT || jetType == MDB_LONGINT;
}

std::vector<std::size_t> keyOf(const std::vector<JetColumn>& columns, const std::vector<std::size_t>& primaryKey)
{
    if (!primaryKey.empty())
        return primaryKey;
    std::vector<std::size_t> autoNumbers;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].autoNumber)
            autoNumbers.push_back(i);
    }
    return autoNumbers.size() == 1 ? autoNumbers : std::vector<std::size_t>{};
}

void markSearchedColumns(TableSchema& schema)
{
    for (const char* searched : searchedColumns) {
        for (std::size_t i = 0; i < schema.columns.size(); ++i) {
            if (equalsIgnoringCase(schema.columns[i].name, searched)) {
                schema.columns[i].noCase = true;
                schema.indexed.push_back(i);
            }
        }
    }
}

} // namespace

std::string declaredType(int jetType)
{
    switch (jetType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return "INTEGER";
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return "REAL";
    case MDB_DATETIME:
        return "DATETIME";
    case MDB_MONEY:
    case MDB_NUMERIC:
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID:
        return "TEXT";
    default:
        return "BLOB";
    }
}

std::string declaredType(const JetColumn& column)
{
    // A TEXT column keeps every decimal exact; an INTEGER one only 64-bit values
    // (larger digits it would turn into an inexact real), hence the precision.
    if (column.type == MDB_NUMERIC && DecimalType{column.precision, column.scale}.isInteger())
        return "INTEGER";
    return declaredType(column.type);
}

TableSchema tableSchema(const std::string& name, const std::vector<JetColumn>& columns,
                        const std::vector<std::size_t>& primaryKey)
{
    TableSchema schema;
    schema.name = name;
    for (const JetColumn& column : columns)
        schema.columns.push_back({column.name, declaredType(column)});
    schema.primaryKey = keyOf(columns, primaryKey);
    schema.rowidKey = schema.primaryKey.size() == 1 && isIntegerType(columns[schema.primaryKey.front()].type);
    if (equalsIgnoringCase(name, booksTable))
        markSearchedColumns(schema);
    return schema;
}

} // namespace jetimport
