// The tool's failures in Italian with their exit codes, which scripts rely on.
#include "importerror.h"

namespace jetimport {

ImportError::ImportError(ExitCode code, const std::string& message)
    : std::runtime_error(message)
    , m_code(code)
{
}

std::string quoted(const std::string& name)
{
    return "«" + name + "»";
}

} // namespace jetimport
