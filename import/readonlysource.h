#pragma once

#include "handletypes.h"

#include <atomic>
#include <string>
#include <vector>

namespace bookimport {

// An SQLite file read as a source (a calibre library, another catalogue): opened
// read-only, so neither its triggers nor anything else of its own can run a write,
// waiting for a writer as every connection of the program does. Throws catalogue::Error with `failure` when
// it cannot be opened. While `stop` (when given) is set, every statement on the
// file ends at once with SQLITE_INTERRUPT, however long it would still run.
catalogue::DatabaseHandle openReadOnlySource(const std::string& path, const std::string& failure,
                                             const std::atomic<bool>* stop = nullptr);

// Throws catalogue::Error, in Italian, when one of `names` in the file at `path`
// is a view or a virtual table: a view can compute without end (a recursive query
// with no last row, a join of millions by millions) and fill the disk with its
// sort, so books are read only from real tables. `what` names the file in the
// message ("Il catalogo", "La biblioteca di calibre"). Names the file lacks are
// left to the statement that reads them.
void requireRealTables(sqlite3* db, const std::string& path, const std::string& what,
                       const std::vector<std::string>& names);

// Whether `resultCode` is the end of a statement that `stop` asked for.
bool stoppedBy(int resultCode, const std::atomic<bool>* stop);

} // namespace bookimport
