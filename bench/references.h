#pragma once

#include "sqlitehandles.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include <sqlite3.h>

// What the program's commands are measured against: the same statement through the
// bare SQLite C API, with nothing of ours in the way. Every cell is read the
// cheapest way the API offers, one sqlite3_column_value and the value accessors, as
// the program reads it: the plain sqlite3_column_* calls would make the floors
// slower than the program and no longer floors.
namespace bench {

// Opened as the program opens a catalogue: read-write, no shared mutex.
catalogue::DatabaseHandle openBare(const std::string& path);
// The same, with the program's write settings: synchronous=FULL and the default
// rollback journal.
catalogue::DatabaseHandle openBareForWriting(const std::string& path);
// Runs `sql` in a transaction of its own, prepared anew, as the program writes one
// change. `bind` binds its parameters.
void writeInTransaction(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& bind);

// How much a full result amounts to, for sizing the compact floor's buffers.
struct ResultSize {
    std::size_t rows = 0;
    std::size_t cells = 0;
    std::size_t valueBytes = 0; ///< text and blob bytes, 8 for every number
};

// The physical floor: steps `sql` and reads every column of every row, keeping
// nothing. Returns what it read, so the reads cannot be optimised away.
ResultSize stepEveryColumn(sqlite3* db, const std::string& sql);

// The compact floor: every value copied into one buffer, one 32-bit end offset per
// cell. Numbers go in as their 8 raw bytes; types are not kept.
struct CompactRows {
    std::vector<char> bytes;
    std::vector<std::uint32_t> ends;
    std::size_t rows = 0;
    std::size_t bytesHeld() const { return bytes.capacity() + ends.capacity() * sizeof(std::uint32_t); }
};
// With `reserve` the buffers are sized up front and never grow; an empty one grows them.
CompactRows fetchCompact(sqlite3* db, const std::string& sql, const ResultSize& reserve);

// Bytes in use on the heap right now, every arena and mapped block included. The
// free lists are trimmed first, so two readings differ by what was kept between them.
std::size_t heapInUse();

} // namespace bench
