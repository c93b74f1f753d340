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
    explicit RowStore(int columnCount) : m_columnCount(columnCount) {}

    std::size_t size() const { return m_rows.size(); }
    Value value(std::size_t row, int column) const;
    // The cell's text where it lies, without a copy; null when the cell holds no text.
    std::optional<std::string_view> text(std::size_t row, int column) const;
    // Whether the cell holds a blob, read from its header alone.
    bool holdsBlob(std::size_t row, int column) const;

    // A row packed but not yet placed, so that a write can be confirmed on disk
    // before the row shows it.
    struct Packed {
        const char* cells;
    };
    // Packs the row on which `stmt` stands, its columns in result order.
    Packed pack(sqlite3_stmt* stmt);
    void append(Packed row) { m_rows.push_back(row.cells); }
    void append(sqlite3_stmt* stmt) { append(pack(stmt)); }
    void replace(std::size_t row, Packed packed) { m_rows[row] = packed.cells; }
    void erase(std::size_t row);

    // Bytes held by the rows and their index, for measuring.
    std::size_t bytesHeld() const;

private:
    const char* cellStart(std::size_t row, int column, std::uint64_t& header) const;
    char* allocate(std::size_t bytes);

    int m_columnCount;
    std::vector<const char*> m_rows;               ///< where each row's packed cells begin
    std::vector<std::unique_ptr<char[]>> m_blocks; ///< owns every packed byte
    char* m_free = nullptr;                        ///< unused tail of the newest block
    std::size_t m_freeBytes = 0;
    std::size_t m_nextBlockBytes = 64 * 1024;
    std::size_t m_blockBytesHeld = 0;
};

} // namespace catalogue
