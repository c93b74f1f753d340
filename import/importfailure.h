#pragma once

#include "error.h"

#include <string>

namespace bookimport {

// A source the import cannot take, in Italian: nothing is written.
[[noreturn]] void refuseSource(const std::string& message);

// A delimited file whose heading names no field: the command line asks for
// --campo, the window offers its lists instead.
class HeadingNamesNoField : public catalogue::Error {
public:
    explicit HeadingNamesNoField(const std::string& message);
};

// The user's Annulla while a source was read: nothing is written. The window
// knows it asked, and shows nothing.
[[noreturn]] void readingStopped();

// «name», the way the import's messages quote a file, column or value.
std::string quoted(const std::string& name);

} // namespace bookimport
