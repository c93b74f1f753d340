// Every connection the program opens, whichever part of it opens one: the same
// wait for another program's lock, a double-quoted name read as a name only, the
// letter rule known, and a file opened for reading never made when missing.
#include "bookimport.h"
#include "connection.h"
#include "error.h"
#include "fieldcounts.h"
#include "opening.h"
#include "partedscan.h"
#include "readonlysource.h"
#include "testcatalogue.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace {

// What a connection is like, as its statements find it.
struct ConnectionTraits {
    int lockWaitMs = -1;
    bool quotedNameRefused = false; ///< SELECT "nosuchcolumn" fails instead of yielding a text
    bool knowsLetterRule = false;

    bool operator==(const ConnectionTraits&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ConnectionTraits& traits)
{
    return out << "{attesa " << traits.lockWaitMs << " ms, nome ignoto rifiutato " << traits.quotedNameRefused
               << ", same_letters " << traits.knowsLetterRule << "}";
}

bool prepares(sqlite3* db, const char* sql)
{
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    const catalogue::StatementHandle statement(raw);
    return rc == SQLITE_OK;
}

ConnectionTraits traitsOf(sqlite3* db)
{
    ConnectionTraits traits;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA busy_timeout", -1, &raw, nullptr) == SQLITE_OK) {
        const catalogue::StatementHandle statement(raw);
        if (sqlite3_step(raw) == SQLITE_ROW)
            traits.lockWaitMs = sqlite3_column_int(raw, 0);
    }
    traits.quotedNameRefused = !prepares(db, "SELECT \"nosuchcolumn\" FROM dorvi");
    traits.knowsLetterRule = prepares(db, "SELECT same_letters('Città', 'CITTÀ')");
    return traits;
}

const ConnectionTraits programWay{catalogue::lockWaitMs, true, true};

std::string writeFile(const QString& folder, const std::string& name, const std::string& text)
{
    const std::string path = folder.toStdString() + "/" + name;
    std::ofstream(path) << text;
    return path;
}

} // namespace

TEST(Opening, EveryConnectionOfTheProgramIsOpenedTheSameWay)
{
    TestCatalogue file({{"A", "Uno", "G"}, {"B", "Due", "G"}, {"C", "Tre", "G"}, {"D", "Quattro", "G"}});

    catalogue::Connection window;
    window.setProvider(catalogue::Connection::catalogueProvider);
    window.setConnectionString(file.path());
    window.open();
    EXPECT_EQ(traitsOf(window.handle()), programWay) << "la finestra";

    std::optional<ConnectionTraits> import;
    bookimport::ImportOptions options;
    options.beforeCommit = [&](sqlite3* db, std::int64_t) { import = traitsOf(db); };
    bookimport::importIntoCatalogue(writeFile(file.folder(), "libri.csv", "titolo;autore\nCinque;E\n"), file.path(),
                                    options);
    ASSERT_TRUE(import);
    EXPECT_EQ(*import, programWay) << "l'importazione";

    const catalogue::DatabaseHandle source = bookimport::openReadOnlySource(file.path(), "illeggibile");
    EXPECT_EQ(traitsOf(source.get()), programWay) << "la fonte di un'importazione";

    const catalogue::PartedScan scan(window.handle(), 1, 2);
    ASSERT_EQ(scan.parts(), 2u);
    std::vector<ConnectionTraits> parts(scan.parts());
    scan.run([&](sqlite3* db, const std::string&, std::size_t part) { parts[part] = traitsOf(db); });
    EXPECT_EQ(parts[0], programWay) << "la prima parte di una lettura divisa";
    EXPECT_EQ(parts[1], programWay) << "la seconda parte di una lettura divisa";

    for (const catalogue::OpenMode mode : {catalogue::OpenMode::ReadOnly, catalogue::OpenMode::ReadWrite,
                                           catalogue::OpenMode::Create}) {
        const catalogue::DatabaseHandle db = catalogue::openCatalogueFile(file.path(), mode);
        EXPECT_EQ(traitsOf(db.get()), programWay) << "modo " << static_cast<int>(mode);
    }
}

// A column misspelt or removed by another program meanwhile is a missing column,
// not a text shown in every book.
TEST(Opening, AQuotedNameTheCatalogueLacksIsAMissingColumn)
{
    TestCatalogue file;
    try {
        openRecordset(file.path(), "SELECT \"nosuchcolumn\" FROM dorvi;");
        ADD_FAILURE() << "il nome di un campo che non c'è è stato letto come un testo";
    } catch (const catalogue::Error& error) {
        EXPECT_EQ(error.number(), catalogue::ErrorNumber::ColumnMissing);
    }
    EXPECT_EQ(catalogue::countValuesOf(file.path(), {"nosuchcolumn"}, std::stop_token()), std::nullopt);
}

// A trigger or a view another program wrote under the old rule keeps working: the
// program's writes still reach the file, and the view still reads. The counts,
// which read the table alone, stay strict on such a file too.
TEST(Opening, TheFilesOwnTriggersAndViewsKeepTheRuleTheyWereWrittenFor)
{
    TestCatalogue file;
    file.exec("ALTER TABLE dorvi ADD COLUMN note TEXT");
    file.exec("CREATE TRIGGER segna AFTER INSERT ON dorvi BEGIN "
              "UPDATE dorvi SET note = \"dal trigger\" WHERE iddorvo = NEW.iddorvo; END");
    file.exec("CREATE VIEW vista AS SELECT \"in vista\" AS origine, titolo FROM dorvi");

    const catalogue::DatabaseHandle db = catalogue::openCatalogueFile(file.path(), catalogue::OpenMode::ReadWrite);
    char* message = nullptr;
    const int rc = sqlite3_exec(db.get(), "INSERT INTO dorvi (titolo) VALUES ('Nuovo')", nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    EXPECT_EQ(file.scalar("SELECT note FROM dorvi WHERE titolo = 'Nuovo'"), "dal trigger");
    EXPECT_TRUE(prepares(db.get(), "SELECT origine FROM vista"));

    EXPECT_EQ(catalogue::countValuesOf(file.path(), {"nosuchcolumn"}, std::stop_token()), std::nullopt);
    const auto counts = catalogue::countValuesOf(file.path(), {"note"}, std::stop_token());
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->at(0), 1);
}

// Opening for reading, or for writing an existing file, never makes a file: a
// missing catalogue or source is refused and the folder stays as it was.
TEST(Opening, OnlyCreatingMakesAFile)
{
    QTemporaryDir folder;
    const std::string missing = folder.path().toStdString() + "/manca.db";
    for (const catalogue::OpenMode mode : {catalogue::OpenMode::ReadOnly, catalogue::OpenMode::ReadWrite}) {
        EXPECT_THROW(catalogue::openCatalogueFile(missing, mode), catalogue::Error) << static_cast<int>(mode);
        EXPECT_FALSE(std::filesystem::exists(missing)) << static_cast<int>(mode);
    }
    EXPECT_THROW(bookimport::openReadOnlySource(missing, "La fonte manca."), catalogue::Error);
    EXPECT_FALSE(std::filesystem::exists(missing));

    const catalogue::DatabaseHandle made = catalogue::openCatalogueFile(missing, catalogue::OpenMode::Create);
    EXPECT_TRUE(std::filesystem::exists(missing));
    EXPECT_TRUE(prepares(made.get(), "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY)"));

    TestCatalogue file;
    const catalogue::DatabaseHandle reader = catalogue::openCatalogueFile(file.path(), catalogue::OpenMode::ReadOnly);
    EXPECT_EQ(sqlite3_exec(reader.get(), "DELETE FROM dorvi", nullptr, nullptr, nullptr) & 0xff, SQLITE_READONLY);
    EXPECT_EQ(file.scalar("SELECT count(*) FROM dorvi"), "5");
}
