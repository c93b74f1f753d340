// A prepared statement with its handle owned, values always bound as parameters,
// and every engine failure turned into the program's Error on the spot. A write
// that ends the transaction it runs in fails the whole change, wherever it runs.
#include "statement.h"

#include "columntext.h"
#include "engineerror.h"

#include <type_traits>
#include <sqlite3.h>

namespace catalogue {

namespace {

// The error of a write that ended its transaction, `resultCode` the write's own.
Error transactionEnded(sqlite3* db, int resultCode)
{
    // A full disk, a failed read or too little memory may also make the engine
    // roll back on its own: that cause is the one to tell.
    const bool failed = resultCode != SQLITE_DONE && resultCode != SQLITE_ROW;
    if (failed && (resultCode & 0xff) != SQLITE_CONSTRAINT)
        return engineError(db, resultCode);
    // A trigger's RAISE(ROLLBACK), or a rule of the table declared ON CONFLICT ROLLBACK.
    const std::string rule = resultCode == SQLITE_CONSTRAINT_TRIGGER || !failed
                                 ? "Una regola del catalogo (trigger di un altro programma)"
                                 : "Una regola del catalogo";
    const std::string reason = failed ? " con il motivo «" + std::string(sqlite3_errmsg(db)) + "»" : std::string();
    return Error(ErrorNumber::TransactionEnded,
                 rule + " ha annullato l'intera modifica" + reason + ": la modifica non è stata scritta.", resultCode,
                 sqlite3_errmsg(db));
}

} // namespace

Statement::Statement(sqlite3* db, std::string_view sql) : m_db(db)
{
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    m_stmt.reset(raw);
    if (rc != SQLITE_OK)
        throw engineError(db, rc);
}

int bindValue(sqlite3_stmt* stmt, int index, const Value& value, BoundBytes bytes)
{
    const sqlite3_destructor_type lifetime = bytes == BoundBytes::Kept ? SQLITE_STATIC : SQLITE_TRANSIENT;
    return std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return sqlite3_bind_null(stmt, index);
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return sqlite3_bind_int64(stmt, index, v);
            else if constexpr (std::is_same_v<T, double>)
                return sqlite3_bind_double(stmt, index, v);
            else if constexpr (std::is_same_v<T, std::string>)
                return sqlite3_bind_text64(stmt, index, v.data(), v.size(), lifetime, SQLITE_UTF8);
            else
                return sqlite3_bind_blob64(stmt, index, v.bytes.data(), v.bytes.size(), lifetime);
        },
        value);
}

void Statement::bind(int index, const Value& value)
{
    if (const int rc = bindValue(m_stmt.get(), index, value); rc != SQLITE_OK)
        throw engineError(m_db, rc);
}

int stepChecked(sqlite3_stmt* statement)
{
    sqlite3* db = sqlite3_db_handle(statement);
    const bool inTransaction = !sqlite3_get_autocommit(db);
    const int rc = sqlite3_step(statement);
    // COMMIT, ROLLBACK and RELEASE count as read-only: only a write that ended its
    // transaction is caught here.
    if (inTransaction && sqlite3_get_autocommit(db) && !sqlite3_stmt_readonly(statement))
        throw transactionEnded(db, rc);
    return rc;
}

std::int64_t rowsChanged(sqlite3* db)
{
    return sqlite3_changes64(db);
}

bool Statement::step()
{
    const int rc = stepChecked(m_stmt.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw engineError(m_db, rc);
}

void Statement::writeRows()
{
    while (step()) {
    }
    if (rowsChanged(m_db) == 0)
        throw Error(ErrorNumber::ValueRefused, "Una regola del catalogo (trigger di un altro programma) ha scartato "
                                               "la modifica senza dire perché: la modifica non è stata scritta.");
}

void Statement::reset()
{
    sqlite3_reset(m_stmt.get());
    sqlite3_clear_bindings(m_stmt.get());
}

void execute(sqlite3* db, const char* sql)
{
    Statement statement(db, sql);
    while (statement.step()) {
    }
}

Value columnValue(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER: return std::int64_t{sqlite3_column_int64(statement, column)};
    case SQLITE_FLOAT: return sqlite3_column_double(statement, column);
    case SQLITE_TEXT:
        return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                           static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
        return Blob{std::string(bytes, bytes + sqlite3_column_bytes(statement, column))};
    }
    default: return std::monostate{};
    }
}

std::optional<std::string_view> columnText(sqlite3_stmt* statement, int index)
{
    const unsigned char* text = sqlite3_column_text(statement, index);
    if (!text)
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(text),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, index)));
}

} // namespace catalogue
