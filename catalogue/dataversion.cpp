// Whether other connections have written the file: the engine's data version.
#include "dataversion.h"

#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

std::int64_t othersChangesMark(sqlite3* db)
{
    Statement version(db, "PRAGMA data_version");
    version.step();
    return sqlite3_column_int64(version.handle(), 0);
}

} // namespace catalogue
