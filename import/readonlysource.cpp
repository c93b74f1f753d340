// An SQLite file opened read-only as a source, waiting a little for a writer:
// nothing of its own can write while it is read.
#include "readonlysource.h"

#include "importfailure.h"

namespace bookimport {

catalogue::DatabaseHandle openReadOnlySource(const std::string& path, const std::string& failure)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    catalogue::DatabaseHandle db(raw);
    if (rc != SQLITE_OK)
        refuseSource(failure);
    sqlite3_busy_timeout(db.get(), 2000);
    return db;
}

} // namespace bookimport
