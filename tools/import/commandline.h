#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace jetimport {

struct CommandLine {
    bool help = false;
    bool force = false;
    std::string codePage;
    std::string source;
    std::optional<std::string> target; ///< dorvi.mdb beside the program when absent
    // Books of any list other than Access:
    bool add = false;            ///< --aggiungi: into the existing catalogue `target`
    bool keepDuplicates = false; ///< --anche-doppioni
    std::vector<std::pair<std::string, std::string>> fieldMap; ///< --campo COLONNA=INTESTAZIONE
};

// Reads the arguments (without the program's name). Throws ImportError
// (ExitCode::Usage) for an unknown option, a missing or extra file name, or a
// code page the system does not know.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The --help text, in Italian.
std::string helpText();
std::string usageLine();

} // namespace jetimport
