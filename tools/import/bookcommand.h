#pragma once

#include "commandline.h"

#include <string>

namespace jetimport {

// Whether the source goes to the Access conversion: a Jet file, or a file named
// as one (.mdb, .accdb), which that conversion refuses in its own words when it
// is not one.
bool isAccessSource(const std::string& path);
// Whether the file begins as an Access (Jet or ACE) file does, whatever its name.
bool holdsJet(const std::string& path);

// Every list but Access: into a new catalogue, or with --aggiungi into an
// existing one. Prints the report and returns the exit status (0, 1, or 2 when
// nothing was written).
int importBookList(const CommandLine& line);

} // namespace jetimport
