#pragma once

#include "history.h"
#include "rowstore.h"

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

// An import as one change of the undo history: the books it added, read with
// every column of `dorvi` inside the import's own transaction. Taking it back
// removes exactly those books, each only while it still holds every value the
// import gave it (a book another program changed since refuses the whole undo,
// with nothing written); doing it again puts them back under their own keys.
class ImportedBooks : public History::Step {
public:
    // The books of `dorvi` after rowid `lastRowBefore`. Throws Error.
    ImportedBooks(sqlite3* db, std::int64_t lastRowBefore);
    // The books of `dorvi` under these rowids, in that order; one no longer there
    // is left out. Throws Error.
    ImportedBooks(sqlite3* db, const std::vector<std::int64_t>& rowids);

    std::string text() const override;
    std::size_t books() const override { return m_rows.size(); }
    bool undo(Recordset& shown, const std::function<bool(std::size_t)>& progress) override;
    bool redo(Recordset& shown, const std::function<bool(std::size_t)>& progress) override;

private:
    std::vector<std::string> m_columns;
    RowStore m_rows;
};

} // namespace catalogue
