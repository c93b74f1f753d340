// Counting the values of a catalogue's fields. At a million books with every
// standard field one pass takes about 1.5 s of CPU, so the "Campi" dialog runs it
// on a thread of its own, and must be able to stop it at once when it closes or
// changes the file (the pass's read lock would hold the change up).
#include "fieldcounts.h"

#include "error.h"
#include "opening.h"
#include "sqlitehandles.h"
#include "sqltext.h"
#include "statement.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

namespace catalogue {

namespace {

constexpr int stepsBetweenLooks = 10'000;   // a few hundred microseconds of the pass
constexpr int lockLookMs = 10;              // how often a wait for a lock looks for a stop
constexpr int lockWaits = lockWaitMs / lockLookMs; // as long as every connection of the program waits

int stopRequested(void* stop)
{
    return static_cast<const std::stop_token*>(stop)->stop_requested() ? 1 : 0;
}

// Waits for another program's lock a little at a time, so a stop is seen.
int waitForLock(void* stop, int waitsSoFar)
{
    if (stopRequested(stop) || waitsSoFar >= lockWaits)
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(lockLookMs));
    return 1;
}

} // namespace

std::vector<long long> countValues(sqlite3* db, const std::vector<std::string>& columns)
{
    std::vector<long long> counts(columns.size(), 0);
    if (columns.empty())
        return counts;
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < columns.size(); ++i)
        sql += (i ? ", " : "") + std::string("count(nullif(") + quotedIdentifier(columns[i]) + ", ''))";
    sql += " FROM dorvi";
    Statement count(db, sql);
    if (count.step()) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            counts[i] = sqlite3_column_int64(count.handle(), static_cast<int>(i));
    }
    return counts;
}

std::optional<std::vector<long long>> countValuesOf(const std::string& path, const std::vector<std::string>& columns,
                                                    const std::stop_token& stop)
{
    DatabaseHandle db;
    try {
        db = openCatalogueFile(path, OpenMode::ReadOnly);
    } catch (const Error&) {
        return std::nullopt;
    }
    // A column gone meanwhile (another program's change) fails the count rather
    // than being read as a quoted text, which would count every book: the count
    // reads the table alone, so the file's own views and triggers do not matter.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    // The stop token lives on the calling thread's stack until this returns.
    void* looks = const_cast<std::stop_token*>(&stop);
    sqlite3_progress_handler(db.get(), stepsBetweenLooks, stopRequested, looks);
    sqlite3_busy_handler(db.get(), waitForLock, looks);
    try {
        auto counts = countValues(db.get(), columns);
        if (stop.stop_requested())
            return std::nullopt;
        return counts;
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace catalogue
