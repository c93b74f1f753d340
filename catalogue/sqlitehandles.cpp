// The owners of the engine's handles: a connection is closed, a statement
// finalized, when the last owner goes. Closing with sqlite3_close_v2 lets a
// statement that outlives its connection by mistake still be finalized safely.
#include "handletypes.h"

#include <sqlite3.h>

namespace catalogue {

void CloseDatabase::operator()(sqlite3* db) const noexcept
{
    sqlite3_close_v2(db);
}

void FinalizeStatement::operator()(sqlite3_stmt* stmt) const noexcept
{
    sqlite3_finalize(stmt);
}

} // namespace catalogue
