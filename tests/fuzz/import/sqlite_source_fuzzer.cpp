// Fuzzes the database sources, another catalogue and a calibre library, where a
// hostile file does its harm: in its schema. The input is the SQL that makes the
// file (tables, views, virtual tables, generated columns, triggers, odd types
// and values), run on a fresh file with its work bounded and no other file
// reachable; the import then recognises the file and reads every book. An input
// the engine refuses to run is of no interest; the import must end, with books
// or a refusal in Italian, as quickly as the file is small (libFuzzer's -timeout
// flags one that does not).
#include "fuzzfile.h"
#include "sourcekind.h"
#include "sqlitehandles.h"
#include "standardfields.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <sqlite3.h>

namespace {

// A million steps of the engine: tables of some thousands of rows at most.
constexpr int setupSteps = 1'000'000;

int tooLong(void* steps)
{
    return ++*static_cast<int*>(steps) > setupSteps / 1000;
}

// The file stays within some MB: its bound is not the input's to lift.
int keepBound(void*, int action, const char* name, const char*, const char*, const char*)
{
    const bool bound = action == SQLITE_PRAGMA && name &&
                       (sqlite3_stricmp(name, "max_page_count") == 0 || sqlite3_stricmp(name, "page_size") == 0);
    return bound ? SQLITE_DENY : SQLITE_OK;
}

// Makes the file from the input's SQL, as far as the engine runs it: what the
// statements before a refused one made stays.
void makeFile(const std::string& path, const std::string& sql)
{
    std::filesystem::remove(path);
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        fuzzfile::fail("cannot make", path);
    }
    const catalogue::DatabaseHandle db(raw);
    // Nothing but this file: no ATTACH, so no VACUUM INTO either.
    sqlite3_limit(db.get(), SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db.get(), SQLITE_LIMIT_LENGTH, 1 << 20);
    // No waiting on the disk: the file is made anew for every input.
    sqlite3_exec(db.get(), "PRAGMA page_size = 4096; PRAGMA max_page_count = 4096; PRAGMA synchronous = OFF; "
                           "PRAGMA journal_mode = MEMORY", nullptr, nullptr, nullptr);
    sqlite3_set_authorizer(db.get(), keepBound, nullptr);
    int steps = 0;
    sqlite3_progress_handler(db.get(), 1000, tooLong, &steps);
    sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr);
}

std::vector<std::string> catalogueColumns()
{
    std::vector<std::string> columns{"iddorvo", "autore", "titolo", "genere"};
    for (const catalogue::StandardField& field : catalogue::standardFields)
        columns.emplace_back(field.name);
    return columns;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<std::string> columns = catalogueColumns();
    static const std::string path = fuzzfile::write({}, ".db");
    const std::string sql(reinterpret_cast<const char*>(data), size);
    if (sql.find('\0') != std::string::npos)
        return 0;
    makeFile(path, sql);
    try {
        const bookimport::RecognisedSource recognised = bookimport::recogniseSource(path);
        if (recognised.kind != bookimport::SourceKind::Catalogue && recognised.kind != bookimport::SourceKind::Calibre)
            fuzzfile::fail("an SQLite file recognised as something else:", sql);
        const std::unique_ptr<bookimport::BookSource> source = bookimport::openSource(recognised, columns, {});
        fuzzfile::readAll(*source, std::size_t{1} << 30, false);
    } catch (const catalogue::Error&) {
    }
    return 0;
}
