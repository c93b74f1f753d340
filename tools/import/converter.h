#pragma once

#include "report.h"

#include <string>

namespace jetimport {

// Converts every user table of the Jet file at source, columns in their order and
// rows as read, into a new catalogue file at target. codePage decodes Jet 3 text.
// Failures come back in the report, never as exceptions. A failed conversion may
// leave a partial file at target: the caller writes to a temporary file.
ImportReport convertCatalogue(const std::string& source, const std::string& target, const std::string& codePage);

} // namespace jetimport

namespace jetimport {

// The same conversion in a child process (see isolation.h), with processor time
// and memory in proportion to the source's size: a crash or an endless loop in
// libmdb on a damaged file comes back as a failure in the report.
ImportReport convertInChildProcess(const std::string& source, const std::string& target, const std::string& codePage);

} // namespace jetimport
