// Other programs' SQLite files read as sources of books: opened read-only, bounded
// by the user's Annulla, read in one read transaction, and every failure told as
// the user's stop, another program's lock, or a file that cannot be read.
#include "sourcerows.h"

#include "opening.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

// About every 10,000 virtual machine steps, a fraction of a millisecond: Annulla
// ends a statement well within the window's 50 ms.
constexpr int stepsBetweenChecks = 10000;

int stopRequested(void* stop)
{
    return static_cast<const std::atomic<bool>*>(stop)->load(std::memory_order_relaxed) ? 1 : 0;
}

bool isBusy(int resultCode)
{
    return (resultCode & 0xFF) == SQLITE_BUSY || (resultCode & 0xFF) == SQLITE_LOCKED;
}

SourceTrouble troubleOf(int resultCode, const std::atomic<bool>* stop)
{
    if (stoppedBy(resultCode, stop))
        return SourceTrouble::Stopped;
    return isBusy(resultCode) ? SourceTrouble::Locked : SourceTrouble::Unreadable;
}

} // namespace

SourceReadError::SourceReadError(SourceTrouble trouble, int engineCode, const std::string& engineMessage)
    : Error(trouble == SourceTrouble::Locked ? ErrorNumber::Locked : ErrorNumber::Generic, engineMessage, engineCode,
            engineMessage),
      m_trouble(trouble)
{
}

DatabaseHandle openSourceFile(const std::string& path, const std::atomic<bool>* stop)
{
    DatabaseHandle db = openCatalogueFile(path, OpenMode::ReadOnly);
    if (stop)
        sqlite3_progress_handler(db.get(), stepsBetweenChecks, stopRequested, const_cast<std::atomic<bool>*>(stop));
    return db;
}

bool stoppedBy(int resultCode, const std::atomic<bool>* stop)
{
    return resultCode == SQLITE_INTERRUPT && stop && stop->load();
}

std::optional<ComputedTable> firstComputedTable(sqlite3* db, const std::vector<std::string>& names)
{
    sqlite3_stmt* raw = nullptr;
    const char* sql = "SELECT type, sql LIKE 'CREATE VIRTUAL%' FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE "
                      "AND type IN ('table', 'view')";
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        return std::nullopt;
    const StatementHandle statement(raw);
    for (const std::string& name : names) {
        sqlite3_reset(raw);
        sqlite3_bind_text(raw, 1, name.c_str(), -1, SQLITE_STATIC);
        if (sqlite3_step(raw) != SQLITE_ROW)
            continue;
        const std::string_view type = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
        if (type == "view" || sqlite3_column_int(raw, 1))
            return ComputedTable{name, type == "view"};
    }
    return std::nullopt;
}

SourceRows::SourceRows(sqlite3* db, std::string_view query, const std::atomic<bool>* stop)
    : m_db(db), m_stop(stop)
{
    if (const int rc = sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr); rc != SQLITE_OK)
        fail(rc);
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, query.data(), static_cast<int>(query.size()), &raw, nullptr);
    m_statement.reset(raw);
    if (rc != SQLITE_OK)
        fail(rc);
}

void SourceRows::fail(int resultCode) const
{
    throw SourceReadError(troubleOf(resultCode, m_stop), resultCode, sqlite3_errmsg(m_db));
}

bool SourceRows::next()
{
    const int rc = sqlite3_step(m_statement.get());
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        fail(rc);
    return true;
}

bool SourceRows::isNull(int column) const
{
    return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL;
}

std::optional<std::string> SourceRows::text(int column) const
{
    sqlite3_stmt* s = m_statement.get();
    if (sqlite3_column_type(s, column) == SQLITE_NULL)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, column)),
                       static_cast<std::size_t>(sqlite3_column_bytes(s, column)));
}

std::int64_t SourceRows::integer(int column) const
{
    return sqlite3_column_int64(m_statement.get(), column);
}

double SourceRows::real(int column) const
{
    return sqlite3_column_double(m_statement.get(), column);
}

std::optional<std::string> SourceRows::textAndHeld(int column, Value& held) const
{
    sqlite3_stmt* s = m_statement.get();
    const int type = sqlite3_column_type(s, column);
    if (type == SQLITE_NULL)
        return std::nullopt;
    if (type != SQLITE_TEXT)
        held = columnValue(s, column);
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, column)),
                       static_cast<std::size_t>(sqlite3_column_bytes(s, column)));
}

} // namespace catalogue
