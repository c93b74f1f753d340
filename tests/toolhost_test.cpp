// The tools reach the books through their host alone: listings by iddorvo, the
// books chosen in the grid, the cursor put on one book. A host of the test's own
// records what the tools ask; the window's own answers are checked on its grid.
#include "bookqueries.h"
#include "datagrid.h"
#include "duplicatetools.h"
#include "grid.h"
#include "history.h"
#include "loantools.h"
#include "shownwindow.h"
#include "toolhost.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMainWindow>

#include <map>

namespace {

// A host that lends the tools a catalogue and a scripted grid, and records what
// they ask of the books instead of showing it.
class RecordingHost : public ToolHost {
public:
    RecordingHost() { window.setCentralWidget(new QWidget(&window)); }

    WindowServices& services() override { return fakeServices; }
    Grid& grid() override { return fakeGrid; }
    const std::shared_ptr<catalogue::History>& history() override { return noHistory; }
    CopyKeeper& copies() override { throw std::logic_error("no copies here"); }
    QWidget* dialogParent() override { return &window; }
    QString cataloguePath() const override { return QString::fromStdString(catalogue.path()); }
    bool editing() const override { return true; }
    void listBooks(const catalogue::BookListing& listing) override { statements.push_back(listing.statement); }
    void listBooks(const std::vector<std::int64_t>& ids) override { listed.push_back(ids); }
    std::vector<std::int64_t> selectedBooks() override { return chosen; }
    void goTo(std::int64_t id) override { wentTo.push_back(id); }
    void relist() override { ++relisted; }
    QAction* addTool(const char* name, const QString& caption, const QList<QKeySequence>&, std::function<void()> command,
                     bool) override
    {
        auto* action = new QAction(caption, &window);
        QObject::connect(action, &QAction::triggered, std::move(command));
        tools[name] = action;
        return action;
    }
    void whenBookWritten(std::function<void()> listener) override { bookWritten = std::move(listener); }
    void addToolSeparator() override {}

    QString notice() const
    {
        const auto* line = window.findChild<QLabel*>(QStringLiteral("rigaavvisi"));
        return line ? line->text() : QString();
    }

    TestCatalogue catalogue;
    FakeWindowServices fakeServices{catalogue.folder()};
    FakeGrid fakeGrid;
    std::shared_ptr<catalogue::History> noHistory = std::make_shared<catalogue::History>();
    QMainWindow window;
    std::map<std::string, QAction*> tools;
    std::function<void()> bookWritten;
    std::vector<std::vector<std::int64_t>> listed;
    std::vector<std::string> statements;
    std::vector<std::int64_t> chosen, wentTo;
    int relisted = 0;
};

} // namespace

TEST(ToolsThroughTheirHost, TrovaDoppioniListsItsGroupsByIddorvoAndF8GoesToTheBookNamed)
{
    RecordingHost host;
    host.catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Gabriele D''Annunzio', 'Piacere'),"
                        "('Alessandro Manzoni', 'I Promessi Sposi.')");
    DuplicateTools tools(host, nullptr);
    host.tools.at("mnudoppioni")->trigger();
    EXPECT_EQ(host.listed, (std::vector<std::vector<std::int64_t>>{{1, 7, 2, 6}}));
    EXPECT_TRUE(host.statements.empty()) << "no statement of the tool's own";
    EXPECT_TRUE(host.notice().startsWith(QStringLiteral("2 gruppi di doppioni, 4 libri")));

    tools.checkBook(7);
    EXPECT_EQ(host.notice(), QStringLiteral("Già nel catalogo: «I promessi sposi» di Alessandro Manzoni, n. 1. F8 "
                                            "per andarci."));
    host.tools.at("mnuvaidoppione")->trigger();
    EXPECT_EQ(host.wentTo, (std::vector<std::int64_t>{1}));
    EXPECT_EQ(host.relisted, 0) << "finding the book on show is the host's part";
}

// A title holding a percent sign and a digit is named exactly as stored: once it
// took the book's number in place of "%1".
TEST(ToolsThroughTheirHost, TheNoticeNamesATitleHoldingAPercentMarkAsStored)
{
    RecordingHost host;
    host.catalogue.exec("UPDATE dorvi SET titolo = 'Sconti al %1 e al %3' WHERE iddorvo = 2;"
                        "INSERT INTO dorvi (autore, titolo) VALUES ('Gabriele D''Annunzio', 'Sconti al %1 e al %3')");
    DuplicateTools tools(host, nullptr);
    tools.checkBook(6);
    EXPECT_EQ(host.notice(), QStringLiteral("Già nel catalogo: «Sconti al %1 e al %3» di Gabriele D'Annunzio, n. 2. "
                                            "F8 per andarci."));
}

TEST(ToolsThroughTheirHost, RestituitoActsOnTheBooksTheHostSaysAreChosenOnly)
{
    RecordingHost host;
    host.catalogue.exec("ALTER TABLE dorvi ADD COLUMN prestato_a TEXT; ALTER TABLE dorvi ADD COLUMN prestato_il TEXT;"
                        "UPDATE dorvi SET prestato_a = 'Anna', prestato_il = '2026-11-01' WHERE iddorvo IN (2, 4)");
    host.fakeGrid.setDataSource(openRecordset(host.catalogue.path(), "SELECT * FROM dorvi"));
    LoanTools tools(host, nullptr, [] { return QDate(2026, 12, 8); });
    host.chosen = {4};
    host.tools.at("mnurestituito")->trigger();
    EXPECT_TRUE(host.fakeServices.errors.empty());
    EXPECT_EQ(host.catalogue.rows("SELECT iddorvo FROM dorvi WHERE prestato_a IS NOT NULL"),
              (std::vector<std::vector<std::string>>{{"2"}}));
}

// The window's own answers, on its real grid.
TEST_F(ShownWindowTest, TheWindowListsBooksByIddorvoInTheOrderGivenLeavingOutThoseItLacks)
{
    trigger("mnuop");
    ToolHost& host = window;
    host.listBooks(std::vector<std::int64_t>{4, 99, 2});
    ASSERT_EQ(grid->model()->rowCount(), 3); // two books and the new-row line
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("4"));
    EXPECT_EQ(grid->model()->index(1, 0).data().toString(), QStringLiteral("2"));
    EXPECT_TRUE(grid->boundResult()->isUpdatable()) << "listed in the editing mode";
}

TEST_F(ShownWindowTest, TheChosenBooksAreThoseSelectedInTheOrderShownNeverTheNewRowLine)
{
    trigger("mnuop");
    ToolHost& host = window;
    grid->setCurrentIndex(grid->model()->index(2, 1));
    EXPECT_EQ(host.selectedBooks(), (std::vector<std::int64_t>{3})) << "the book under the cursor";
    const int newLine = grid->model()->rowCount() - 1;
    grid->selectionModel()->select(QItemSelection(grid->model()->index(3, 0), grid->model()->index(newLine, 0)),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid->selectionModel()->select(grid->model()->index(0, 1), QItemSelectionModel::Select);
    EXPECT_EQ(host.selectedBooks(), (std::vector<std::int64_t>{1, 4, 5}));
}

TEST_F(ShownWindowTest, GoingToABookKeepsTheListingThatShowsItAndListsAllForOneItLacks)
{
    trigger("mnuop");
    ToolHost& host = window;
    host.listBooks(std::vector<std::int64_t>{5, 3});
    grid->setCurrentIndex(grid->model()->index(0, 2));
    host.goTo(3);
    EXPECT_EQ(grid->model()->rowCount(), 3) << "book 3 was on show: no new listing";
    EXPECT_EQ(grid->model()->index(grid->currentIndex().row(), 0).data().toString(), QStringLiteral("3"));
    EXPECT_EQ(grid->currentIndex().column(), 2);
    host.goTo(1);
    EXPECT_EQ(window.str, QStringLiteral("select * from dorvi;"));
    EXPECT_EQ(grid->model()->index(grid->currentIndex().row(), 0).data().toString(), QStringLiteral("1"));
    host.goTo(42); // no such book: the cursor stays
    EXPECT_EQ(grid->model()->index(grid->currentIndex().row(), 0).data().toString(), QStringLiteral("1"));
    EXPECT_TRUE(services.errors.empty());
}
