#pragma once

#include "history.h"
#include "value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

// What a loan or a return changed in `prestiti`, row by row: each row as it was
// and as it became (iddorvo, a, dal, al as stored), none where there was or is
// no row. Annulla puts the rows back as they were; Ripeti writes them again.
struct LedgerRow {
    std::int64_t id = 0; ///< the row's own key
    std::optional<std::vector<Value>> before;
    std::optional<std::vector<Value>> after;
};
using LedgerChanges = std::vector<LedgerRow>;

// The rows of `prestiti` meeting `condition` (on its columns; `book` bound to ?1).
std::vector<std::pair<std::int64_t, std::vector<Value>>> ledgerRows(sqlite3* db, const char* condition,
                                                                    std::int64_t book);

// The part of a loan's change that the history cannot write through the grid's
// result: the loans' table of the catalogue at `path`, written on a connection of
// its own. A table removed since is left alone: there is nothing to put back.
std::unique_ptr<History::Step> ledgerStep(std::string path, LedgerChanges changes);

} // namespace catalogue
