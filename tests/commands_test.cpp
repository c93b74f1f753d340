// The window's commands against a scripted grid and scripted window services, on a
// real catalogue file: what each command stores in `str`, what it writes to the
// grid and in which order, and what the user is told.
#include "recordset.h"
#include "windowonfakes.h"

#include <QAction>
#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using catalogue::ErrorNumber;

namespace {

const QStringList readOnly = {"AllowAddNew=false", "AllowDelete=false", "AllowUpdate=false"};
const QStringList editing = {"AllowAddNew=true", "AllowDelete=true", "AllowUpdate=true"};

class Commands : public ::testing::Test, public WindowOnFakes {
protected:
    std::size_t rowsShown() const { return grid.dataSource ? grid.dataSource->rowCount() : 0; }
    std::string cell(std::size_t row, int column) const
    {
        return std::get<std::string>(grid.dataSource->value(row, column));
    }
    void emptyTheCatalogue() { catalogue.exec("DELETE FROM dorvi"); }
};

} // namespace

TEST_F(Commands, NothingIsShownBeforeTheFirstCommand)
{
    EXPECT_TRUE(grid.calls.isEmpty());
    EXPECT_TRUE(window.str.isEmpty());
    EXPECT_EQ(window.recordset(), nullptr);
}

TEST_F(Commands, VisualizzaTuttoShowsEveryBookReadOnly)
{
    window.mnuall_Click();
    EXPECT_EQ(window.str, "select * from dorvi;");
    EXPECT_EQ(grid.calls, QStringList{"DataSource"} + readOnly);
    EXPECT_EQ(grid.dataSource, window.recordset());
    EXPECT_EQ(rowsShown(), 5u);
    EXPECT_TRUE(services.informations.empty());
}

TEST_F(Commands, TotaleDorviCountsAndNeverSaysNothingFound)
{
    window.mnutot_Click();
    EXPECT_EQ(window.str, "select count(iddorvo)as Totale_dorvi from dorvi;");
    EXPECT_EQ(grid.dataSource->columnName(0), "Totale_dorvi");
    EXPECT_EQ(grid.dataSource->value(0, 0), catalogue::Value(std::int64_t(5)));

    emptyTheCatalogue();
    window.mnutot_Click();
    ASSERT_EQ(rowsShown(), 1u);
    EXPECT_EQ(grid.dataSource->value(0, 0), catalogue::Value(std::int64_t(0)));
    EXPECT_TRUE(services.informations.empty());
}

TEST_F(Commands, GestioneWritesPermissionsBeforeTheStatementRuns)
{
    window.mnuop_Click();
    EXPECT_EQ(window.str, "select * from dorvi;");
    EXPECT_EQ(grid.calls, editing + QStringList{"DataSource"});
    EXPECT_TRUE(grid.allowAddNew && grid.allowDelete && grid.allowUpdate);
}

TEST_F(Commands, EmptyResultSaysSoOnceAndKeepsThePreviousRows)
{
    window.mnuall_Click();
    const auto shown = grid.dataSource;
    emptyTheCatalogue();
    grid.calls.clear();

    window.mnuall_Click();
    ASSERT_EQ(services.informations.size(), 1u);
    EXPECT_EQ(services.informations[0].text, "Nessun record trovato");
    EXPECT_EQ(services.informations[0].title, "Ricerca fallita");
    EXPECT_EQ(grid.dataSource, shown) << "the grid keeps its rows";
    EXPECT_EQ(rowsShown(), 5u);
    EXPECT_NE(window.recordset(), shown) << "rs holds the new, empty result";
    EXPECT_TRUE(window.recordset()->eof());
    EXPECT_EQ(grid.calls, readOnly) << "the kept rows still become read-only";
}

TEST_F(Commands, GestioneOnEmptyCatalogueMakesTheKeptRowsEditable)
{
    window.mnuall_Click();
    const auto shown = grid.dataSource;
    emptyTheCatalogue();
    grid.calls.clear();
    window.mnuop_Click();
    EXPECT_EQ(services.informations.size(), 1u);
    EXPECT_EQ(grid.calls, editing) << "kept rows of the table take a new book as they are";
    EXPECT_EQ(grid.dataSource, shown);
}

// With nothing to type a first book into, the empty result itself is shown after
// the message, so its new-row line is there; in read-only mode it never is.
TEST_F(Commands, EmptyCatalogueGetsItsNewRowLineOnlyInEditingMode)
{
    struct Case {
        const char* name;
        void (Frmdorvi::*before)();
        void (Frmdorvi::*command)();
        bool shown;
    };
    const Case cases[] = {
        {"Gestione at start", nullptr, &Frmdorvi::mnuop_Click, true},
        {"Gestione after the count", &Frmdorvi::mnutot_Click, &Frmdorvi::mnuop_Click, true},
        {"Visualizza tutto at start", nullptr, &Frmdorvi::mnuall_Click, false},
        {"Visualizza tutto after the count", &Frmdorvi::mnutot_Click, &Frmdorvi::mnuall_Click, false},
    };
    for (const Case& c : cases) {
        WindowOnFakes fresh(TestCatalogue::Books{});
        if (c.before)
            (fresh.window.*c.before)();
        const auto kept = fresh.grid.dataSource;
        (fresh.window.*c.command)();
        ASSERT_EQ(fresh.services.informations.size(), 1u) << c.name;
        EXPECT_EQ(fresh.services.informations[0].text, "Nessun record trovato") << c.name;
        if (c.shown) {
            EXPECT_EQ(fresh.grid.dataSource, fresh.window.recordset()) << c.name;
            EXPECT_FALSE(fresh.grid.lacksNewRowLine()) << c.name;
        } else {
            EXPECT_EQ(fresh.grid.dataSource, kept) << c.name;
        }
    }
}

TEST_F(Commands, EveryOtherCommandEndsEditingMode)
{
    const std::vector<std::pair<const char*, void (Frmdorvi::*)()>> commands = {
        {"mnuall", &Frmdorvi::mnuall_Click}, {"mnutot", &Frmdorvi::mnutot_Click}};
    for (const auto& [name, command] : commands) {
        window.mnuop_Click();
        (window.*command)();
        EXPECT_FALSE(grid.allowAddNew || grid.allowDelete || grid.allowUpdate) << name;
    }
    window.mnuop_Click();
    services.promptAnswers = {"Nessun autore"};
    window.mnuaut_Click();
    EXPECT_EQ(services.informations.back().text, "Nessun record trovato");
    EXPECT_FALSE(grid.allowAddNew || grid.allowDelete || grid.allowUpdate) << "also when nothing was found";
}

TEST_F(Commands, TwoCallsInARowReplaceTheResultEachTime)
{
    window.mnuall_Click();
    const auto first = window.recordset();
    window.mnutot_Click();
    EXPECT_NE(window.recordset(), first);
    EXPECT_EQ(grid.dataSource, window.recordset());
    EXPECT_EQ(first.use_count(), 1) << "nothing else keeps the first result alive";
}

TEST_F(Commands, ErrorsLeaveTheCommandAndReachTheTopLevel)
{
    window.mnuall_Click();
    const auto shown = grid.dataSource;
    grid.calls.clear();
    ASSERT_TRUE(QFile::rename(catalogue.folder() + "/dorvi.mdb", catalogue.folder() + "/altro.mdb"));

    try {
        window.mnutot_Click();
        FAIL() << "a missing catalogue must raise an error";
    } catch (const catalogue::Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::FileNotFound);
        EXPECT_NE(error.description().find(catalogue.path()), std::string::npos);
    }
    EXPECT_TRUE(grid.calls.isEmpty()) << "init does not run after an error";
    EXPECT_EQ(window.str, "select count(iddorvo)as Totale_dorvi from dorvi;");
    EXPECT_FALSE(window.recordset()->isOpen()) << "rs already holds the new, unopened result";
    EXPECT_EQ(grid.dataSource, shown);

    trigger("mnuall"); // through the menu the window catches and shows it
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::FileNotFound);

    ASSERT_TRUE(QFile::rename(catalogue.folder() + "/altro.mdb", catalogue.folder() + "/dorvi.mdb"));
    trigger("mnuall");
    EXPECT_EQ(services.errors.size(), 1u) << "the program goes on once the file is back";
    EXPECT_NE(grid.dataSource, shown);
}

TEST_F(Commands, EveryCommandHandsTheKeyboardBackToTheGrid)
{
    for (const char* item : {"mnuop", "mnuall", "mnutot", "mnuaut"})
        trigger(item); // the search is cancelled
    EXPECT_EQ(grid.focusTaken, 4);
}

TEST_F(Commands, EsciEndsTheProgram)
{
    trigger("mnuesci");
    EXPECT_EQ(services.ends, 1);
    EXPECT_TRUE(services.informations.empty() && services.prompts.empty());
}

TEST_F(Commands, ColourCuesChangeOnlyTheBackground)
{
    window.mnuop_Click();
    grid.calls.clear();
    grid.notifications.afterUpdate();
    EXPECT_EQ(grid.backColor, 0x00FF00u); // green
    grid.notifications.onAddNew();
    EXPECT_EQ(grid.backColor, 0x00FFFFu); // yellow: red and green full in 0x00BBGGRR
    EXPECT_EQ(grid.calls, (QStringList{"BackColor=65280", "BackColor=65535"}));
    EXPECT_EQ(window.str, "select * from dorvi;");
}

struct SearchCase {
    const char* item;
    const char* title;
    const char* text;
    const char* column;
};

class Searches : public Commands, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(Searches, PromptsAndShowsTheMatchingBooksReadOnly)
{
    const SearchCase search = GetParam();
    window.mnuop_Click();
    grid.calls.clear();
    const std::string value = catalogue.scalar(std::string("select ") + search.column + " from dorvi where iddorvo=4");
    services.promptAnswers = {QString::fromStdString(value)};
    trigger(search.item);

    ASSERT_EQ(services.prompts.size(), 1u);
    EXPECT_EQ(services.prompts[0].title, search.title);
    EXPECT_EQ(services.prompts[0].text, search.text);
    EXPECT_EQ(window.str, QString("select * from dorvi where %1='%2';").arg(search.column, QString::fromStdString(value)));
    EXPECT_EQ(grid.calls, QStringList{"DataSource"} + readOnly);
    ASSERT_GE(rowsShown(), 1u);
    EXPECT_EQ(cell(0, 2), catalogue.scalar("select titolo from dorvi where iddorvo=4"));
    EXPECT_TRUE(services.errors.empty());
}

TEST_P(Searches, EmptyAnswerOrCancelChangesNothing)
{
    const SearchCase search = GetParam();
    window.mnuop_Click();
    const auto shown = grid.dataSource;
    const auto rs = window.recordset();
    grid.calls.clear();
    services.promptAnswers = {QString()}; // OK on an empty field; the next prompt is cancelled
    trigger(search.item);
    trigger(search.item);
    ASSERT_EQ(services.informations.size(), 2u);
    for (const auto& message : services.informations) {
        EXPECT_EQ(message.text, "Input errato!");
        EXPECT_EQ(message.title, "Input errato");
    }
    EXPECT_TRUE(grid.calls.isEmpty()) << "the grid keeps its rows and its editing mode";
    EXPECT_EQ(window.str, "select * from dorvi;");
    EXPECT_EQ(window.recordset(), rs);
}

INSTANTIATE_TEST_SUITE_P(
    EachColumn, Searches,
    ::testing::Values(SearchCase{"mnuaut", "Inserisci autore", "inserisci autore", "autore"},
                      SearchCase{"mnutit", "Inserisci titolo dorvo", "inserisci titolo dorvo", "titolo"},
                      SearchCase{"mnugen", "Inserisci genere", "inserisci genere", "genere"}),
    [](const auto& info) { return std::string(info.param.column); });

TEST_F(Commands, ApostropheInAnAnswerIsSearchedAsTyped)
{
    services.promptAnswers = {"Gabriele D'Annunzio"};
    window.mnuaut_Click();
    EXPECT_EQ(window.str, "select * from dorvi where autore='Gabriele D''Annunzio';");
    ASSERT_EQ(rowsShown(), 2u);
    EXPECT_EQ(cell(1, 2), "Alcyone");

    services.promptAnswers = {"x' or '1'='1"};
    window.mnuaut_Click();
    EXPECT_EQ(services.informations.back().text, "Nessun record trovato") << "the answer is only ever a value";
}

TEST_F(Commands, AnswersMatchWholeValuesIgnoringLetterCaseKeepingSpaces)
{
    services.promptAnswers = {"dante alighieri", "Dante", " Dante Alighieri", "   "};
    window.mnuaut_Click();
    EXPECT_EQ(rowsShown(), 1u);
    EXPECT_EQ(cell(0, 1), "Dante Alighieri");
    const auto shown = grid.dataSource;
    window.mnuaut_Click();
    window.mnuaut_Click();
    window.mnuaut_Click();
    EXPECT_EQ(window.str, "select * from dorvi where autore='   ';");
    EXPECT_EQ(services.informations.size(), 3u) << "partial, space-padded and blank answers find nothing";
    EXPECT_EQ(grid.dataSource, shown);
}

TEST_F(Commands, UndoAndRedoNameTheChangeAndWorkInEditingModeOnly)
{
    QAction* undo = window.findChild<QAction*>(QStringLiteral("mnuannulla"));
    QAction* redo = window.findChild<QAction*>(QStringLiteral("mnuripeti"));
    ASSERT_TRUE(undo && redo);
    EXPECT_EQ(undo->shortcuts(), QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Z"))});
    EXPECT_EQ(redo->shortcuts(),
              (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
    EXPECT_NE(std::find(grid.contextActions.begin(), grid.contextActions.end(), undo), grid.contextActions.end());
    EXPECT_FALSE(undo->isEnabled());

    trigger("mnuop");
    grid.dataSource->remove(std::vector<std::size_t>{0, 1, 2});
    EXPECT_EQ(undo->text(), "&Annulla eliminazione di 3 libri");
    EXPECT_TRUE(undo->isEnabled());
    trigger("mnuall");
    EXPECT_FALSE(undo->isEnabled()) << "read-only mode writes nothing, undo included";

    trigger("mnuop"); // a new result: the history stays
    trigger("mnuannulla");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    EXPECT_EQ(rowsShown(), 5u);
    EXPECT_EQ(grid.backColor, 0x00FF00u) << "the write is marked as every write is";
    EXPECT_EQ(redo->text(), "&Ripeti eliminazione di 3 libri");
    EXPECT_FALSE(undo->isEnabled());
    trigger("mnuripeti");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "2");
    EXPECT_TRUE(services.errors.empty());
}

// A Gestione that finds nothing leaves the grid on its rows while `rs` moves on:
// undo puts the books back where the user sees them.
TEST_F(Commands, UndoWritesThroughTheResultTheGridShows)
{
    trigger("mnuop");
    const auto shown = grid.dataSource;
    shown->remove(std::vector<std::size_t>{0, 1, 2, 3, 4});
    trigger("mnuop");
    ASSERT_EQ(services.informations.back().text, "Nessun record trovato");
    ASSERT_EQ(grid.dataSource, shown) << "the grid keeps its rows";
    ASSERT_NE(window.recordset(), shown);

    trigger("mnuannulla");
    EXPECT_TRUE(services.errors.empty());
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    EXPECT_EQ(rowsShown(), 5u) << "the books come back where the grid shows them";
    EXPECT_EQ(services.progressTotals.back(), 5) << "undo reports its progress as a deletion does";
}

TEST_F(Commands, UndoWorksAgainOnceAFileMovedAwayIsBack)
{
    trigger("mnuop");
    grid.dataSource->remove(std::vector<std::size_t>{1});
    const std::string path = catalogue.path(), away = path + ".via";
    ASSERT_EQ(std::rename(path.c_str(), away.c_str()), 0);
    trigger("mnuop");
    ASSERT_EQ(services.errors.size(), 1u) << "the command fails: the file is away";
    ASSERT_EQ(std::rename(away.c_str(), path.c_str()), 0);

    trigger("mnuannulla");
    EXPECT_EQ(services.errors.size(), 1u) << services.errors.back().description();
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    EXPECT_EQ(rowsShown(), 5u);
}
