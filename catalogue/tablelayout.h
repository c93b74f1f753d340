#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace catalogue {

struct LayoutColumn {
    std::string name;
    std::string declaredType;
    bool noCase = false; ///< compares without regard to letter case
};

// How one table of a new file is laid out: a table converted from another program's
// database into a new catalogue.
struct TableLayout {
    std::string name;
    std::vector<LayoutColumn> columns;
    std::vector<std::size_t> primaryKey; ///< by position
    bool rowidKey = false; ///< the key is one integer column: INTEGER PRIMARY KEY
    std::vector<std::size_t> indexed; ///< columns that get an index of their own
};

// The statement that makes the table, every name quoted.
std::string createTableStatement(const TableLayout& layout);
// One statement for each index, named after the table and the column in lower case.
std::vector<std::string> createIndexStatements(const TableLayout& layout);
// The statement that adds one row, a numbered parameter for each column in order.
std::string insertStatement(const TableLayout& layout);

} // namespace catalogue
