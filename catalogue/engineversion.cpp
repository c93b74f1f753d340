// The engine's version, asked of the library in use, for the window's "Informazioni":
// the window itself never includes the engine's header.
#include "engineversion.h"

#include <sqlite3.h>

namespace catalogue {

std::string engineVersion()
{
    return sqlite3_libversion();
}

} // namespace catalogue
