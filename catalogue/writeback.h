#pragma once

#include "statement.h"
#include "value.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace catalogue {

// How the rows of one result are written back to the one table they come from.
// Rows are found by the table's primary key; a table without one is matched on
// every column read. Each statement returns the row as the file then holds it.
class WriteBack {
public:
    // Where the result's columns come from: one table and a column of it for each,
    // or, when they do not, the reason in words for the user.
    struct Origins {
        std::string table;
        std::vector<std::string> columns;
        std::string reason; ///< empty when every column comes from `table`
    };

    // Reads the column origins of `query` (prepared); touches nothing in the file.
    static Origins originsOf(sqlite3_stmt* query);
    // Looks up the table's key. Returns null, with `reason` in words for the user,
    // when the result cannot be written back.
    static std::unique_ptr<WriteBack> plan(sqlite3* db, const Origins& origins, std::string& reason);

    // Each binds its values and is ready to step; a step that yields no row means
    // the row in the file is no longer the row that was read.
    // Every cell given, each a result column and its value, in one statement.
    Statement update(sqlite3* db, const std::vector<std::pair<int, Value>>& cells, const std::vector<Value>& row) const;
    // A new row holding the values of `cells`, each a result column and its value.
    Statement insert(sqlite3* db, const std::vector<std::pair<int, Value>>& cells) const;
    Statement remove(sqlite3* db, const std::vector<Value>& row) const;
    // The same deletion prepared once for many rows: bind each with bindRow.
    Statement removal(sqlite3* db) const;
    // Puts back a whole row, its key included; the step yields the row as stored.
    // Bind each with bindRow.
    Statement restoral(sqlite3* db) const;
    // Binds every value of `row`, in column order, from `firstParameter` on.
    void bindRow(Statement& statement, const std::vector<Value>& row, int firstParameter = 1) const;
    // Every row of the table, the result's columns in order; and the deletion of all
    // of them in one statement, which frees the pages instead of visiting each row.
    Statement everyRow(sqlite3* db) const;
    void empty(sqlite3* db) const;
    // What finds the row in the file: its key, or every value without one.
    std::vector<Value> keyOf(const std::vector<Value>& row) const;
    // Whether two rows are the same book: equal keys, or equal values without a key.
    bool sameBook(const std::vector<Value>& a, const std::vector<Value>& b) const;
    Statement reload(sqlite3* db, const std::vector<Value>& row) const;
    // The result column of a key the engine assigns (the table's rowid); -1 when the
    // key is the user's to type, or there is none.
    int assignedKeyColumn() const { return m_assignedKey; }

private:
    WriteBack(std::string table, std::vector<std::string> columns, std::vector<int> keyColumns, int assignedKey);

    std::string matchClause(int firstParameter) const;
    std::string unchangedClause(const std::vector<int>& columns, int firstParameter) const;
    void bindMatch(Statement& statement, int firstParameter, const std::vector<Value>& row) const;

    std::string m_table;                ///< quoted table name
    std::vector<std::string> m_columns; ///< quoted origin column of each result column
    std::vector<int> m_keyColumns;      ///< result columns of the primary key; empty: none
    int m_assignedKey;                  ///< result column of the rowid key; -1: none
    std::vector<int> m_allColumns;      ///< 0, 1, … for every result column
    std::string m_columnList;           ///< the result's columns, comma-separated
};

} // namespace catalogue
