#include "testcatalogue.h"

#include "sqlitehandles.h"
#include "sqltext.h"

#include <stdexcept>
#include <sqlite3.h>

const std::vector<TestCatalogue::Book> TestCatalogue::sampleBooks = {
    {"Alessandro Manzoni", "I promessi sposi", "Romanzo storico"},
    {"Gabriele D'Annunzio", "Il piacere", "Romanzo"},
    {"Luigi Pirandello", "Il fu Mattia Pascal", "Romanzo"},
    {"Dante Alighieri", "La Divina Commedia", "Poema"},
    {"Gabriele D'Annunzio", "Alcyone", "Poesia"},
};

namespace {

catalogue::DatabaseHandle openCreating(const std::string& path)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    catalogue::DatabaseHandle db(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot open " + path);
    sqlite3_busy_timeout(db.get(), 5000);
    return db;
}

} // namespace

namespace {

std::shared_ptr<catalogue::Recordset> openOn(const std::string& path, const std::string& sql,
                                             catalogue::LockType lock, const catalogue::ExactSearch* search)
{
    auto connection = std::make_shared<catalogue::Connection>();
    connection->setProvider("microsoft.jet.oledb.4.0");
    connection->setConnectionString(path);
    connection->open();
    auto recordset = std::make_shared<catalogue::Recordset>();
    recordset->setLockType(lock);
    recordset->setCursorLocation(catalogue::CursorLocation::Client);
    recordset->setSource(sql);
    if (search)
        recordset->setSearch(*search);
    recordset->setActiveConnection(connection);
    recordset->open();
    return recordset;
}

} // namespace

std::shared_ptr<catalogue::Recordset> openRecordset(const std::string& path, const std::string& sql,
                                                    catalogue::LockType lock)
{
    return openOn(path, sql, lock, nullptr);
}

std::shared_ptr<catalogue::Recordset> openSearch(const std::string& path, const catalogue::ExactSearch& search)
{
    const std::string sql = "select * from " + search.table + " where " + search.column + "='" +
                            catalogue::quotedTextBody(search.answer) + "';";
    return openOn(path, sql, catalogue::LockType::Optimistic, &search);
}

TestCatalogue::TestCatalogue(const std::vector<Book>& books)
{
    exec("CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT COLLATE NOCASE, "
         "titolo TEXT COLLATE NOCASE, genere TEXT COLLATE NOCASE);"
         "CREATE INDEX dorvi_autore ON dorvi (autore);"
         "CREATE INDEX dorvi_titolo ON dorvi (titolo);"
         "CREATE INDEX dorvi_genere ON dorvi (genere);");
    auto db = openCreating(path());
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db.get(), "INSERT INTO dorvi (autore, titolo, genere) VALUES (?, ?, ?)", -1, &raw, nullptr);
    catalogue::StatementHandle insert(raw);
    for (const Book& book : books) {
        sqlite3_bind_text(raw, 1, book.autore.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(raw, 2, book.titolo.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(raw, 3, book.genere.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(raw) != SQLITE_DONE)
            throw std::runtime_error("cannot insert a test book");
        sqlite3_reset(raw);
    }
}

std::string TestCatalogue::path() const
{
    return (m_dir.path() + QStringLiteral("/dorvi.mdb")).toStdString();
}

void TestCatalogue::exec(const std::string& sql) const
{
    auto db = openCreating(path());
    char* error = nullptr;
    if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(sql + ": " + message);
    }
}

void TestCatalogue::makeKeyTyped() const
{
    exec("CREATE TABLE typed (iddorvo INT PRIMARY KEY, autore TEXT COLLATE NOCASE, titolo TEXT COLLATE NOCASE, "
         "genere TEXT COLLATE NOCASE);"
         "INSERT INTO typed SELECT * FROM dorvi; DROP TABLE dorvi; ALTER TABLE typed RENAME TO dorvi;");
}

void TestCatalogue::refuse(const std::string& column, const std::string& literal) const
{
    for (const char* write : {"INSERT", "UPDATE"}) {
        exec(std::string("CREATE TRIGGER refuse_") + write + "_" + column + " BEFORE " + write +
             " ON dorvi WHEN NEW." + column + " IS " + literal + " BEGIN SELECT RAISE(ABORT, '" + column +
             " non ammesso'); END");
    }
}

std::vector<std::vector<std::string>> TestCatalogue::rows(const std::string& sql) const
{
    auto db = openCreating(path());
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(db.get()));
    catalogue::StatementHandle statement(raw);
    std::vector<std::vector<std::string>> result;
    while (sqlite3_step(raw) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < sqlite3_column_count(raw); ++c) {
            const auto* text = sqlite3_column_text(raw, c);
            row.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        result.push_back(std::move(row));
    }
    return result;
}

std::string TestCatalogue::scalar(const std::string& sql) const
{
    const auto result = rows(sql);
    if (result.empty() || result.front().empty())
        throw std::runtime_error(sql + ": no value");
    return result.front().front();
}

catalogue::DatabaseHandle openDatabase(const std::string& path, bool readOnly)
{
    sqlite3* raw = nullptr;
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(path.c_str(), &raw, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        raw = nullptr;
    }
    return catalogue::DatabaseHandle(raw);
}
