// The opening of every SQLite file the program reads or writes: the window's
// connections, the import's, the copies', the counts' and the tools'. What a
// connection is like (its lock wait, its reading of double quotes, the functions
// it knows) is decided here once, so no two of them disagree.
#include "opening.h"

#include "engineerror.h"
#include "exactsearch.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

int flagsOf(OpenMode mode)
{
    // A connection belongs to one thread at a time; the engine's own mutex would
    // only cost time.
    switch (mode) {
    case OpenMode::ReadOnly:
        return SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
    case OpenMode::Create:
        return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    case OpenMode::ReadWrite:
        break;
    }
    return SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
}

// Whether a trigger or a view of the file may have been written under the old
// rule that takes "text" for a text when no column has that name. Such a trigger
// would fail every write of the program under the strict rule, and such a view
// every read of it; the file's own objects keep working as their author wrote them.
// Asked before the connection waits for locks: a file held by another program
// gets the strict rule.
bool keepsDoubleQuotedTexts(sqlite3* db)
{
    sqlite3_stmt* raw = nullptr;
    const char* sql = "SELECT 1 FROM sqlite_schema WHERE type IN ('trigger', 'view') AND instr(sql, '\"') > 0";
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        return false;
    const StatementHandle statement(raw);
    return sqlite3_step(raw) == SQLITE_ROW;
}

} // namespace

DatabaseHandle openCatalogueFile(const std::string& path, OpenMode mode)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flagsOf(mode), nullptr);
    DatabaseHandle db(raw);
    if (rc != SQLITE_OK)
        throw engineError(db.get(), rc, path);
    sqlite3_extended_result_codes(db.get(), 1);
    // The program names every column in double quotes: under the old rule a column
    // gone from the file (removed by another program, misspelt) would be read as
    // its own name, and counted, compared or copied as a text in every book.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    if (!keepsDoubleQuotedTexts(db.get()))
        sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_busy_timeout(db.get(), lockWaitMs);
    registerLetterRule(db.get());
    return db;
}

} // namespace catalogue
