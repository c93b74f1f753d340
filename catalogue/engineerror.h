#pragma once

#include "error.h"

#include <string>

struct sqlite3;

namespace catalogue {

// Turns an engine result code into the program's error, in words a user can act
// on: which file, which table or column, what to do. `db` may be null when no
// connection exists yet; `path` then names the file.
Error engineError(sqlite3* db, int resultCode, const std::string& path = {});

// True when the file begins like an old Access/Jet database.
bool looksLikeAccessFile(const std::string& path);

} // namespace catalogue
