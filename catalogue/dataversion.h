#pragma once

#include <cstdint>

struct sqlite3;

namespace catalogue {

// A number that changes whenever another connection, of this program or another,
// has committed a change to the file since `db` last looked: what a connection
// kept open between writes compares to know that what it read of the file (its
// books for the duplicate rule, its columns) may be out of date. Its own writes
// leave it as it is. Throws Error.
std::int64_t othersChangesMark(sqlite3* db);

} // namespace catalogue
