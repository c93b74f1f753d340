#pragma once

#include "value.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace catalogue {

// The rows of a client-side result, packed: each row is its cells back to back in
// large shared blocks, each cell a small header (type and length) and its bytes.
// A changed row is packed anew and the old bytes are left where they lie.
class RowStore {
public:
    // `firstBlockBytes` small for a store that keeps a handful of rows.
    explicit RowStore(int columnCount, std::size_t firstBlockBytes = 64 * 1024)
        : m_columnCount(columnCount), m_nextBlockBytes(firstBlockBytes)
    {
    }
    // A copy would pack into the same free tail as its original.
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    int columnCount() const { return m_columnCount; }
    std::size_t size() const { return m_rows.size(); }
    Value value(std::size_t row, int column) const;
    // The cell's text where it lies, without a copy; null when the cell holds no text.
    std::optional<std::string_view> text(std::size_t row, int column) const;
    std::vector<Value> rowValues(std::size_t row) const;
    // Whether the cell holds a blob, read from its header alone.
    bool holdsBlob(std::size_t row, int column) const;

    // A cell where it lies: its kind and its bytes, valid as long as the store.
    struct Cell {
        enum Kind : unsigned { Null = 0, Integer = 1, Real = 2, Text = 3, Blob = 4 };
        Kind kind;
        std::string_view bytes;
        std::int64_t integer() const;
        double real() const;
    };
    // Every cell of the row in column order, read in one pass into `cells`: a look-up
    // by column reads the row from its first cell, and for each of the 18 columns of
    // a million books that was half the time of checking them before a deletion.
    void readCells(std::size_t row, std::vector<Cell>& cells) const;

    // A row packed but not yet placed, so that a write can be confirmed on disk
    // before the row shows it. Its bytes stay valid as long as the store that
    // packed it, whatever happens to the row afterwards.
    struct Packed {
        const char* cells;
    };
    // Packs the row on which `stmt` stands, its columns in result order.
    Packed pack(sqlite3_stmt* stmt);
    // Packs a copy of a row packed by a store with the same columns.
    Packed copy(Packed row);
    Packed packed(std::size_t row) const { return Packed{m_rows[row]}; }
    void append(Packed row) { m_rows.push_back(row.cells); }
    void append(sqlite3_stmt* stmt) { append(pack(stmt)); }
    void replace(std::size_t row, Packed packed) { m_rows[row] = packed.cells; }
    // Drops the rows given (ascending, no repeats) in one pass over the index.
    void erase(const std::vector<std::size_t>& rows);
    // Places each row at the position it is to have afterwards (ascending).
    void insert(const std::vector<std::size_t>& positions, const std::vector<Packed>& rows);

    // Bytes held by the rows and their index, for measuring; blocks kept from
    // another store count where they were packed, not here.
    std::size_t bytesHeld() const;
    // Bytes of the packed row, header to last cell.
    std::size_t rowBytes(Packed row) const;
    // Bytes of every block this store packed rows into.
    std::size_t blockBytes() const { return m_arena->bytes; }

    // Keeps the blocks of `owner` (and those it keeps) alive as long as this store,
    // so that rows packed there can be placed here without a copy.
    void keepBlocksOf(const RowStore& owner);

private:
    struct Arena {
        std::vector<std::unique_ptr<char[]>> blocks;
        std::size_t bytes = 0;
    };

    const char* cellStart(const char* cells, int column, std::uint64_t& header) const;
    char* allocate(std::size_t bytes);
    void newBlock(std::size_t atLeast);
    // Moves the `written` bytes of the row being packed to a new block with room
    // for `more` after them.
    void moveToNewBlock(std::size_t written, std::size_t more);

    int m_columnCount;
    std::vector<const char*> m_rows;               ///< where each row's packed cells begin
    std::shared_ptr<Arena> m_arena = std::make_shared<Arena>(); ///< owns every byte packed here
    std::vector<std::shared_ptr<const Arena>> m_kept; ///< blocks of other stores some rows lie in
    char* m_free = nullptr;                        ///< unused tail of the newest block
    std::size_t m_freeBytes = 0;
    std::size_t m_nextBlockBytes;
};

} // namespace catalogue
