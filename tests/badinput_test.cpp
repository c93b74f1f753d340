// Trying to break the program: catalogue files that are not what they should be,
// search answers that try to be more than a value, values the file refuses, and a
// second program writing the same file. Nothing may crash, nothing may be lost,
// and the user is always told what happened in words that name the file.
#include "datagrid.h"
#include "jettestdata.h"
#include "windowonfakes.h"
#include "frmdorvi.h"
#include "recordset.h"
#include "testcatalogue.h"

#include <QAction>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <sqlite3.h>

using catalogue::ErrorNumber;
namespace fs = std::filesystem;

namespace {

QByteArray fileDigest(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void writeFile(const std::string& path, const QByteArray& bytes)
{
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Real Access files kept with the importer's tests.
const fs::path jetSamples = jetTestData();

struct BadFile {
    const char* name;
    std::function<void(const TestCatalogue&)> spoil;
    ErrorNumber expected;
};

// Each spoils the catalogue of a working folder in its own way.
std::vector<BadFile> badFiles()
{
    return {
        {"missing", [](const TestCatalogue& c) { fs::remove(c.path()); }, ErrorNumber::FileNotFound},
        {"empty", [](const TestCatalogue& c) { writeFile(c.path(), {}); }, ErrorNumber::NotADatabase},
        {"random_bytes",
         [](const TestCatalogue& c) {
             std::mt19937 random(7);
             QByteArray bytes(65536, '\0');
             for (char& byte : bytes)
                 byte = static_cast<char>(random());
             writeFile(c.path(), bytes);
         },
         ErrorNumber::NotADatabase},
        {"text_file", [](const TestCatalogue& c) { writeFile(c.path(), "autore;titolo\nManzoni;I promessi sposi\n"); },
         ErrorNumber::NotADatabase},
        {"directory",
         [](const TestCatalogue& c) {
             fs::remove(c.path());
             fs::create_directory(c.path());
         },
         ErrorNumber::NotADatabase},
        {"no_table_dorvi", [](const TestCatalogue& c) { c.exec("ALTER TABLE dorvi RENAME TO libri"); },
         ErrorNumber::TableMissing},
        {"truncated",
         [](const TestCatalogue& c) {
             c.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) "
                    "INSERT INTO dorvi (autore, titolo) SELECT 'Autore ' || i, 'Titolo ' || i FROM n");
             writeFile(c.path(), readFile(c.path()).left(60000));
         },
         ErrorNumber::Corrupt},
        {"access_file",
         [](const TestCatalogue& c) {
             fs::copy_file(jetSamples / "testV1997.mdb", c.path(), fs::copy_options::overwrite_existing);
         },
         ErrorNumber::AccessFile},
    };
}

class BadCatalogue : public ::testing::TestWithParam<BadFile>, public WindowOnFakes {};

} // namespace

TEST_P(BadCatalogue, IsReportedWithItsPathAndMendedWithoutRestart)
{
    const BadFile bad = GetParam();
    if (std::string(bad.name) == "access_file") {
        SKIP_WITHOUT_JET_FILES();
        ASSERT_TRUE(fs::exists(jetSamples / "testV1997.mdb")) << "test file missing from " << jetSamples.string();
    }
    const QByteArray good = readFile(catalogue.path());
    bad.spoil(catalogue);
    const QByteArray before = fileDigest(catalogue.path());

    for (const char* item : {"mnuall", "mnutot", "mnuop"}) {
        trigger(item);
        ASSERT_EQ(services.errors.size(), 1u) << item;
        const catalogue::Error error = services.errors.front();
        EXPECT_EQ(error.number(), bad.expected) << error.description();
        EXPECT_NE(error.description().find(catalogue.path()), std::string::npos) << error.description();
        services.errors.clear();
    }
    EXPECT_EQ(fileDigest(catalogue.path()), before) << "the bad file is left as it was";
    if (bad.expected == ErrorNumber::FileNotFound) {
        EXPECT_FALSE(fs::exists(catalogue.path())) << "no catalogue is ever created";
    }
    EXPECT_EQ(grid.dataSource, nullptr);

    // Put right, the same running program works again.
    fs::remove_all(catalogue.path());
    writeFile(catalogue.path(), good);
    trigger("mnuall");
    EXPECT_TRUE(services.errors.empty());
    ASSERT_NE(grid.dataSource, nullptr);
    EXPECT_EQ(grid.dataSource->rowCount(), 5u);
}

INSTANTIATE_TEST_SUITE_P(EachKind, BadCatalogue, ::testing::ValuesIn(badFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BadCatalogueMessages, AccessFileNamesTheImporter)
{
    SKIP_WITHOUT_JET_FILES();
    ASSERT_TRUE(fs::exists(jetSamples / "testAccess2_2000.mdb")) << "test file missing from " << jetSamples.string();
    WindowOnFakes w;
    fs::copy_file(jetSamples / "testAccess2_2000.mdb", w.catalogue.path(), fs::copy_options::overwrite_existing);
    try {
        w.window.mnuall_Click();
        FAIL() << "an Access file opened";
    } catch (const catalogue::Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::AccessFile);
        EXPECT_NE(error.description().find("Access"), std::string::npos);
        EXPECT_NE(error.description().find("dorvi-import " + w.catalogue.path()), std::string::npos);
    }
}

TEST(BadCatalogueMessages, MissingSearchedColumnIsNamed)
{
    WindowOnFakes w;
    w.catalogue.exec("DROP INDEX dorvi_genere; ALTER TABLE dorvi DROP COLUMN genere");
    w.services.promptAnswers = {"Poema", "Dante Alighieri"};
    w.trigger("mnugen");
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_EQ(w.services.errors[0].number(), ErrorNumber::ColumnMissing);
    EXPECT_NE(w.services.errors[0].description().find("«genere»"), std::string::npos);
    w.trigger("mnuaut");
    EXPECT_EQ(w.services.errors.size(), 1u) << "the other searches still work";
    EXPECT_EQ(w.grid.dataSource->rowCount(), 1u);
}

// Another program's file whose books are a view calling fts3_tokenizer(), which
// the engine refuses to run from a file (it can make the engine call any
// address): the message names the function and says the program does not allow it.
TEST(BadCatalogueMessages, AFunctionTheProgramDoesNotAllowIsNamed)
{
    WindowOnFakes w;
    w.catalogue.exec("ALTER TABLE dorvi RENAME TO libri; "
                     "CREATE VIEW dorvi AS SELECT *, fts3_tokenizer('simple') AS t FROM libri");
    w.trigger("mnuop");
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_EQ(w.services.errors[0].number(), ErrorNumber::StatementRefused);
    const std::string& told = w.services.errors[0].description();
    EXPECT_NE(told.find("una funzione che il programma non permette, «fts3_tokenizer()»"), std::string::npos) << told;
    EXPECT_NE(told.find(w.catalogue.path()), std::string::npos) << told;
}

TEST(BadCatalogueMessages, LockedFileIsReportedAfterTheWait)
{
    WindowOnFakes w;
    // Another program holds the file locked for writing past our wait.
    catalogue::DatabaseHandle other = openDatabase(w.catalogue.path());
    ASSERT_TRUE(other);
    ASSERT_EQ(sqlite3_exec(other.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    w.trigger("mnuall");
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_EQ(w.services.errors[0].number(), ErrorNumber::Locked);
    EXPECT_NE(w.services.errors[0].description().find(w.catalogue.path()), std::string::npos);

    sqlite3_exec(other.get(), "COMMIT", nullptr, nullptr, nullptr);
    w.trigger("mnuall");
    EXPECT_EQ(w.services.errors.size(), 1u);
    EXPECT_EQ(w.grid.dataSource->rowCount(), 5u);
}

// Search answers that look like SQL, or are merely unusual, are values and nothing else.
class HostileAnswer : public ::testing::TestWithParam<std::pair<const char*, std::string>> {};

TEST_P(HostileAnswer, FindsExactlyTheEqualRowsAndChangesNothing)
{
    const std::string answer = GetParam().second;
    WindowOnFakes w({{answer, "Il bersaglio", "Prova"},
                     {answer + "x", "Quasi", "Prova"},
                     {"x" + answer, "Quasi", "Prova"},
                     {"Altro autore", "Altro", "Prova"}});
    const QByteArray before = fileDigest(w.catalogue.path());
    w.services.promptAnswers = {QString::fromStdString(answer)};
    w.trigger("mnuaut");

    ASSERT_TRUE(w.services.errors.empty()) << w.services.errors[0].description();
    ASSERT_NE(w.grid.dataSource, nullptr);
    ASSERT_EQ(w.grid.dataSource->rowCount(), 1u);
    EXPECT_EQ(std::get<std::string>(w.grid.dataSource->value(0, 1)), answer);
    EXPECT_EQ(std::get<std::string>(w.grid.dataSource->value(0, 2)), "Il bersaglio");
    EXPECT_EQ(fileDigest(w.catalogue.path()), before);
    EXPECT_EQ(w.catalogue.scalar("select count(*) from dorvi"), "4");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, HostileAnswer,
    ::testing::Values(std::pair{"apostrophe", std::string("Gabriele D'Annunzio")},
                      std::pair{"quotes_only", std::string("''")},
                      std::pair{"closing_the_literal", std::string("x' OR '1'='1")},
                      std::pair{"second_statement", std::string("x'; DELETE FROM dorvi; --")},
                      std::pair{"double_quotes", std::string("\"Il \"\"vate\"\"\"")},
                      std::pair{"semicolons", std::string(";;;")},
                      std::pair{"comment", std::string("-- /* */")},
                      std::pair{"like_wildcards", std::string("%_%")},
                      std::pair{"backslashes", std::string("C:\\dorvi\\'\\")},
                      std::pair{"control_characters", std::string("a\tb\nc\x01\x1f")},
                      std::pair{"emoji_and_accents", std::string("Èlite ça già 📚👍🏽")},
                      std::pair{"spaces", std::string("   ")},
                      std::pair{"very_long", std::string(100000, 'a') + "'" + std::string(10, 'z')}),
    [](const auto& info) { return std::string(info.param.first); });

TEST(HostileAnswers, NulCharacterIsRefusedClearly)
{
    WindowOnFakes w;
    w.services.promptAnswers = {QString::fromUtf8("Dante\0' OR 1=1 --", 17)};
    w.trigger("mnuaut");
    ASSERT_EQ(w.services.errors.size(), 1u);
    EXPECT_EQ(w.services.errors[0].number(), ErrorNumber::InputError);
    EXPECT_EQ(w.grid.dataSource, nullptr);
}

// Values the file refuses while editing: the user is told, and the grid shows what
// the file really holds.
class RefusedEdits : public ::testing::Test {
protected:
    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
    Frmdorvi window{services};
    DataGrid& grid = *window.findChild<DataGrid*>(QStringLiteral("DataGrid1"));

    void SetUp() override
    {
        // A key the user types, so that its refusals can be typed too.
        catalogue.makeKeyTyped();
        catalogue.exec("CREATE TRIGGER chiave_intera BEFORE UPDATE OF iddorvo ON dorvi "
                       "WHEN typeof(NEW.iddorvo) <> 'integer' BEGIN SELECT RAISE(ABORT, 'chiave non intera'); END;");
        catalogue.exec("CREATE TABLE vincoli AS SELECT 1;"
                       "CREATE UNIQUE INDEX titolo_unico ON dorvi (titolo);"
                       "CREATE TRIGGER genere_valido BEFORE UPDATE OF genere ON dorvi WHEN NEW.genere = 'Vietato' "
                       "BEGIN SELECT RAISE(ABORT, 'genere non ammesso'); END;");
        window.mnuop_Click();
    }
    QAbstractItemModel* model() const { return grid.model(); }
    // A new book is written when a command runs: it counts as written only if no
    // error was told.
    bool edit(int row, int column, const QString& value)
    {
        const std::size_t errors = services.errors.size();
        const bool written = model()->setData(model()->index(row, column), value);
        grid.commitPendingEdit();
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
        return written && services.errors.size() == errors;
    }
};

TEST_F(RefusedEdits, EachIsShownAndNothingHalfWrittenStays)
{
    const QByteArray before = fileDigest(catalogue.path());
    EXPECT_FALSE(edit(0, 0, "centouno")) << "text into the integer key";
    EXPECT_FALSE(edit(0, 0, "2")) << "a key another book has";
    EXPECT_FALSE(edit(0, 2, "Alcyone")) << "a title the unique index refuses";
    EXPECT_FALSE(edit(0, 3, "Vietato")) << "a value a rule of the file refuses";
    EXPECT_FALSE(edit(5, 2, "Il piacere")) << "a new book the unique index refuses";
    ASSERT_EQ(services.errors.size(), 5u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::ValueRefused);
    EXPECT_EQ(services.errors[1].number(), ErrorNumber::DuplicateKey);
    EXPECT_EQ(services.errors[2].number(), ErrorNumber::DuplicateKey);
    EXPECT_EQ(services.errors[3].number(), ErrorNumber::ValueRefused);
    EXPECT_EQ(fileDigest(catalogue.path()), before);
    EXPECT_EQ(model()->rowCount(), 6) << "no half-made book";
    EXPECT_EQ(model()->index(0, 0).data().toString(), "1");
    EXPECT_EQ(model()->index(0, 2).data().toString(), "I promessi sposi");
    EXPECT_EQ(model()->index(0, 3).data().toString(), "Romanzo storico");
}

TEST_F(RefusedEdits, VeryLongValueIsKeptWhole)
{
    const QString longTitle = QString(1000000, QLatin1Char('t')) + QStringLiteral("è'fine");
    EXPECT_TRUE(edit(1, 2, longTitle));
    EXPECT_EQ(QString::fromStdString(catalogue.scalar("select titolo from dorvi where iddorvo=2")), longTitle);
    EXPECT_EQ(model()->index(1, 2).data().toString(), longTitle);
}

// The sqlite3 shell stands in for a second program on the same catalogue.
class TwoPrograms : public RefusedEdits {
protected:
    // Runs `sql` in the shell, which gives up after 200 ms if the file is locked.
    bool otherProgram(const std::string& sql)
    {
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"),
                    {QStringLiteral("-cmd"), QStringLiteral(".timeout 200"), QString::fromStdString(catalogue.path()),
                     QString::fromStdString(sql)});
        return shell.waitForFinished(10000) && shell.exitStatus() == QProcess::NormalExit && shell.exitCode() == 0 &&
               shell.readAllStandardError().isEmpty();
    }
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty())
            GTEST_SKIP() << "the sqlite3 shell is not installed";
        RefusedEdits::SetUp();
    }
};

TEST_F(TwoPrograms, NeitherOverwritesTheOther)
{
    // While this program shows the rows for editing, the other writes at once.
    ASSERT_TRUE(otherProgram("UPDATE dorvi SET titolo='Il Piacere' WHERE iddorvo=2"));
    ASSERT_TRUE(otherProgram("DELETE FROM dorvi WHERE iddorvo=3"));

    EXPECT_FALSE(edit(1, 2, "Il piacere (1889)"));
    EXPECT_FALSE(edit(2, 3, "Romanzo psicologico"));
    ASSERT_EQ(services.errors.size(), 2u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::RowChanged);
    EXPECT_EQ(services.errors[1].number(), ErrorNumber::RowGone);
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=2"), "Il Piacere");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi where iddorvo=3"), "0") << "not brought back";
    EXPECT_EQ(model()->index(1, 2).data().toString(), "Il Piacere") << "the row is reloaded";
    EXPECT_EQ(model()->rowCount(), 5) << "four books and the new-row line";

    // A catalogue put in the place of the one read takes no edit meant for the old.
    const QString path = QString::fromStdString(catalogue.path());
    ASSERT_TRUE(QFile::copy(path, path + ".nuovo"));
    ASSERT_TRUE(QFile::remove(path) && QFile::rename(path + ".nuovo", path));
    EXPECT_FALSE(edit(0, 1, "Manzoni"));
    ASSERT_EQ(services.errors.size(), 3u);
    EXPECT_EQ(services.errors[2].number(), ErrorNumber::FileReplaced);
    window.mnuop_Click();

    // Our own writes in turn leave no lock behind.
    EXPECT_TRUE(edit(0, 3, "Classico"));
    ASSERT_TRUE(otherProgram("UPDATE dorvi SET genere='Romanzo' WHERE iddorvo=1"));
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=1"), "Romanzo");
}
