// An SQLite file opened as a source of books: read-only, bounded by the user's
// Annulla, and refused when its books would come from a view.
#include "readonlysource.h"

#include "importfailure.h"
#include "opening.h"

namespace bookimport {

namespace {

// About every 10,000 virtual machine steps, a fraction of a millisecond: Annulla
// ends a statement well within the window's 50 ms.
constexpr int stepsBetweenChecks = 10000;

int stopRequested(void* stop)
{
    return static_cast<const std::atomic<bool>*>(stop)->load(std::memory_order_relaxed) ? 1 : 0;
}

} // namespace

catalogue::DatabaseHandle openReadOnlySource(const std::string& path, const std::string& failure,
                                             const std::atomic<bool>* stop)
{
    catalogue::DatabaseHandle db;
    try {
        db = catalogue::openCatalogueFile(path, catalogue::OpenMode::ReadOnly);
    } catch (const catalogue::Error&) {
        refuseSource(failure);
    }
    if (stop)
        sqlite3_progress_handler(db.get(), stepsBetweenChecks, stopRequested,
                                 const_cast<std::atomic<bool>*>(stop));
    return db;
}

void requireRealTables(sqlite3* db, const std::string& path, const std::string& what,
                       const std::vector<std::string>& names)
{
    sqlite3_stmt* raw = nullptr;
    const char* sql = "SELECT type, sql LIKE 'CREATE VIRTUAL%' FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE "
                      "AND type IN ('table', 'view')";
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        return; // the statement reading the books reports what is wrong with the file
    const catalogue::StatementHandle statement(raw);
    for (const std::string& name : names) {
        sqlite3_reset(raw);
        sqlite3_bind_text(raw, 1, name.c_str(), -1, SQLITE_STATIC);
        if (sqlite3_step(raw) != SQLITE_ROW)
            continue;
        const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
        if (type == "view" || sqlite3_column_int(raw, 1)) {
            refuseSource(what + " " + quoted(path) + " non si può importare: " + quoted(name) + " vi è " +
                         (type == "view" ? "una vista" : "una tabella virtuale") +
                         ", non una tabella. Gestione Dorvi legge i libri solo da tabelle vere: una vista può "
                         "calcolare senza fine.");
        }
    }
}

bool stoppedBy(int resultCode, const std::atomic<bool>* stop)
{
    return resultCode == SQLITE_INTERRUPT && stop && stop->load();
}

} // namespace bookimport
