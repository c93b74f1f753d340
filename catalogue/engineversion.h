#pragma once

#include <string>

namespace catalogue {

// The version of the SQLite library the program runs on ("3.40.1"), as the library
// itself reports it at run time, which may differ from the one it was built with.
std::string engineVersion();

} // namespace catalogue
