#pragma once

#include <optional>
#include <string>
#include <vector>

namespace jetimport {

struct CommandLine {
    bool help = false;
    bool force = false;
    std::string codePage;
    std::string source;
    std::optional<std::string> target; ///< dorvi.mdb beside the program when absent
};

// Reads the arguments (without the program's name). Throws ImportError
// (ExitCode::Usage) for an unknown option, a missing or extra file name, or a
// code page the system does not know.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The --help text, in Italian.
std::string helpText();
std::string usageLine();

} // namespace jetimport
