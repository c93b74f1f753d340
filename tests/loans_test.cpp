// Loans: the catalogue's rules on plain files, the dialog, the commands of
// "Strumenti" in the window with its own grid, and the card's list of loans.
#include "catalogue.h"
#include "cellpainter.h"
#include "copykeeper.h"
#include "datagrid.h"
#include "fakes.h"
#include "frmdorvi.h"
#include "history.h"
#include "importdialog.h"
#include "loandialog.h"
#include "loanhistorylist.h"
#include "loanmark.h"
#include "loans.h"
#include "loantools.h"
#include "noticeline.h"
#include "shownwindow.h"
#include "testcatalogue.h"

#include <QAction>
#include <QCompleter>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLineEdit>
#include <QTest>

#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using Rows = std::vector<std::vector<std::string>>;

catalogue::DatabaseHandle openFile(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    return catalogue::DatabaseHandle(db);
}

// What the user does in the loan dialog: a name, perhaps a date, then Presta.
std::function<void(QDialog&)> lendTo(const QString& name, QDate date = {})
{
    return [name, date](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("nome"))->setText(name);
        if (date.isValid())
            dialog.findChild<QDateEdit*>(QStringLiteral("data"))->setDate(date);
        dialog.accept();
    };
}

} // namespace

TEST(LoanRules, AddsOnlyTheTwoColumnsAndMakesTheTableAtTheFirstLoanWithoutCascade)
{
    TestCatalogue books;
    const auto db = openFile(books.path());
    EXPECT_FALSE(catalogue::hasLoanColumns(db.get()));
    EXPECT_TRUE(catalogue::loansOf(db.get(), 1).empty()); // no table yet: no loans, no error
    EXPECT_EQ(catalogue::addLoanColumns(db.get()), (std::vector<std::string>{"prestato_a", "prestato_il"}));
    EXPECT_TRUE(catalogue::addLoanColumns(db.get()).empty());
    EXPECT_EQ(books.scalar("SELECT count(*) FROM pragma_table_info('dorvi')"), "6");
    EXPECT_EQ(books.scalar("SELECT count(*) FROM sqlite_schema WHERE name = 'prestiti'"), "0");

    catalogue::recordLoan(db.get(), 2, "Marta", "2026-11-01");
    EXPECT_EQ(books.scalar("SELECT count(*) FROM pragma_foreign_key_list('prestiti')"), "0");
    books.exec("PRAGMA foreign_keys = ON; DELETE FROM dorvi WHERE iddorvo = 2");
    EXPECT_EQ(books.rows("SELECT iddorvo, a, dal, al FROM prestiti"), (Rows{{"2", "Marta", "2026-11-01", "NULL"}}));
}

TEST(LoanRules, ALoanClosesTheOpenOneAndAReturnClosesItOnItsDay)
{
    TestCatalogue books;
    const auto db = openFile(books.path());
    catalogue::recordLoan(db.get(), 1, "Marta", "2026-10-01");
    catalogue::recordLoan(db.get(), 1, "Luca", "2026-10-20"); // lent on without a return
    catalogue::recordReturn(db.get(), 1, "2026-11-02");
    catalogue::recordReturn(db.get(), 1, "2026-12-01"); // nothing open: nothing changes
    catalogue::recordReturn(db.get(), 3, "2026-12-01");
    const std::vector<catalogue::Loan> loans = catalogue::loansOf(db.get(), 1);
    ASSERT_EQ(loans.size(), 2u);
    EXPECT_EQ(loans[0].to + loans[0].from + loans[0].until, "Marta2026-10-012026-10-20");
    EXPECT_EQ(loans[1].to + loans[1].from + loans[1].until, "Luca2026-10-202026-11-02");
}

TEST(LoanRules, NamesComeOnceFromTheHistoryAndTheBooksAndBooksOutAreOldestFirst)
{
    TestCatalogue books;
    const auto db = openFile(books.path());
    catalogue::addLoanColumns(db.get());
    books.exec("UPDATE dorvi SET prestato_a = 'Zeno', prestato_il = '2026-12-01' WHERE iddorvo = 1;"
               "UPDATE dorvi SET prestato_a = 'Marta', prestato_il = '2026-01-15' WHERE iddorvo = 4;"
               "UPDATE dorvi SET prestato_a = '   ', prestato_il = '2026-01-01' WHERE iddorvo = 5;");
    catalogue::recordLoan(db.get(), 3, "Marta", "2026-02-01");
    catalogue::recordReturn(db.get(), 3, "2026-03-01");
    catalogue::recordLoan(db.get(), 2, "Anna", "2026-02-01");
    catalogue::recordReturn(db.get(), 2, "2026-03-01");
    EXPECT_EQ(catalogue::loanNames(db.get()), (std::vector<std::string>{"Anna", "Marta", "Zeno"}));
    const std::vector<catalogue::BookOut> out = catalogue::booksOut(*openRecordset(books.path(), catalogue::booksOutStatement()));
    ASSERT_EQ(out.size(), 2u); // a name of spaces is no loan
    EXPECT_EQ(out[0].title, "La Divina Commedia");
    EXPECT_EQ(out[1].title, "I promessi sposi");
    EXPECT_EQ(books.rows(catalogue::booksOutStatement()).size(), 2u);
    // The listing reads the index of the books out, never the whole catalogue.
    std::string plan;
    for (const std::vector<std::string>& step : books.rows("EXPLAIN QUERY PLAN " + catalogue::booksOutStatement()))
        plan += step.back() + " | ";
    EXPECT_NE(plan.find("dorvi_in_prestito"), std::string::npos) << plan;
}

// A loan another program's trigger leaves out of the ledger is not a loan: the
// book stays as it was and no ledger row (another loan's, under the last key
// written) is taken for it.
TEST(LoanRules, ALoanATriggerLeavesOutIsRefusedWithNothingWritten)
{
    TestCatalogue books;
    const auto db = openFile(books.path());
    catalogue::addLoanColumns(db.get());
    catalogue::recordLoan(db.get(), 1, "Marta", "2026-10-01");
    books.exec("CREATE TRIGGER scarta BEFORE INSERT ON prestiti WHEN new.a = 'Luca' BEGIN SELECT RAISE(IGNORE); END");
    const Rows before = books.rows("SELECT * FROM prestiti ORDER BY id");
    EXPECT_THROW(catalogue::recordLoan(db.get(), 2, "Luca", "2026-10-20"), catalogue::Error);
    EXPECT_THROW(catalogue::recordLoan(db.get(), 1, "Luca", "2026-10-20"), catalogue::Error);
    EXPECT_EQ(books.rows("SELECT * FROM prestiti ORDER BY id"), before) << "Marta's loan stays open";
}

TEST(LoanDialogTest, CompletesNamesUsedBeforeStartsTodayAndWaitsForAName)
{
    LoanDialog dialog({QStringLiteral("Marta"), QStringLiteral("Luca")}, QDate(2026, 12, 8), 3);
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("nome"));
    EXPECT_EQ(dialog.findChild<QDateEdit*>(QStringLiteral("data"))->date(), QDate(2026, 12, 8));
    QCompleter* completer = name->completer();
    ASSERT_NE(completer, nullptr);
    completer->setCompletionPrefix(QStringLiteral("mar"));
    EXPECT_EQ(completer->currentCompletion(), QStringLiteral("Marta"));
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());
    name->setText(QStringLiteral("   "));
    EXPECT_FALSE(ok->isEnabled());
    name->setText(QStringLiteral("  Marta "));
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(dialog.name(), QStringLiteral("Marta"));
}

struct OpenCellPainter : CellPainter {
    using CellPainter::initStyleOption;
};

class LoanCommands : public ShownWindowTest {
protected:
    void SetUp() override
    {
        ShownWindowTest::SetUp();
        catalogue.exec("ALTER TABLE dorvi ADD COLUMN prestato_a TEXT; ALTER TABLE dorvi ADD COLUMN prestato_il TEXT");
    }
    void chooseRows(std::initializer_list<int> rows)
    {
        grid->clearSelection();
        for (const int row : rows)
            grid->selectionModel()->select(grid->model()->index(row, 1),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::string loans() const
    {
        return catalogue.scalar("SELECT coalesce(group_concat(iddorvo || ':' || prestato_a || ':' || "
                                "coalesce(prestato_il, ''), ' '), '') FROM dorvi WHERE prestato_a IS NOT NULL");
    }
    QString today = QDate::currentDate().toString(Qt::ISODate);
};

TEST_F(LoanCommands, LendsTheChosenBooksAtOnceAndGivesOneBackEachOneStepOfAnnullaWithTheLoansTable)
{
    const auto ledger = [this] {
        return catalogue.scalar("SELECT coalesce(group_concat(id || ':' || iddorvo || ':' || coalesce(al, '-'), ' '), "
                                "'') FROM prestiti");
    };
    trigger("mnuop");
    chooseRows({0, 2, 3});
    services.dialogScript = lendTo(QStringLiteral("Marta"), QDate(2026, 10, 1));
    trigger("mnupresta");
    const std::string lent = "1:Marta:2026-10-01 3:Marta:2026-10-01 4:Marta:2026-10-01";
    EXPECT_EQ(loans(), lent);
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM prestiti WHERE a = 'Marta' AND al IS NULL"), "3");
    EXPECT_EQ(grid->model()->index(0, 4).data().toString(), QStringLiteral("Marta")); // shown at once
    EXPECT_EQ(window.findChild<QAction*>(QStringLiteral("mnuannulla"))->text(),
              QStringLiteral("&Annulla prestito di 3 libri a «Marta»"));

    chooseRows({2});
    trigger("mnurestituito");
    EXPECT_EQ(loans(), "1:Marta:2026-10-01 4:Marta:2026-10-01");
    EXPECT_EQ(ledger(), "1:1:- 2:3:" + today.toStdString() + " 3:4:-");

    trigger("mnuannulla"); // the return: both cells and its line of the loans
    EXPECT_EQ(loans(), lent);
    EXPECT_EQ(ledger(), "1:1:- 2:3:- 3:4:-");
    trigger("mnuannulla"); // the loan of three books, as one
    EXPECT_EQ(loans(), "");
    EXPECT_EQ(ledger(), "");
    trigger("mnuripeti");
    EXPECT_EQ(loans(), lent);
    EXPECT_EQ(ledger(), "1:1:- 2:3:- 3:4:-");

    // Another program changed one of the books: the undo is refused whole.
    catalogue.exec("UPDATE dorvi SET prestato_il = '2026-10-02' WHERE iddorvo = 4");
    trigger("mnuannulla");
    EXPECT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(loans(), "1:Marta:2026-10-01 3:Marta:2026-10-01 4:Marta:2026-10-02");
    EXPECT_EQ(ledger(), "1:1:- 2:3:- 3:4:-");
}

TEST_F(LoanCommands, AConflictStopsAtTheBookAnotherProgramChangedAndIsShownOnce)
{
    trigger("mnuop");
    catalogue.exec("UPDATE dorvi SET prestato_a = 'Luca' WHERE iddorvo = 3"); // lent meanwhile by another program
    chooseRows({0, 2, 3});
    services.dialogScript = lendTo(QStringLiteral("Marta"));
    trigger("mnupresta");
    EXPECT_EQ(loans(), "1:Marta:" + today.toStdString() + " 3:Luca:");
    EXPECT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM prestiti"), "1");
}

// A book's name, date and loan line are written together or not at all: the loans'
// table refusing the second book's line (another program's trigger) leaves that
// book as it was, never a borrower without a date or a loan with no line, and the
// one Annulla takes back the first book whole.
TEST_F(LoanCommands, ALoanLineRefusedLeavesThatBookUntouched)
{
    trigger("mnuop");
    catalogue.exec("CREATE TABLE prestiti (id INTEGER PRIMARY KEY, iddorvo INTEGER, a TEXT, dal TEXT, al TEXT);"
                   "CREATE TRIGGER fermo BEFORE INSERT ON prestiti WHEN new.iddorvo = 3 "
                   "BEGIN SELECT RAISE(ABORT, 'vietato'); END;");
    chooseRows({0, 2});
    services.dialogScript = lendTo(QStringLiteral("Marta"), QDate(2026, 10, 1));
    trigger("mnupresta");
    EXPECT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(loans(), "1:Marta:2026-10-01");
    EXPECT_EQ(catalogue.scalar("SELECT group_concat(iddorvo) FROM prestiti"), "1");
    EXPECT_EQ(grid->model()->index(2, 4).data().toString(), QString()) << "the grid shows what the file holds";
    trigger("mnuannulla");
    EXPECT_EQ(loans(), "");
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM prestiti"), "0");
}

TEST_F(LoanCommands, OutsideGestioneOrWithNothingChosenNothingIsWritten)
{
    trigger("mnuall");
    chooseRows({0});
    trigger("mnupresta");
    trigger("mnuop");
    services.dialogScript = [](QDialog& dialog) { dialog.reject(); };
    chooseRows({1});
    trigger("mnupresta");
    EXPECT_EQ(services.informations.size(), 1u);
    EXPECT_EQ(services.dialogsRun, 1);
    EXPECT_EQ(loans(), "");
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM sqlite_schema WHERE name = 'prestiti'"), "0");
}

TEST_F(LoanCommands, BooksOutListOldestFirstEditableWithTheirDaysAndTheLateOnesMarked)
{
    const QDate today = QDate::currentDate();
    catalogue.exec("UPDATE dorvi SET prestato_a = 'Marta', prestato_il = '" +
                   today.addDays(-3).toString(Qt::ISODate).toStdString() + "' WHERE iddorvo = 2;" +
                   "UPDATE dorvi SET prestato_a = 'Luca', prestato_il = '" +
                   today.addDays(-45).toString(Qt::ISODate).toStdString() + "' WHERE iddorvo = 5;");
    trigger("mnuop");
    trigger("mnuinprestito");
    ASSERT_EQ(grid->model()->rowCount(), 3); // two books and the new-row line
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), QStringLiteral("Alcyone"));
    EXPECT_TRUE(grid->model()->flags(grid->model()->index(0, 2)) & Qt::ItemIsEditable);
    const auto* line = window.findChild<QLabel*>(QStringLiteral("rigaavvisi"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text().toStdString(), std::string("2 libri in prestito, 1 da più di 30 giorni: «Alcyone» a Luca da 45 "
                                           "giorni (oltre 30 giorni!); «Il piacere» a Marta da 3 giorni"));
    EXPECT_TRUE(line->isVisible());

    // Each loan's days are in the list itself, and the late one is marked, for the eye,
    // the mouse and the screen reader.
    const int since = 5; // prestato_il
    const QModelIndex late = grid->model()->index(0, since);
    const QModelIndex recent = grid->model()->index(1, since);
    EXPECT_EQ(late.data(OverdueDaysRole).toLongLong(), 45);
    EXPECT_FALSE(recent.data(OverdueDaysRole).isValid());
    EXPECT_FALSE(grid->model()->index(0, 4).data(OverdueDaysRole).isValid()); // only its date
    EXPECT_EQ(late.data(Qt::ToolTipRole).toString(), QStringLiteral("In prestito da 45 giorni, oltre 30."));
    EXPECT_EQ(recent.data(Qt::ToolTipRole).toString(), QStringLiteral("In prestito da 3 giorni."));
    EXPECT_TRUE(late.data(Qt::AccessibleTextRole).toString().endsWith(QStringLiteral(", in prestito da 45 giorni, oltre 30")))
        << late.data(Qt::AccessibleTextRole).toString().toStdString();
    OpenCellPainter painter;
    QStyleOptionViewItem lateCell, recentCell;
    painter.initStyleOption(&lateCell, late);
    painter.initStyleOption(&recentCell, recent);
    EXPECT_TRUE(lateCell.text.startsWith(QStringLiteral("⚠ ")));
    EXPECT_TRUE(lateCell.font.bold());
    EXPECT_FALSE(recentCell.text.startsWith(QStringLiteral("⚠")));
    EXPECT_NE(lateCell.palette.color(QPalette::Text), recentCell.palette.color(QPalette::Text));
    // Given back, the mark goes.
    catalogue.exec("UPDATE dorvi SET prestato_a = '  ' WHERE iddorvo = 5");
    trigger("mnuall");
    EXPECT_FALSE(grid->model()->index(4, since).data().toString().isEmpty()); // the date stays
    EXPECT_FALSE(grid->model()->index(4, since).data(OverdueDaysRole).isValid());

    trigger("mnuall"); // another listing ends the notice
    EXPECT_TRUE(line->text().isEmpty());
}

// The line under Libri in prestito follows the list: a book given back there is
// named no more, and the last one given back leaves nothing to say; Annulla brings
// the line back with the book. Another tool's notice meanwhile is left alone.
TEST_F(LoanCommands, TheBooksOutLineFollowsTheReturnsMadeInTheList)
{
    const QDate today = QDate::currentDate();
    catalogue.exec("UPDATE dorvi SET prestato_a = 'Marta', prestato_il = '" +
                   today.addDays(-3).toString(Qt::ISODate).toStdString() + "' WHERE iddorvo = 2;" +
                   "UPDATE dorvi SET prestato_a = 'Luca', prestato_il = '" +
                   today.addDays(-45).toString(Qt::ISODate).toStdString() + "' WHERE iddorvo = 5;");
    trigger("mnuop");
    trigger("mnuinprestito");
    const auto* line = window.findChild<QLabel*>(QStringLiteral("rigaavvisi"));
    ASSERT_NE(line, nullptr);
    chooseRows({0}); // Alcyone, to Luca
    trigger("mnurestituito");
    EXPECT_EQ(line->text(), QStringLiteral("1 libro in prestito: «Il piacere» a Marta da 3 giorni"));
    trigger("mnuannulla");
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("2 libri in prestito, 1 da più di 30 giorni")))
        << line->text().toStdString();
    chooseRows({0, 1});
    trigger("mnurestituito");
    EXPECT_TRUE(line->text().isEmpty()) << line->text().toStdString();
    EXPECT_FALSE(line->isVisible());

    trigger("mnuannulla");
    NoticeLine::of(window).tell(QStringLiteral("Doppione di «I Malavoglia»"));
    chooseRows({1});
    trigger("mnurestituito");
    EXPECT_EQ(line->text(), QStringLiteral("Doppione di «I Malavoglia»"));
}

// A list imported with a book already lent: the book and its line of the loans
// are one step of Annulla, taken back and done again together.
TEST_F(LoanCommands, AnImportedLoanIsTakenBackWithItsBook)
{
    const std::string csv = catalogue.folder().toStdString() + "/tellico.csv";
    std::ofstream(csv) << "autore;titolo;prestato_a;prestato_il\n"
                          "Natalia Ginzburg;Lessico famigliare;Robby;2026-10-01\n";
    services.fileAnswers = {QString::fromStdString(csv)};
    services.dialogScript = [](QDialog& dialog) {
        if (auto* import = dynamic_cast<ImportDialog*>(&dialog))
            import->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
    trigger("mnuop");
    trigger("mnuimporta");
    const std::string ledger =
        "SELECT coalesce(group_concat(iddorvo || ':' || a || ':' || dal, ' '), '') FROM prestiti";
    ASSERT_EQ(catalogue.scalar(ledger), "6:Robby:2026-10-01");
    EXPECT_EQ(window.history()->undoText(), "importazione di un libro");
    trigger("mnuannulla");
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "5");
    EXPECT_EQ(catalogue.scalar(ledger), "");
    trigger("mnuripeti");
    EXPECT_EQ(catalogue.scalar("SELECT titolo FROM dorvi WHERE iddorvo = 6"), "Lessico famigliare");
    EXPECT_EQ(catalogue.scalar(ledger), "6:Robby:2026-10-01");
    EXPECT_TRUE(services.errors.empty());
}

TEST(LoanCommandsOnOldCatalogue, AddsTheColumnsAfterASafetyCopyAndLendsTheBookChosen)
{
    TestCatalogue books;
    FakeWindowServices services{books.folder()};
    Frmdorvi window{services};
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* grid = window.findChild<DataGrid*>();
    window.findChild<QAction*>(QStringLiteral("mnuop"))->trigger();
    grid->setCurrentIndex(grid->model()->index(3, 1));
    grid->clearSelection();
    ASSERT_FALSE(window.catalogue()->field("prestato_il"));
    services.dialogScript = lendTo(QStringLiteral("Marta"));
    window.findChild<QAction*>(QStringLiteral("mnupresta"))->trigger();
    EXPECT_EQ(books.scalar("SELECT iddorvo || prestato_a FROM dorvi WHERE prestato_a IS NOT NULL"), "4Marta");
    EXPECT_EQ(window.copies().copies().list().size(), 1u);
    EXPECT_EQ(grid->model()->columnCount(), 6);
    const auto since = window.catalogue()->field("prestato_il"); // the window's fields know the columns added
    ASSERT_TRUE(since);
    EXPECT_EQ(since->kind, catalogue::FieldKind::Date);
    EXPECT_TRUE(services.errors.empty());
}

TEST(LoanHistoryListTest, ShowsABooksLoansOldestFirstAndSaysWhenThereAreNone)
{
    TestCatalogue books;
    {
        const auto db = openFile(books.path());
        catalogue::recordLoan(db.get(), 2, "Marta", "2026-01-05");
        catalogue::recordReturn(db.get(), 2, "2026-02-10");
        catalogue::recordLoan(db.get(), 2, "Luca", "2026-03-01");
    }
    LoanHistoryList list;
    list.showBook(books.folder() + QStringLiteral("/dorvi.mdb"), 2);
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(0)->text(0) + " " + list.topLevelItem(0)->text(1) + " " + list.topLevelItem(0)->text(2),
              QStringLiteral("Marta 5/1/2026 10/2/2026"));
    EXPECT_EQ(list.topLevelItem(1)->text(2), QStringLiteral("in prestito"));
    list.showBook(books.folder() + QStringLiteral("/dorvi.mdb"), 1);
    ASSERT_EQ(list.topLevelItemCount(), 1);
    EXPECT_EQ(list.topLevelItem(0)->text(0), QStringLiteral("Mai prestato"));
    list.showBook(books.folder() + QStringLiteral("/manca.mdb"), 1);
    EXPECT_TRUE(list.topLevelItem(0)->text(0).startsWith(QStringLiteral("Prestiti non leggibili")));
}

// A loan's day written the Italian way (by hand, or by another program) reads
// the same in the line under the list as in the grid's overdue mark: both say
// how long the book has been out, and both call it late.
TEST_F(LoanCommands, TheBooksOutLineAndTheOverdueMarkReadTheSameDate)
{
    const QDate lent = QDate::currentDate().addDays(-45);
    catalogue.exec("UPDATE dorvi SET prestato_a = 'Luca', prestato_il = '" +
                   lent.toString(QStringLiteral("d/M/yyyy")).toStdString() + "' WHERE iddorvo = 5;");
    trigger("mnuop");
    trigger("mnuinprestito");
    const auto* line = window.findChild<QLabel*>(QStringLiteral("rigaavvisi"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QStringLiteral("1 libro in prestito, 1 da più di 30 giorni: «Alcyone» a Luca da 45 giorni "
                                           "(oltre 30 giorni!)"));
    EXPECT_EQ(grid->model()->index(0, 5).data(OverdueDaysRole).toLongLong(), 45);
}
