#pragma once

#include "error.h"

#include <string>

struct sqlite3;

namespace catalogue {

// Whether the failed statement read the catalogue or tried to change it: a write
// that fails says so ("la modifica non è stata scritta") and names the cause that
// kept it from the file (the folder, the disk, another program, the value).
enum class Operation { Reading, Writing };

// What the engine reported of a failed statement, and about which file.
struct EngineFailure {
    int code = 0;            ///< the extended result code
    std::string message;     ///< the engine's own text, kept for the details line
    std::string path;        ///< the catalogue file
    int systemError = 0;     ///< the operating system's errno behind it, 0 if none
};

// The one map from the engine's result codes to the program's errors, in words a
// user can act on: which file, which table or column, what to do.
Error engineError(const EngineFailure& failure, Operation operation);

// The error of a statement that failed on `db`, as read from the connection. `db`
// may be null when no connection exists yet; `path` then names the file.
Error engineError(sqlite3* db, int resultCode, const std::string& path = {});

// The same failure told as a write's: `failure` is the error the engine raised
// during the write (its engine code and text are kept); `systemError` the errno
// behind it; `path` the catalogue file. An error the engine did not raise is
// returned as it is.
Error writeError(const Error& failure, int systemError, const std::string& path);

// The catalogue's folder or disk refuses writing, found before the engine is asked:
// `systemError` is what access(2) said of the file (EROFS, EACCES, ...).
Error unwritableFileError(int systemError, const std::string& path);

// True when the file begins like an old Access/Jet database.
bool looksLikeAccessFile(const std::string& path);

} // namespace catalogue
