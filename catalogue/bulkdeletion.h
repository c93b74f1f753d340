#pragma once

#include "covers.h"
#include "rowstore.h"
#include "statement.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace catalogue {

// How books kept in a RowStore are found in their table: by name, every column kept
// that the table still has, compared with IS and BINARY collation, so a book
// matches only while every value is as kept. Columns the table has gained or
// reordered since do not matter; the names of those it has lost are told.
class BookMatch {
public:
    // Reads the table's columns and key from the file. `kept` names the stored
    // columns in store order.
    BookMatch(sqlite3* db, std::string table, const std::vector<std::string>& kept);

    const std::string& table() const { return m_table; }
    const std::string& tableName() const { return m_tableName; }
    // The quoted name of the table's column for stored column `column`; empty when
    // the table no longer has it.
    const std::string& columnOf(int column) const { return m_quoted[static_cast<std::size_t>(column)]; }
    // The stored columns the table no longer has.
    std::vector<std::string> missingColumns() const;
    // The stored columns of the table's key; empty when the table has none (or it
    // was not kept): a book is then known by all its values.
    const std::vector<int>& key() const { return m_key; }

    // The condition finding the book, its parameters numbered from `firstParameter`;
    // in a table without a key, the first of identical rows.
    std::string condition(int firstParameter) const;
    void bindBook(Statement& statement, const RowStore& books, std::size_t row, int firstParameter) const;
    // Whether a book with the key of stored row `row` is in the table (false
    // without a key: the book is then known by its values alone).
    bool keyTaken(sqlite3* db, const RowStore& books, std::size_t row) const;
    // Every row of the table, its rowid then the columns kept in store order; and
    // whether the row `scan` stands on holds exactly stored row `row`.
    Statement everyRow(sqlite3* db) const;
    bool sameAs(sqlite3_stmt* scan, const RowStore& books, std::size_t row) const;

private:
    std::size_t cellOf(std::size_t present) const { return static_cast<std::size_t>(m_present[present]); }

    std::string m_tableName;
    std::string m_table;                 ///< quoted
    std::vector<std::string> m_names;    ///< the stored columns' names
    std::vector<std::string> m_quoted;   ///< per stored column, its quoted table column or empty
    std::vector<int> m_present;          ///< stored columns the table has, in store order
    std::vector<int> m_key;              ///< stored columns of the table's key; empty: none kept
    bool m_tableHasKey = false;
    mutable std::vector<RowStore::Cell> m_cells; ///< the row being bound or compared
};

// Deletes books kept in a RowStore from the file in one transaction, all or none:
// each is deleted only while it holds every value kept. Stops between two books
// when `progress` says so.
class BulkDeletion {
public:
    using Progress = std::function<bool(std::size_t done)>;
    enum class Outcome { Deleted, Stopped, Refused };

    BulkDeletion(sqlite3* db, const BookMatch& match, const RowStore& books);

    // `rows` are rows of the store, in the table's order when they are most of it.
    Outcome run(const std::vector<std::size_t>& rows, const Progress& progress);
    // After Refused: the store row of the book that stopped it, and whether another
    // program deleted it (rather than changed it).
    std::size_t refusedRow() const { return m_refused; }
    bool refusedBookGone() const { return m_gone; }
    // After Deleted: the covers of the books deleted, taken with them.
    std::vector<Cover>& takenCovers() { return m_covers; }

private:
    struct Survey {
        bool stopped = false;
        bool everyBookFound = false;      ///< each book as kept, in the table's order
        std::vector<long long> keptRowids; ///< the rows of the table that stay
    };
    Survey survey(const std::vector<std::size_t>& rows, const Progress& progress) const;
    bool mayEmptyAndRefill() const;
    void emptyKeeping(const std::vector<long long>& rowids);
    Outcome oneByOne(const std::vector<std::size_t>& rows, const Progress& progress);

    sqlite3* m_db;
    const BookMatch& m_match;
    const RowStore& m_books;
    std::size_t m_refused = 0;
    bool m_gone = false;
    std::vector<Cover> m_covers;
};

// How often a long write reports, and may be stopped.
constexpr std::size_t progressEvery = 256;

} // namespace catalogue
