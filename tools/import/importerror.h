#pragma once

#include <stdexcept>
#include <string>

namespace jetimport {

// The tool's exit codes; scripts that drive the conversion rely on them.
enum class ExitCode : int {
    Success = 0,
    Incomplete = 1,        ///< some value changed, or not every row was written
    Usage = 2,
    SourceUnreadable = 3,  ///< missing, not a Jet file, or damaged
    TargetUnwritable = 4,  ///< exists already, or cannot be written
};

// A failure that ends the conversion: its exit code and an Italian message.
class ImportError : public std::runtime_error {
public:
    ImportError(ExitCode code, const std::string& message);
    ExitCode code() const noexcept { return m_code; }

private:
    ExitCode m_code;
};

// «name», the way every message quotes a file, table or column.
std::string quoted(const std::string& name);

} // namespace jetimport
