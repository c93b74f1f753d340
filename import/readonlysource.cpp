// An SQLite file opened as a source of books: read-only, bounded by the user's
// Annulla, and refused when its books would come from a view.
#include "readonlysource.h"

#include "importfailure.h"
#include "sourcerows.h"

namespace bookimport {

catalogue::DatabaseHandle openReadOnlySource(const std::string& path, const std::string& failure,
                                             const std::atomic<bool>* stop)
{
    try {
        return catalogue::openSourceFile(path, stop);
    } catch (const catalogue::Error&) {
        refuseSource(failure);
    }
}

void requireRealTables(sqlite3* db, const std::string& path, const std::string& what,
                       const std::vector<std::string>& names)
{
    if (const auto computed = catalogue::firstComputedTable(db, names)) {
        refuseSource(what + " " + quoted(path) + " non si può importare: " + quoted(computed->name) + " vi è " +
                     (computed->view ? "una vista" : "una tabella virtuale") +
                     ", non una tabella. Gestione Dorvi legge i libri solo da tabelle vere: una vista può "
                     "calcolare senza fine.");
    }
}

bool stoppedBy(int resultCode, const std::atomic<bool>* stop)
{
    return catalogue::stoppedBy(resultCode, stop);
}

} // namespace bookimport
