// The catalogue's fields: their structure changes on plain files, the refusals
// (a name taken, an SQL word, another program's index, view or trigger, a locked
// file), the undo of a removal, the counts made in the background, and the "Campi"
// dialog driven through the window.
#include "columnview.h"
#include "fieldchanges.h"
#include "fieldcounting.h"
#include "fieldcounts.h"
#include "fieldhistory.h"
#include "fieldnames.h"
#include "fieldsdialog.h"
#include "history.h"
#include "recordset.h"
#include "sqlitehandles.h"
#include "windowonfakes.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <sqlite3.h>

using catalogue::Error;
using catalogue::ErrorNumber;
using catalogue::OwnKind;

namespace {

// The catalogue opened as the program opens it for a change.
struct Opened {
    explicit Opened(const TestCatalogue& catalogue)
    {
        EXPECT_EQ(sqlite3_open_v2(catalogue.path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        sqlite3_busy_timeout(db, 200);
    }
    ~Opened() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

std::vector<std::string> columns(const TestCatalogue& catalogue)
{
    std::vector<std::string> names;
    for (const auto& row : catalogue.rows("select name from pragma_table_info('dorvi')"))
        names.push_back(row[0]);
    return names;
}

bool hasColumn(const TestCatalogue& catalogue, const std::string& name)
{
    const auto names = columns(catalogue);
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The description of the error `change` throws, or "" when it throws none.
template <typename Change>
std::string refusal(Change change)
{
    try {
        change();
    } catch (const Error& error) {
        return error.description();
    }
    return {};
}

} // namespace

TEST(FieldNames, RefusesNamesTakenNotPlainOrWordsOfSql)
{
    const std::vector<std::string> existing{"iddorvo", "autore", "titolo", "genere", "Dedica"};
    EXPECT_FALSE(catalogue::refusedName("scaffale_2", existing));
    EXPECT_NE(catalogue::refusedName("dedica", existing)->find("già un campo «dedica» («Dedica»)"), std::string::npos);
    EXPECT_NE(catalogue::refusedName("AUTORE", existing)->find("già un campo"), std::string::npos);
    EXPECT_NE(catalogue::refusedName("select", existing)->find("parola riservata"), std::string::npos);
    EXPECT_NE(catalogue::refusedName("Order", existing)->find("parola riservata"), std::string::npos);
    EXPECT_NE(catalogue::refusedName("collocazione", existing)->find("campo standard"), std::string::npos);
    for (const char* bad : {"", "2volte", "_nota", "città", "nota libera", "nota-libera", "\"x\""})
        EXPECT_TRUE(catalogue::refusedName(bad, existing)) << bad;
    EXPECT_TRUE(catalogue::refusedName(std::string(65, 'a'), existing));
}

TEST(FieldNames, KindsReadFromStandardFieldsAndDeclaredTypes)
{
    EXPECT_EQ(catalogue::kindOfColumn("voto", "INTEGER"), "voto (stelle)");
    EXPECT_EQ(catalogue::kindOfColumn("prestato_il", "TEXT"), "data");
    for (OwnKind kind : catalogue::ownKinds)
        EXPECT_EQ(catalogue::kindOfColumn("mio", catalogue::declaredType(kind)), catalogue::kindName(kind));
    EXPECT_EQ(catalogue::kindOfColumn("x", ""), "testo");
    EXPECT_EQ(catalogue::kindOfColumn("x", "VARCHAR(20)"), "testo");
    EXPECT_EQ(catalogue::kindOfColumn("x", "REAL"), "numero");
}

TEST(FieldChanges, ListsFieldsWithTheBooksHoldingAValue)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN dedica TEXT; UPDATE dorvi SET dedica = '' WHERE iddorvo = 1;"
                   "UPDATE dorvi SET dedica = 'a Anna' WHERE iddorvo IN (2, 3);");
    Opened opened(catalogue);
    const auto fields = catalogue::listFields(opened.db);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_TRUE(fields[3].fixed);
    EXPECT_FALSE(fields[4].fixed);
    EXPECT_EQ(fields[4].name, "dedica");
    EXPECT_EQ(fields[4].kind, "testo");
    EXPECT_EQ(fields[4].valued, 2); // the empty text holds no value
    EXPECT_EQ(fields[1].valued, std::stoll(catalogue.scalar("select count(*) from dorvi")));
}

// Every column counted in one pass, on a connection of the counting's own that a
// stop ends; a file that cannot be read tells nothing.
TEST(FieldCounts, CountsEveryColumnAtOnceAndTellsNothingOnceStopped)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN dedica TEXT; UPDATE dorvi SET dedica = '' WHERE iddorvo = 1;"
                   "UPDATE dorvi SET dedica = 'a Anna' WHERE iddorvo IN (2, 3);");
    const std::vector<std::string> columns{"titolo", "dedica"};
    const long long books = std::stoll(catalogue.scalar("select count(*) from dorvi"));
    Opened opened(catalogue);
    EXPECT_EQ(catalogue::countValues(opened.db, columns), (std::vector<long long>{books, 2}));

    std::stop_source running;
    EXPECT_EQ(catalogue::countValuesOf(catalogue.path(), columns, running.get_token()),
              (std::vector<long long>{books, 2}));
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_EQ(catalogue::countValuesOf(catalogue.path(), columns, stopped.get_token()), std::nullopt);
    EXPECT_EQ(catalogue::countValuesOf(catalogue.path() + ".nessuno", columns, running.get_token()), std::nullopt);
    EXPECT_EQ(catalogue::countValuesOf(catalogue.path(), {"nessuno"}, running.get_token()), std::nullopt);
}

// Only the latest counting is told, on the thread that asked; a stopped one, or
// one whose object is gone, tells nothing (under the sanitizers, a count posted
// to a destroyed object would be a use after free).
TEST(FieldCounting, TellsOnlyTheLatestCountingAndNothingAfterAStop)
{
    TestCatalogue catalogue;
    const QString path = QString::fromStdString(catalogue.path());
    std::vector<FieldCounting::Counts> told;
    FieldCounting counting([&](std::optional<FieldCounting::Counts> counts) {
        ASSERT_TRUE(counts);
        told.push_back(*counts);
    });
    counting.start(path, {"autore"});
    counting.start(path, {"titolo", "genere"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].size(), 2u);
    EXPECT_TRUE(told[0].contains("titolo"));

    counting.start(path, {"genere"});
    counting.stop(); // the thread has ended: whatever it posted is waiting now
    QCoreApplication::processEvents();
    EXPECT_EQ(told.size(), 1u);

    {
        FieldCounting gone([&](std::optional<FieldCounting::Counts>) { told.clear(); });
        gone.start(path, {"autore"});
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(told.size(), 1u);
}

TEST(FieldChanges, AddRenameRemoveAreOneAlterEachAndKeepOtherRows)
{
    TestCatalogue catalogue;
    Opened opened(catalogue);
    const std::string before = catalogue.scalar("select group_concat(titolo, '|') from dorvi");
    catalogue::addField(opened.db, "dedica", "TEXT");
    catalogue::addField(opened.db, "collocazione", "TEXT");
    EXPECT_EQ(catalogue.scalar("select type from pragma_table_info('dorvi') where name = 'dedica'"), "TEXT");
    catalogue.exec("UPDATE dorvi SET dedica = 'per Luca' WHERE iddorvo = 2");
    catalogue::renameField(opened.db, "DEDICA", "dedica_autore");
    EXPECT_EQ(catalogue.scalar("select dedica_autore from dorvi where iddorvo = 2"), "per Luca");
    const catalogue::KeptColumn kept = catalogue::removeField(opened.db, "dedica_autore");
    EXPECT_FALSE(hasColumn(catalogue, "dedica_autore"));
    ASSERT_EQ(kept.values.size(), 1u);
    EXPECT_EQ(kept.declared, "TEXT");
    EXPECT_EQ(catalogue.scalar("select group_concat(titolo, '|') from dorvi"), before);
    // The index another program made on a column left alone stays.
    EXPECT_EQ(catalogue.scalar("select count(*) from sqlite_schema where name = 'dorvi_autore'"), "1");
}

TEST(FieldChanges, RefusesTheFirstFourAndRenamingStandardFields)
{
    TestCatalogue catalogue;
    Opened opened(catalogue);
    catalogue::addField(opened.db, "anno", "INTEGER");
    EXPECT_NE(refusal([&] { catalogue::removeField(opened.db, "titolo"); }).find("quattro campi"), std::string::npos);
    EXPECT_NE(refusal([&] { catalogue::renameField(opened.db, "anno", "annata"); }).find("campo standard"),
              std::string::npos);
    EXPECT_NE(refusal([&] { catalogue::addField(opened.db, "ANNO", "INTEGER"); }).find("già un campo"),
              std::string::npos);
    EXPECT_NE(refusal([&] { catalogue::addField(opened.db, "where", "TEXT"); }).find("parola riservata"),
              std::string::npos);
    EXPECT_TRUE(hasColumn(catalogue, "titolo"));
    EXPECT_TRUE(hasColumn(catalogue, "anno"));
}

// Another program's objects stay as they are: the change is refused, naming them.
TEST(FieldChanges, AnIndexViewOrTriggerNamingTheColumnRefusesRemovalAndRenaming)
{
    const std::vector<std::pair<std::string, std::string>> objects{
        {"CREATE INDEX per_scaffale ON dorvi (scaffale)", "l'indice «per_scaffale»"},
        {"CREATE UNIQUE INDEX scaffale_unico ON dorvi (lower(\"Scaffale\"))", "l'indice «scaffale_unico»"},
        {"CREATE VIEW sugli_scaffali AS SELECT titolo, [scaffale] FROM dorvi", "la vista «sugli_scaffali»"},
        {"CREATE TRIGGER segna AFTER UPDATE ON dorvi BEGIN SELECT new.scaffale; END", "il trigger «segna»"},
    };
    for (const auto& [sql, named] : objects) {
        TestCatalogue catalogue;
        catalogue.exec("ALTER TABLE dorvi ADD COLUMN scaffale TEXT;" + sql);
        Opened opened(catalogue);
        const std::string removal = refusal([&] { catalogue::removeField(opened.db, "scaffale"); });
        EXPECT_NE(removal.find(named), std::string::npos) << removal;
        const std::string renaming = refusal([&] { catalogue::renameField(opened.db, "scaffale", "ripiano"); });
        EXPECT_NE(renaming.find(named), std::string::npos) << renaming;
        EXPECT_TRUE(hasColumn(catalogue, "scaffale"));
    }
}

// Names in strings or comments, and objects on other tables, name nothing here.
TEST(FieldChanges, ObjectsThatOnlyMentionTheWordDoNotBlock)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN scaffale TEXT;"
                   "CREATE TABLE stanze (scaffale TEXT); CREATE INDEX stanze_scaffale ON stanze (scaffale);"
                   "CREATE VIEW titoli AS SELECT titolo, 'scaffale' AS x FROM dorvi /* scaffale */;");
    Opened opened(catalogue);
    EXPECT_TRUE(catalogue::objectsNaming(opened.db, "scaffale").empty());
    catalogue::removeField(opened.db, "scaffale");
    EXPECT_FALSE(hasColumn(catalogue, "scaffale"));
}

TEST(FieldChanges, ALockedFileIsRefusedWithTheMessageOfLockedWrites)
{
    TestCatalogue catalogue;
    Opened other(catalogue);
    sqlite3_exec(other.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    Opened opened(catalogue);
    try {
        catalogue::addField(opened.db, "dedica", "TEXT");
        FAIL() << "the field was added under another program's lock";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::Locked);
        EXPECT_NE(error.description().find("bloccato da un altro programma"), std::string::npos);
    }
    sqlite3_exec(other.db, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_FALSE(hasColumn(catalogue, "dedica"));
}

// Annulla puts the column back with every value, by ADD COLUMN and writing back,
// never rebuilding the table: the other program's index survives throughout.
TEST(FieldHistory, UndoOfARemovalPutsTheColumnAndItsValuesBack)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN numero NUMERIC;"
                   "UPDATE dorvi SET numero = 1.5 WHERE iddorvo = 1; UPDATE dorvi SET numero = 'bis' WHERE iddorvo = 2;"
                   "UPDATE dorvi SET numero = x'00ff' WHERE iddorvo = 3;");
    const auto valuesSql = "select iddorvo, typeof(numero), quote(numero) from dorvi order by iddorvo";
    const auto before = catalogue.rows(valuesSql);
    int relisted = 0;
    catalogue::History history;
    {
        Opened opened(catalogue);
        history.recordStep(catalogue::FieldHistory::removed(catalogue.path(), catalogue::removeField(opened.db, "numero"),
                                                             [&] { ++relisted; }));
    }
    EXPECT_FALSE(hasColumn(catalogue, "numero"));
    EXPECT_EQ(history.undoText(), "eliminazione del campo «numero»");
    auto shown = openRecordset(catalogue.path(), "select * from dorvi");
    ASSERT_TRUE(history.undo(*shown));
    EXPECT_EQ(catalogue.rows(valuesSql), before);
    EXPECT_EQ(catalogue.scalar("select type from pragma_table_info('dorvi') where name = 'numero'"), "NUMERIC");
    EXPECT_EQ(relisted, 1);
    catalogue.exec("UPDATE dorvi SET numero = 7 WHERE iddorvo = 4");
    ASSERT_TRUE(history.redo(*shown));
    EXPECT_FALSE(hasColumn(catalogue, "numero"));
    ASSERT_TRUE(history.undo(*shown));
    EXPECT_EQ(catalogue.scalar("select numero from dorvi where iddorvo = 4"), "7");
    EXPECT_EQ(catalogue.scalar("select count(*) from sqlite_schema where name = 'dorvi_autore'"), "1");
}

// Put back, a column keeps its whole declaration, not only its type: its
// collation still makes 'X1' find 'x1', its default still fills a new book, and
// NOT NULL holds again.
TEST(FieldHistory, UndoOfARemovalKeepsTheColumnsCollationDefaultAndNotNull)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN scaffale TEXT COLLATE NOCASE NOT NULL DEFAULT 'A1';"
                   "UPDATE dorvi SET scaffale = 'x1' WHERE iddorvo = 2;");
    catalogue::History history;
    {
        Opened opened(catalogue);
        history.recordStep(
            catalogue::FieldHistory::removed(catalogue.path(), catalogue::removeField(opened.db, "scaffale"), {}));
    }
    auto shown = openRecordset(catalogue.path(), "select * from dorvi");
    ASSERT_TRUE(history.undo(*shown));
    EXPECT_EQ(catalogue.scalar("SELECT iddorvo FROM dorvi WHERE scaffale = 'X1'"), "2");
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi WHERE scaffale = 'a1'"), "4");
    catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Italo Calvino', 'Le città invisibili')");
    EXPECT_EQ(catalogue.scalar("SELECT scaffale FROM dorvi WHERE titolo = 'Le città invisibili'"), "A1");
    EXPECT_EQ(catalogue.scalar("SELECT \"notnull\" FROM pragma_table_info('dorvi') WHERE name = 'scaffale'"), "1");
}

// Putting a removed field back, a book whose value another program's trigger
// leaves out stops it all: the field does not come back without its values. A
// book deleted meanwhile only has nothing to get back.
TEST(FieldChanges, RestoringAFieldIsRefusedWhenATriggerLeavesAValueOut)
{
    TestCatalogue catalogue;
    Opened opened(catalogue);
    catalogue::addField(opened.db, "dedica", "TEXT");
    catalogue.exec("UPDATE dorvi SET dedica = 'per ' || autore WHERE iddorvo IN (2, 3)");
    const std::string third = catalogue.scalar("select dedica from dorvi where iddorvo = 3");
    const catalogue::KeptColumn kept = catalogue::removeField(opened.db, "dedica");
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo = 2");
    catalogue.exec("CREATE TRIGGER scarta BEFORE UPDATE ON dorvi WHEN old.iddorvo = 3 BEGIN SELECT RAISE(IGNORE); END");
    EXPECT_NE(refusal([&] { catalogue::restoreField(opened.db, kept); }).find("trigger"), std::string::npos);
    EXPECT_FALSE(hasColumn(catalogue, "dedica"));

    catalogue.exec("DROP TRIGGER scarta");
    EXPECT_EQ(refusal([&] { catalogue::restoreField(opened.db, kept); }), "");
    EXPECT_EQ(catalogue.rows("select iddorvo, dedica from dorvi where dedica is not null"),
              (std::vector<std::vector<std::string>>{{"3", third}}));
}

TEST(FieldHistory, UndoIsRefusedWhenAnotherProgramTookTheNameMeanwhile)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN dedica TEXT; UPDATE dorvi SET dedica = 'x'");
    catalogue::History history;
    {
        Opened opened(catalogue);
        history.recordStep(catalogue::FieldHistory::removed(catalogue.path(), catalogue::removeField(opened.db, "dedica"), {}));
    }
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN Dedica INTEGER");
    auto shown = openRecordset(catalogue.path(), "select * from dorvi");
    EXPECT_NE(refusal([&] { history.undo(*shown); }).find("di nuovo un campo «dedica»"), std::string::npos);
    EXPECT_TRUE(history.canUndo());
}

// The dialog through the window, as a user meets it: Strumenti → Campi….
class FieldsDialogTest : public ::testing::Test {
protected:
    WindowOnFakes fixture;

    void inDialog(std::function<void(FieldsDialog&)> act)
    {
        fixture.services.dialogScript = [act](QDialog& dialog) { act(static_cast<FieldsDialog&>(dialog)); };
        fixture.trigger("mnucampi");
    }
    QStringList copies() const
    {
        return QDir(fixture.catalogue.folder() + "/copie").entryList({"dorvi-*.mdb"}, QDir::Files);
    }
};

TEST_F(FieldsDialogTest, AddsOwnAndStandardFieldsAndTheGridListsThemAfter)
{
    fixture.trigger("mnuop");
    inDialog([](FieldsDialog& dialog) {
        EXPECT_TRUE(dialog.addOwnField("dedica", OwnKind::Text));
        EXPECT_TRUE(dialog.addStandardField("collocazione"));
        EXPECT_FALSE(dialog.addOwnField("Dedica", OwnKind::Date));
        EXPECT_FALSE(dialog.addOwnField("from", OwnKind::Text));
        EXPECT_EQ(dialog.fields().size(), 6u);
    });
    ASSERT_EQ(fixture.services.errors.size(), 2u);
    EXPECT_NE(fixture.services.errors[0].description().find("già un campo"), std::string::npos);
    EXPECT_NE(fixture.services.errors[1].description().find("parola riservata"), std::string::npos);
    EXPECT_TRUE(hasColumn(fixture.catalogue, "dedica"));
    EXPECT_TRUE(hasColumn(fixture.catalogue, "collocazione"));
    const auto names = fixture.grid.dataSource->columnNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "collocazione"), names.end());
    EXPECT_TRUE(copies().isEmpty()); // adding a field needs no copy
}

// The dialog opens before its counts, showing "…", and they take their place as
// they come; a field added before they came is counted with the rest.
TEST_F(FieldsDialogTest, OpensBeforeItsCountsAndShowsThemAsTheyArrive)
{
    fixture.catalogue.exec("ALTER TABLE dorvi ADD COLUMN dedica TEXT; UPDATE dorvi SET dedica = 'a te' WHERE iddorvo <= 2");
    const QString books = QString::fromStdString(fixture.catalogue.scalar("select count(*) from dorvi"));
    inDialog([&](FieldsDialog& dialog) {
        auto* list = dialog.findChild<QTreeWidget*>("elencocampi");
        const auto count = [list](const char* name) { return list->findItems(name, Qt::MatchExactly)[0]->text(2); };
        EXPECT_EQ(count("dedica"), "…");
        EXPECT_EQ(count("titolo"), "…");
        EXPECT_TRUE(dialog.addOwnField("nota_mia", OwnKind::Text));
        EXPECT_EQ(count("nota_mia"), "…");
        ASSERT_TRUE(QTest::qWaitFor([&] { return count("titolo") != "…"; }));
        EXPECT_EQ(count("titolo"), books);
        EXPECT_EQ(count("dedica"), "2");
        EXPECT_EQ(count("nota_mia"), "0");
        EXPECT_TRUE(dialog.addStandardField("collocazione")); // counted already: it holds nothing
        EXPECT_EQ(count("collocazione"), "0");
        EXPECT_EQ(count("dedica"), "2");
    });
}

// Closed while its counts are being made: the counting stops with it, and what it
// posted never reaches the dialog that is gone.
TEST_F(FieldsDialogTest, ClosingWhileCountingLeavesNothingBehind)
{
    for (int round = 0; round < 20; ++round)
        inDialog([](FieldsDialog&) {});
    QCoreApplication::processEvents();
    EXPECT_EQ(fixture.services.dialogsRun, 20);
    EXPECT_TRUE(fixture.services.errors.empty());
}

TEST_F(FieldsDialogTest, RemovalAsksWithTheBooksCountCopiesFirstAndAnnullaPutsItBack)
{
    fixture.catalogue.exec("ALTER TABLE dorvi ADD COLUMN dedica TEXT; UPDATE dorvi SET dedica = 'a te' WHERE iddorvo <= 2");
    fixture.trigger("mnuop");
    fixture.services.confirmAnswers = {false, true};
    inDialog([](FieldsDialog& dialog) {
        EXPECT_FALSE(dialog.removeField("dedica"));
        EXPECT_TRUE(dialog.removeField("dedica"));
        EXPECT_FALSE(dialog.removeField("autore"));
    });
    ASSERT_EQ(fixture.services.confirmations.size(), 2u);
    EXPECT_TRUE(fixture.services.confirmations[0].text.contains("2 libri hanno un valore in questo campo"));
    EXPECT_FALSE(hasColumn(fixture.catalogue, "dedica"));
    EXPECT_EQ(copies().size(), 1);
    ASSERT_EQ(fixture.services.errors.size(), 1u); // autore: one of the four, refused before any question
    fixture.trigger("mnuannulla");
    EXPECT_EQ(fixture.catalogue.scalar("select count(dedica) from dorvi"), "2");
    const auto names = fixture.grid.dataSource->columnNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "dedica"), names.end());
}

TEST_F(FieldsDialogTest, RenamesOneOwnFieldAndItsColumnSettingFollows)
{
    fixture.catalogue.exec("ALTER TABLE dorvi ADD COLUMN dedica TEXT");
    fixture.services.promptAnswers = {"dedica_a"};
    inDialog([](FieldsDialog& dialog) {
        dialog.setShown("dedica", false);
        EXPECT_TRUE(dialog.renameField("dedica"));
        EXPECT_FALSE(dialog.shown("dedica_a"));
        EXPECT_FALSE(dialog.renameField("titolo"));
    });
    EXPECT_TRUE(hasColumn(fixture.catalogue, "dedica_a"));
    EXPECT_EQ(fixture.services.prompts.size(), 1u); // titolo is refused before asking
}

// "CITTÀ" and "città" are two columns to the engine, which folds ASCII letters
// only: Campi… hides and renames the one named, and the other keeps its setting.
TEST_F(FieldsDialogTest, ColumnsTheEngineTellsApartKeepTheirOwnSettings)
{
    fixture.catalogue.exec("ALTER TABLE dorvi ADD COLUMN \"CITTÀ\" TEXT; ALTER TABLE dorvi ADD COLUMN \"città\" TEXT");
    fixture.services.promptAnswers = {"paese"};
    inDialog([](FieldsDialog& dialog) {
        dialog.setShown("città", false);
        EXPECT_FALSE(dialog.shown("città"));
        EXPECT_TRUE(dialog.shown("CITTÀ"));
        EXPECT_TRUE(dialog.renameField("città"));
        EXPECT_FALSE(dialog.shown("paese"));
        EXPECT_TRUE(dialog.shown("CITTÀ"));
    });
    EXPECT_TRUE(hasColumn(fixture.catalogue, "paese"));
    EXPECT_TRUE(hasColumn(fixture.catalogue, "CITTÀ"));
}

TEST_F(FieldsDialogTest, HidingAndMovingAreViewSettingsThatNeverTouchTheFile)
{
    const std::string schema = fixture.catalogue.scalar("select group_concat(sql, ';') from sqlite_schema");
    inDialog([](FieldsDialog& dialog) {
        dialog.moveField("genere", -3);
        dialog.setShown("iddorvo", false);
        for (const char* name : {"autore", "titolo", "genere"})
            dialog.setShown(name, false);
        EXPECT_TRUE(dialog.shown("genere")); // the last column on show stays
        EXPECT_EQ(dialog.fields().size(), 4u);
    });
    EXPECT_EQ(fixture.catalogue.scalar("select group_concat(sql, ';') from sqlite_schema"), schema);
    const ColumnLayout layout = ColumnLayout::load(fixture.window.cataloguePath());
    EXPECT_EQ(layout.order, QStringList({"genere", "iddorvo", "autore", "titolo"}));
    EXPECT_EQ(fixture.services.informations.size(), 1u);
}

TEST(ColumnLayoutArrange, SavedOrderFirstThenNewColumnsHiddenByNameCaseIgnored)
{
    const ColumnLayout layout{{"titolo", "GONE", "autore"}, {"IDDORVO"}};
    const auto placed = layout.arrange({"iddorvo", "autore", "titolo", "genere"});
    ASSERT_EQ(placed.size(), 4u);
    EXPECT_EQ(placed[0].name, "titolo");
    EXPECT_EQ(placed[1].name, "autore");
    EXPECT_EQ(placed[2].name, "iddorvo");
    EXPECT_FALSE(placed[2].shown);
    EXPECT_EQ(placed[3].name, "genere");
    EXPECT_TRUE(placed[3].shown);
}

// Refused before any question or copy: another program's trigger; and a lock
// another program holds, with the message of every refused write.
TEST_F(FieldsDialogTest, RefusalsReachTheUserBeforeAnyQuestionOrCopy)
{
    fixture.catalogue.exec("ALTER TABLE dorvi ADD COLUMN scaffale TEXT;"
                           "CREATE TRIGGER tieni AFTER INSERT ON dorvi BEGIN SELECT new.scaffale; END;");
    Opened other(fixture.catalogue);
    inDialog([&](FieldsDialog& dialog) {
        EXPECT_FALSE(dialog.removeField("scaffale"));
        sqlite3_exec(other.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        EXPECT_FALSE(dialog.addOwnField("dedica", OwnKind::Date));
        sqlite3_exec(other.db, "ROLLBACK", nullptr, nullptr, nullptr);
    });
    EXPECT_TRUE(fixture.services.confirmations.empty());
    EXPECT_TRUE(copies().isEmpty());
    ASSERT_EQ(fixture.services.errors.size(), 2u);
    EXPECT_NE(fixture.services.errors[0].description().find("il trigger «tieni»"), std::string::npos);
    EXPECT_EQ(fixture.services.errors[1].number(), ErrorNumber::Locked);
    EXPECT_TRUE(hasColumn(fixture.catalogue, "scaffale"));
    EXPECT_FALSE(hasColumn(fixture.catalogue, "dedica"));
}

// A tick in the dialog's lists acts once the list has told of it.
TEST_F(FieldsDialogTest, TicksInTheListsAddAStandardFieldAndHideAColumn)
{
    inDialog([](FieldsDialog& dialog) {
        auto* standard = dialog.findChild<QListWidget*>("campistandard");
        const auto found = standard->findItems("collocazione", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        found[0]->setCheckState(Qt::Checked);
        QCoreApplication::processEvents();
        auto* list = dialog.findChild<QTreeWidget*>("elencocampi");
        list->findItems("genere", Qt::MatchExactly)[0]->setCheckState(0, Qt::Unchecked);
        QCoreApplication::processEvents();
        EXPECT_FALSE(dialog.shown("genere"));
    });
    EXPECT_TRUE(hasColumn(fixture.catalogue, "collocazione"));
}
