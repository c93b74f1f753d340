#pragma once

#include "error.h"

#include <string>

namespace catalogue {

// What the user reads when a change cannot be written: the true cause in words
// (the file, its folder or disk, another program, the value), naming the file or
// folder concerned, and always ending "la modifica non è stata scritta.".
// `failure` is the error the engine raised during the write (its engine code and
// text are kept); `systemError` the operating system's errno behind it, 0 if none;
// `path` the catalogue file. Any error not raised by the engine is returned as it is.
Error writeError(const Error& failure, int systemError, const std::string& path);

// The catalogue's folder or disk refuses writing, found before the engine is asked:
// `systemError` is what access(2) said of the file (EROFS, EACCES, ...).
Error unwritableFileError(int systemError, const std::string& path);

} // namespace catalogue
