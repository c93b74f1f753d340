// Packed rows of a result set. The store lives inside its result set. Invariants:
// every entry of m_rows points at m_columnCount packed cells inside one block of
// its own arena or of an arena kept from another store; blocks are never moved or
// freed before every store keeping them, so a row pointer stays valid however many
// rows are added after it, and a row can move between stores without a copy (the
// undo history keeps a large deletion's rows where the result packed them).
//
// A cell is a header, an unsigned LEB128 number (length << 3 | type), followed by
// `length` bytes: nothing for NULL, the shortest little-endian two's complement for
// an integer, 8 bytes for a real, the bytes themselves for text and blobs.
#include "rowstore.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <sqlite3.h>
#include <sys/mman.h>

namespace catalogue {

namespace {

enum CellType : unsigned { Null = 0, Integer = 1, Real = 2, Text = 3, BlobType = 4 };

constexpr std::size_t maxBlockBytes = 8 * 1024 * 1024;

std::size_t headerSize(std::uint64_t header)
{
    std::size_t size = 1;
    while (header >= 0x80) {
        header >>= 7;
        ++size;
    }
    return size;
}

char* writeHeader(char* out, std::uint64_t header)
{
    while (header >= 0x80) {
        *out++ = static_cast<char>((header & 0x7f) | 0x80);
        header >>= 7;
    }
    *out++ = static_cast<char>(header);
    return out;
}

const char* readHeader(const char* in, std::uint64_t& header)
{
    header = 0;
    int shift = 0;
    unsigned char byte = 0;
    do {
        byte = static_cast<unsigned char>(*in++);
        header |= std::uint64_t(byte & 0x7f) << shift;
        shift += 7;
    } while (byte & 0x80);
    return in;
}

// Shortest length that sign-extends back to the same value.
std::size_t packedIntegerBytes(std::int64_t value)
{
    if (value == 0)
        return 0;
    for (std::size_t n = 1; n < 8; ++n) {
        const std::int64_t lo = -(std::int64_t(1) << (8 * n - 1));
        const std::int64_t hi = (std::int64_t(1) << (8 * n - 1)) - 1;
        if (value >= lo && value <= hi)
            return n;
    }
    return 8;
}

std::int64_t unpackInteger(const char* in, std::size_t n)
{
    if (n == 0)
        return 0;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < n; ++i)
        bits |= std::uint64_t(static_cast<unsigned char>(in[i])) << (8 * i);
    if (n < 8 && (bits >> (8 * n - 1)) & 1)
        bits |= ~std::uint64_t(0) << (8 * n);
    return static_cast<std::int64_t>(bits);
}

// A cell as the engine gives it, between reading and packing.
struct FetchedCell {
    unsigned type;
    const void* bytes;
    std::size_t length;
    std::int64_t integer;
    double real;
};

// One column_value per cell, then the value accessors: each sqlite3_column_* call
// looks the column up and checks for errors again, and with four calls per cell
// that was a sixth of a full fetch. The connection is never shared between threads,
// so reading the unprotected value is safe.
FetchedCell readCell(sqlite3_stmt* stmt, int column)
{
    FetchedCell cell{};
    sqlite3_value* value = sqlite3_column_value(stmt, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        cell.type = Integer;
        cell.integer = sqlite3_value_int64(value);
        cell.length = packedIntegerBytes(cell.integer);
        break;
    case SQLITE_FLOAT:
        cell.type = Real;
        cell.real = sqlite3_value_double(value);
        cell.length = sizeof(double);
        break;
    case SQLITE_TEXT:
        cell.type = Text;
        cell.bytes = sqlite3_value_text(value);
        cell.length = static_cast<std::size_t>(sqlite3_value_bytes(value));
        break;
    case SQLITE_BLOB:
        cell.type = BlobType;
        cell.bytes = sqlite3_value_blob(value);
        cell.length = static_cast<std::size_t>(sqlite3_value_bytes(value));
        break;
    default:
        break;
    }
    return cell;
}

char* writeCell(char* out, const FetchedCell& cell)
{
    out = writeHeader(out, (std::uint64_t(cell.length) << 3) | cell.type);
    switch (cell.type) {
    case Integer:
        for (std::size_t i = 0; i < cell.length; ++i)
            *out++ = static_cast<char>(std::uint64_t(cell.integer) >> (8 * i));
        break;
    case Real:
        std::memcpy(out, &cell.real, sizeof(double));
        out += sizeof(double);
        break;
    case Text:
    case BlobType:
        if (cell.length)
            std::memcpy(out, cell.bytes, cell.length);
        out += cell.length;
        break;
    default:
        break;
    }
    return out;
}

// A large block is written front to back straight away. Asking for huge pages
// where the system grants them on request spares a page fault for every 4 KiB,
// about 15 ms of a million-row fetch; elsewhere the advice changes nothing.
void adviseHugePages(char* block, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t hugePage = 2 * 1024 * 1024;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(block) + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(hugePage - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

} // namespace

// Returns where the cell's bytes begin, with its header in `header`.
const char* RowStore::cellStart(const char* cells, int column, std::uint64_t& header) const
{
    const char* in = cells;
    for (int c = 0; c < column; ++c) {
        in = readHeader(in, header);
        in += header >> 3;
    }
    return readHeader(in, header);
}

bool RowStore::holdsBlob(std::size_t row, int column) const
{
    std::uint64_t header = 0;
    cellStart(m_rows[row], column, header);
    return (header & 7) == BlobType;
}

Value RowStore::value(std::size_t row, int column) const
{
    std::uint64_t header = 0;
    const char* in = cellStart(m_rows[row], column, header);
    const std::size_t length = header >> 3;
    switch (header & 7) {
    case Integer:
        return unpackInteger(in, length);
    case Real: {
        double real = 0;
        std::memcpy(&real, in, sizeof(double));
        return real;
    }
    case Text:
        return std::string(in, length);
    case BlobType:
        return Blob{std::string(in, length)};
    default:
        return std::monostate{};
    }
}

std::optional<std::string_view> RowStore::text(std::size_t row, int column) const
{
    std::uint64_t header = 0;
    const char* in = cellStart(m_rows[row], column, header);
    if ((header & 7) != Text)
        return std::nullopt;
    return std::string_view(in, header >> 3);
}

std::int64_t RowStore::Cell::integer() const
{
    return unpackInteger(bytes.data(), bytes.size());
}

double RowStore::Cell::real() const
{
    double real = 0;
    std::memcpy(&real, bytes.data(), sizeof(double));
    return real;
}

void RowStore::readCells(std::size_t row, std::vector<Cell>& cells) const
{
    cells.resize(static_cast<std::size_t>(m_columnCount));
    const char* in = m_rows[row];
    for (Cell& cell : cells) {
        std::uint64_t header = 0;
        in = readHeader(in, header);
        const std::size_t length = header >> 3;
        cell.kind = static_cast<Cell::Kind>(header & 7);
        cell.bytes = std::string_view(in, length);
        in += length;
    }
}

std::vector<Value> RowStore::rowValues(std::size_t row) const
{
    std::vector<Value> values;
    values.reserve(static_cast<std::size_t>(m_columnCount));
    for (int c = 0; c < m_columnCount; ++c)
        values.push_back(value(row, c));
    return values;
}

// Each cell is written as it is read, straight into the free tail of the newest
// block: reading every cell first to size the row, then writing them, was a fifth
// of a million-row fetch with every standard field. A row that outgrows the tail
// moves, with the cells written so far, to a new block.
RowStore::Packed RowStore::pack(sqlite3_stmt* stmt)
{
    std::size_t used = 0;
    for (int c = 0; c < m_columnCount; ++c) {
        const FetchedCell cell = readCell(stmt, c);
        const std::size_t bytes = headerSize((std::uint64_t(cell.length) << 3) | cell.type) + cell.length;
        if (bytes > m_freeBytes - used)
            moveToNewBlock(used, bytes);
        used = static_cast<std::size_t>(writeCell(m_free + used, cell) - m_free);
    }
    char* start = m_free;
    m_free += used;
    m_freeBytes -= used;
    return Packed{start};
}

void RowStore::moveToNewBlock(std::size_t written, std::size_t more)
{
    const char* row = m_free;
    newBlock(2 * (written + more));
    if (written)
        std::memcpy(m_free, row, written);
}

void RowStore::newBlock(std::size_t atLeast)
{
    const std::size_t blockBytes = std::max(atLeast, m_nextBlockBytes);
    m_arena->blocks.push_back(std::make_unique_for_overwrite<char[]>(blockBytes));
    adviseHugePages(m_arena->blocks.back().get(), blockBytes);
    m_arena->bytes += blockBytes;
    m_free = m_arena->blocks.back().get();
    m_freeBytes = blockBytes;
    m_nextBlockBytes = std::min(m_nextBlockBytes * 2, maxBlockBytes);
}

char* RowStore::allocate(std::size_t bytes)
{
    if (bytes > m_freeBytes)
        newBlock(bytes);
    char* start = m_free;
    m_free += bytes;
    m_freeBytes -= bytes;
    return start;
}

std::size_t RowStore::rowBytes(Packed row) const
{
    if (m_columnCount == 0)
        return 0;
    std::uint64_t header = 0;
    const char* end = cellStart(row.cells, m_columnCount - 1, header) + (header >> 3);
    return static_cast<std::size_t>(end - row.cells);
}

void RowStore::keepBlocksOf(const RowStore& owner)
{
    const auto keep = [this](std::shared_ptr<const Arena> arena) {
        if (arena != m_arena && std::find(m_kept.begin(), m_kept.end(), arena) == m_kept.end())
            m_kept.push_back(std::move(arena));
    };
    keep(owner.m_arena);
    for (const auto& arena : owner.m_kept)
        keep(arena);
}

RowStore::Packed RowStore::copy(Packed row)
{
    if (m_columnCount == 0)
        return Packed{nullptr};
    const std::size_t bytes = rowBytes(row);
    char* start = allocate(bytes);
    std::memcpy(start, row.cells, bytes);
    return Packed{start};
}

// One row alone moves the rest up with one memmove; many rows are squeezed out in
// one pass, so a deletion costs the same whether it drops one row or all of them.
void RowStore::erase(const std::vector<std::size_t>& rows)
{
    assert(std::is_sorted(rows.begin(), rows.end()));
    if (rows.empty())
        return;
    if (rows.size() == 1) {
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(rows.front()));
        return;
    }
    std::size_t kept = rows.front();
    auto drop = rows.begin();
    for (std::size_t row = rows.front(); row < m_rows.size(); ++row) {
        if (drop != rows.end() && *drop == row)
            ++drop;
        else
            m_rows[kept++] = m_rows[row];
    }
    m_rows.resize(kept);
}

void RowStore::insert(const std::vector<std::size_t>& positions, const std::vector<Packed>& rows)
{
    assert(positions.size() == rows.size() && std::is_sorted(positions.begin(), positions.end()));
    if (rows.empty())
        return;
    if (rows.size() == 1) {
        m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(positions.front()), rows.front().cells);
        return;
    }
    std::vector<const char*> merged;
    merged.reserve(m_rows.size() + rows.size());
    auto old = m_rows.begin();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        while (merged.size() < positions[i] && old != m_rows.end())
            merged.push_back(*old++);
        merged.push_back(rows[i].cells);
    }
    merged.insert(merged.end(), old, m_rows.end());
    m_rows = std::move(merged);
}

std::size_t RowStore::bytesHeld() const
{
    return m_arena->bytes + m_rows.capacity() * sizeof(const char*) +
           m_arena->blocks.capacity() * sizeof(m_arena->blocks[0]);
}

} // namespace catalogue
