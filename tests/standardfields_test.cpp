// The standard fields added to catalogues: only the missing ones, in order, by
// ALTER TABLE alone, every book and every object of another program kept.
#include "error.h"
#include "sqlitehandles.h"
#include "standardfields.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sqlite3.h>

namespace fs = std::filesystem;

namespace {

class Catalogue {
public:
    explicit Catalogue(const std::string& sql)
    {
        std::string pattern = (fs::temp_directory_path() / "dorvi-fields-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp");
        m_folder = pattern;
        m_db = open();
        exec(sql);
    }
    ~Catalogue()
    {
        m_db.reset();
        std::error_code error;
        fs::remove_all(m_folder, error);
    }
    catalogue::DatabaseHandle open() const
    {
        sqlite3* raw = nullptr;
        sqlite3_open((m_folder / "dorvi.mdb").c_str(), &raw);
        return catalogue::DatabaseHandle(raw);
    }
    sqlite3* db() const { return m_db.get(); }
    void exec(const std::string& sql) const
    {
        ASSERT_EQ(sqlite3_exec(m_db.get(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(m_db.get());
    }
    std::string text(const std::string& sql) const
    {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(m_db.get(), sql.c_str(), -1, &raw, nullptr);
        catalogue::StatementHandle statement(raw);
        std::string all;
        while (sqlite3_step(raw) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(raw); ++c) {
                const auto* value = sqlite3_column_text(raw, c);
                all += std::string(value ? reinterpret_cast<const char*>(value) : "NULL") + "|";
            }
            all += "\n";
        }
        return all;
    }
    // Every column as "name TYPE".
    std::string columns() const { return text("SELECT name, type FROM pragma_table_info('dorvi')"); }

private:
    fs::path m_folder;
    catalogue::DatabaseHandle m_db;
};

std::string standardColumns()
{
    std::string all;
    for (const catalogue::StandardField& field : catalogue::standardFields)
        all += std::string(field.name) + "|" + std::string(field.type) + "|\n";
    return all;
}

const char* fourColumns = "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT COLLATE NOCASE, "
                          "titolo TEXT COLLATE NOCASE, genere TEXT COLLATE NOCASE);";

TEST(StandardFields, MissingOnesAreAddedInOrderAfterTheExistingColumns)
{
    Catalogue book(std::string(fourColumns) + "INSERT INTO dorvi VALUES (7, 'Italo Calvino', 'Palomar', NULL);");
    const std::vector<std::string> added = catalogue::addStandardColumns(book.db());
    EXPECT_EQ(added.size(), 14u);
    EXPECT_EQ(book.columns(), "iddorvo|INTEGER|\nautore|TEXT|\ntitolo|TEXT|\ngenere|TEXT|\n" + standardColumns());
    EXPECT_EQ(book.text("SELECT iddorvo, autore, titolo, genere, anno, note FROM dorvi"),
              "7|Italo Calvino|Palomar|NULL|NULL|NULL|\n");
    EXPECT_TRUE(catalogue::addStandardColumns(book.db()).empty()); // a second time adds nothing
}

TEST(StandardFields, ColumnsPresentInAnyCaseAndTheUsersOwnAreKept)
{
    Catalogue book(std::string(fourColumns) +
                   "ALTER TABLE dorvi ADD COLUMN ISBN TEXT; ALTER TABLE dorvi ADD COLUMN dedica TEXT;"
                   "ALTER TABLE dorvi ADD COLUMN Voto REAL;");
    const std::vector<std::string> added = catalogue::addStandardColumns(book.db());
    EXPECT_EQ(added.size(), 12u);
    EXPECT_EQ(std::count(added.begin(), added.end(), "isbn"), 0);
    const std::string columns = book.columns();
    EXPECT_EQ(columns.substr(0, columns.find("anno")),
              "iddorvo|INTEGER|\nautore|TEXT|\ntitolo|TEXT|\ngenere|TEXT|\nISBN|TEXT|\ndedica|TEXT|\nVoto|REAL|\n");
    EXPECT_NE(columns.find("anno|INTEGER|\neditore|TEXT|\ncollana|TEXT|\nnumero|NUMERIC|"), std::string::npos);
}

TEST(StandardFields, TheTableIsNeverRebuiltAndOtherProgramsObjectsStay)
{
    Catalogue book(std::string(fourColumns) +
                   "CREATE TABLE prestiti (libro INTEGER REFERENCES dorvi(iddorvo) ON DELETE CASCADE);"
                   "CREATE VIEW romanzi AS SELECT titolo FROM dorvi WHERE genere = 'Romanzo';"
                   "CREATE TRIGGER registra AFTER INSERT ON dorvi BEGIN INSERT INTO prestiti VALUES (new.iddorvo); END;"
                   "INSERT INTO dorvi VALUES (1, 'Grazia Deledda', 'Canne al vento', 'Romanzo');");
    book.exec("PRAGMA foreign_keys = ON");
    const std::string rootBefore = book.text("SELECT rootpage FROM sqlite_schema WHERE name = 'dorvi'");
    const std::string objectsBefore = book.text("SELECT name, sql FROM sqlite_schema WHERE name <> 'dorvi'");
    catalogue::addStandardColumns(book.db());
    // A copied table would have a new root page, and its rebuild would have fired the cascade.
    EXPECT_EQ(book.text("SELECT rootpage FROM sqlite_schema WHERE name = 'dorvi'"), rootBefore);
    EXPECT_EQ(book.text("SELECT name, sql FROM sqlite_schema WHERE name <> 'dorvi'"), objectsBefore);
    EXPECT_EQ(book.text("SELECT libro FROM prestiti"), "1|\n");
    EXPECT_EQ(book.text("SELECT * FROM romanzi"), "Canne al vento|\n");
}

TEST(StandardFields, AnotherProgramsLockLeavesTheCatalogueAsItWas)
{
    Catalogue book(fourColumns);
    const catalogue::DatabaseHandle other = book.open();
    ASSERT_EQ(sqlite3_exec(other.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_THROW(catalogue::addStandardColumns(book.db()), catalogue::Error);
    sqlite3_exec(other.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(book.columns(), "iddorvo|INTEGER|\nautore|TEXT|\ntitolo|TEXT|\ngenere|TEXT|\n");
}

TEST(StandardFields, InTheCallersTransactionARollbackTakesThemBack)
{
    Catalogue book(fourColumns);
    book.exec("BEGIN");
    EXPECT_EQ(catalogue::addStandardColumnsInTransaction(book.db()).size(), 14u);
    book.exec("ROLLBACK");
    EXPECT_EQ(book.columns(), "iddorvo|INTEGER|\nautore|TEXT|\ntitolo|TEXT|\ngenere|TEXT|\n");
}

TEST(StandardFields, TheStarterScriptHasEveryOneInOrder)
{
    std::ifstream in(STARTER_SQL);
    std::stringstream script;
    script << in.rdbuf();
    Catalogue starter(script.str());
    EXPECT_EQ(starter.columns(), "iddorvo|INTEGER|\nautore|TEXT|\ntitolo|TEXT|\ngenere|TEXT|\n" + standardColumns());
    EXPECT_EQ(starter.text("SELECT count(*) FROM dorvi WHERE anno IS NULL AND isbn IS NULL"), "46|\n");
    EXPECT_EQ(catalogue::findStandardField("Prestato_A")->name, "prestato_a");
    EXPECT_EQ(catalogue::findStandardField("dedica"), nullptr);
}

} // namespace
