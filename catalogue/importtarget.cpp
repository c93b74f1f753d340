// The catalogue an import writes into: opened with a large page cache, a new one
// made with its table and indexes, the last book before the import found.
#include "importtarget.h"

#include "engineerror.h"
#include "standardfields.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

void executeScript(sqlite3* db, const std::string& sql)
{
    if (const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); rc != SQLITE_OK)
        throw engineError(db, rc);
}

} // namespace

DatabaseHandle openImportTarget(const std::string& path, OpenMode mode)
{
    DatabaseHandle db = openCatalogueFile(path, mode);
    // A fixed 64 MiB, whatever the source's size.
    execute(db.get(), "PRAGMA cache_size = -65536");
    return db;
}

std::int64_t lastBookRow(sqlite3* db)
{
    Statement last(db, "SELECT max(rowid) FROM dorvi");
    last.step();
    return sqlite3_column_int64(last.handle(), 0);
}

std::string newCatalogueTable()
{
    std::string sql = "CREATE TABLE dorvi (\n    iddorvo INTEGER PRIMARY KEY,\n    autore TEXT COLLATE NOCASE,\n"
                      "    titolo TEXT COLLATE NOCASE,\n    genere TEXT COLLATE NOCASE";
    for (const StandardField& field : standardFields)
        sql += ",\n    " + std::string(field.name) + " " + std::string(field.type);
    return sql + "\n);\n";
}

std::string newCatalogueIndexes()
{
    return "CREATE INDEX dorvi_autore ON dorvi (autore);\n"
           "CREATE INDEX dorvi_titolo ON dorvi (titolo);\n"
           "CREATE INDEX dorvi_genere ON dorvi (genere);\n";
}

void createBooksTable(sqlite3* db)
{
    executeScript(db, newCatalogueTable());
}

void createBooksIndexes(sqlite3* db)
{
    executeScript(db, newCatalogueIndexes());
}

void runScriptAsOne(sqlite3* db, const std::string& script)
{
    const std::string wrapped = "BEGIN;\n" + script + "\nCOMMIT;";
    if (const int rc = sqlite3_exec(db, wrapped.c_str(), nullptr, nullptr, nullptr); rc != SQLITE_OK) {
        // The statements before the failed one are still in the open transaction.
        Error failure = engineError(db, rc);
        if (!sqlite3_get_autocommit(db))
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw failure;
    }
}

} // namespace catalogue
