#pragma once

#include "error.h"
#include "handletypes.h"
#include "value.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

// Why the reading of a source file ended before its last book.
enum class SourceTrouble {
    Stopped,    ///< the user's Annulla, told through the stop flag
    Locked,     ///< another program holds the file while it writes
    Unreadable, ///< anything else: a damaged file, tables other than those expected
};

// A source file that could not be read to its end: the trouble, with the engine's
// own code and text, for the caller to tell in words of the file it reads.
class SourceReadError : public Error {
public:
    SourceReadError(SourceTrouble trouble, int engineCode, const std::string& engineMessage);
    SourceTrouble trouble() const noexcept { return m_trouble; }

private:
    SourceTrouble m_trouble;
};

// An SQLite file opened only for reading, as a source of books (a calibre library,
// another catalogue), the way openCatalogueFile opens every file: neither its
// triggers nor anything else of its own can run a write. While `stop` (when given)
// is set, every statement on it ends at once, however long it would still run.
// Throws Error when the file cannot be opened.
DatabaseHandle openSourceFile(const std::string& path, const std::atomic<bool>* stop);

// Whether `resultCode` is the end of a statement that `stop` asked for.
bool stoppedBy(int resultCode, const std::atomic<bool>* stop);

// A table of a source file whose rows are computed: a view, or a virtual table.
struct ComputedTable {
    std::string name; ///< as asked for
    bool view = false; ///< a view; else a virtual table
};

// The first of `names` that the file on `db` holds as a view or a virtual table
// (names compared without regard to letter case). A name the file lacks is left to
// the statement that reads it, and so is a file whose list of tables cannot be read.
std::optional<ComputedTable> firstComputedTable(sqlite3* db, const std::vector<std::string>& names);

// The rows of one query on a source file, all read in one read transaction, so the
// books are those of the moment the reading began. For the catalogue's readers of
// other programs' files (calibrebooks.*, sourcecatalogue.*).
class SourceRows {
public:
    // Begins the read transaction and readies `query`. Throws SourceReadError.
    SourceRows(sqlite3* db, std::string_view query, const std::atomic<bool>* stop);

    // Moves to the next row; false after the last. Throws SourceReadError.
    bool next();

    bool isNull(int column) const;
    // The column's value as text, the engine converting a number; none for NULL.
    std::optional<std::string> text(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    // The column's value as text (none for NULL), and, when the file holds a
    // number or bytes there, that value as held, in `held` (left as it is for a
    // text or NULL): one look at the column for both, read before the text,
    // since reading the text converts the engine's value.
    std::optional<std::string> textAndHeld(int column, Value& held) const;

private:
    [[noreturn]] void fail(int resultCode) const;

    sqlite3* m_db;
    const std::atomic<bool>* m_stop;
    StatementHandle m_statement;
};

} // namespace catalogue
