#pragma once

#include "sqlitehandles.h"
#include "value.h"

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
    // Throws Error on any engine failure.
    bool step();
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

// Runs statements that return no rows (BEGIN, COMMIT, PRAGMA settings).
// Throws Error on failure.
void execute(sqlite3* db, const char* sql);

} // namespace catalogue
