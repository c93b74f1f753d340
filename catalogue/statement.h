#pragma once

#include "sqlitehandles.h"
#include "value.h"

#include <cstdint>
#include <string_view>

namespace catalogue {

// One prepared statement on an open database. It lives only as long as the
// operation that made it and dies before its connection.
class Statement {
public:
    // Throws Error when the engine refuses the text.
    Statement(sqlite3* db, std::string_view sql);

    void bind(int index, const Value& value);
    // True while a row is ready, false once the statement has run to its end.
    // Throws Error on any engine failure (see stepChecked).
    bool step();
    // Runs a statement that writes and returns no rows. Throws Error, as step does,
    // and also when it wrote no row at all: a trigger's RAISE(IGNORE) leaves the row
    // out without any error, and what follows must not take it as written.
    void writeRows();
    // Makes the statement ready to run again with new values.
    void reset();
    sqlite3_stmt* handle() const { return m_stmt.get(); }

private:
    sqlite3* m_db;
    StatementHandle m_stmt;
};

// Whether the engine copies a bound text or blob, or reads it where it lies until
// the statement is reset or finalized (the caller keeps it alive that long).
enum class BoundBytes { Copied, Kept };

// Binds `value` to parameter `index` of `statement`; returns the engine's result
// code. The one place where a Value becomes a parameter.
int bindValue(sqlite3_stmt* statement, int index, const Value& value, BoundBytes bytes = BoundBytes::Copied);

// Column `column` of the row `statement` is on, as the engine holds it.
Value columnValue(sqlite3_stmt* statement, int column);

// One step of `statement`: SQLITE_ROW, SQLITE_DONE or the engine's failure code,
// for a caller that tells failures apart itself. Throws Error (TransactionEnded)
// when a write ended the transaction it ran in: another program's trigger may
// RAISE(ROLLBACK), which takes back everything written so far and leaves the
// connection writing each later statement straight to the file. Every step of
// the program goes through here, so no writer can go on after that.
int stepChecked(sqlite3_stmt* statement);

// Rows the last INSERT, UPDATE or DELETE on `db` really changed (a trigger's
// RAISE(IGNORE) leaves its row out of the count).
std::int64_t rowsChanged(sqlite3* db);

// Runs statements that return no rows (BEGIN, COMMIT, PRAGMA settings).
// Throws Error on failure.
void execute(sqlite3* db, const char* sql);

} // namespace catalogue
