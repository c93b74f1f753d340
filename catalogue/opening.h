#pragma once

#include "handletypes.h"

#include <string>

namespace catalogue {

enum class OpenMode {
    ReadWrite, ///< an existing file, read and written; a missing one is never made
    ReadOnly,  ///< an existing file, never written and never made
    Create,    ///< read and written, made empty when missing
};

// How long a statement waits for another program's lock before it fails as
// locked: long enough for another program's ordinary write to end, short enough
// that a file held for good is reported while the user still waits for it.
inline constexpr int lockWaitMs = 3000;

// The one way the program opens an SQLite file, the catalogue or another: every
// connection waits lockWaitMs for a lock, reports extended result codes, knows
// same_letters(), and reads a double-quoted name as a name only, so a column
// missing from the file fails its statement instead of being read as a text.
// Throws Error (the engine's failure, naming `path`) when the file cannot be opened.
DatabaseHandle openCatalogueFile(const std::string& path, OpenMode mode);

} // namespace catalogue
