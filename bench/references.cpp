// The floors the commands are measured against: the same statements through the
// bare SQLite C API, with nothing of ours in the way.
#include "references.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdexcept>
#include <sqlite3.h>

using catalogue::DatabaseHandle;
using catalogue::StatementHandle;

namespace bench {

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    throw std::runtime_error(what + ": " + sqlite3_errmsg(db));
}

StatementHandle prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1, &raw, nullptr) != SQLITE_OK)
        fail(db, sql);
    return StatementHandle(raw);
}

void execute(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db, sql);
}

void checkDone(sqlite3* db, int step, const std::string& sql)
{
    if (step != SQLITE_DONE)
        fail(db, sql);
}

} // namespace

DatabaseHandle openBare(const std::string& path)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    DatabaseHandle db(raw);
    if (rc != SQLITE_OK)
        fail(db.get(), path);
    return db;
}

DatabaseHandle openBareForWriting(const std::string& path)
{
    DatabaseHandle db = openBare(path);
    execute(db.get(), "PRAGMA journal_mode=DELETE");
    execute(db.get(), "PRAGMA synchronous=FULL");
    return db;
}

void writeInTransaction(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& bind)
{
    execute(db, "BEGIN IMMEDIATE");
    StatementHandle stmt = prepare(db, sql);
    bind(stmt.get());
    const int step = sqlite3_step(stmt.get());
    stmt.reset();
    if (step != SQLITE_DONE) {
        execute(db, "ROLLBACK");
        fail(db, sql);
    }
    execute(db, "COMMIT");
}

ResultSize stepEveryColumn(sqlite3* db, const std::string& sql)
{
    StatementHandle stmt = prepare(db, sql);
    const int columns = sqlite3_column_count(stmt.get());
    ResultSize size;
    std::uint64_t mix = 0;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        ++size.rows;
        for (int c = 0; c < columns; ++c) {
            sqlite3_value* value = sqlite3_column_value(stmt.get(), c);
            switch (sqlite3_value_type(value)) {
            case SQLITE_INTEGER:
                mix += static_cast<std::uint64_t>(sqlite3_value_int64(value));
                size.valueBytes += 8;
                break;
            case SQLITE_FLOAT:
                mix += static_cast<std::uint64_t>(sqlite3_value_double(value));
                size.valueBytes += 8;
                break;
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                const auto* bytes = static_cast<const unsigned char*>(sqlite3_value_blob(value));
                const int length = sqlite3_value_bytes(value);
                mix += length ? bytes[0] : 0;
                size.valueBytes += static_cast<std::size_t>(length);
                break;
            }
            default:
                break;
            }
        }
    }
    checkDone(db, step, sql);
    size.cells = size.rows * static_cast<std::size_t>(columns);
    benchmark::DoNotOptimize(mix);
    return size;
}

CompactRows fetchCompact(sqlite3* db, const std::string& sql, const ResultSize& reserve)
{
    StatementHandle stmt = prepare(db, sql);
    const int columns = sqlite3_column_count(stmt.get());
    CompactRows rows;
    rows.bytes.reserve(reserve.valueBytes);
    rows.ends.reserve(reserve.cells);
    const auto append = [&rows](const void* data, std::size_t length) {
        const auto* bytes = static_cast<const char*>(data);
        rows.bytes.insert(rows.bytes.end(), bytes, bytes + length);
        rows.ends.push_back(static_cast<std::uint32_t>(rows.bytes.size()));
    };
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        ++rows.rows;
        for (int c = 0; c < columns; ++c) {
            sqlite3_value* value = sqlite3_column_value(stmt.get(), c);
            switch (sqlite3_value_type(value)) {
            case SQLITE_INTEGER: {
                const std::int64_t number = sqlite3_value_int64(value);
                append(&number, sizeof number);
                break;
            }
            case SQLITE_FLOAT: {
                const double number = sqlite3_value_double(value);
                append(&number, sizeof number);
                break;
            }
            case SQLITE_TEXT:
            case SQLITE_BLOB:
                append(sqlite3_value_blob(value), static_cast<std::size_t>(sqlite3_value_bytes(value)));
                break;
            default:
                append(nullptr, 0);
                break;
            }
        }
    }
    checkDone(db, step, sql);
    return rows;
}

std::size_t heapInUse()
{
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

} // namespace bench
