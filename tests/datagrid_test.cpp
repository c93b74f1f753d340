// The real grid on Qt's offscreen platform: the three permissions, editing through
// the view's own editors, the new-row line, deletion, copying, and errors.
#include "celleditor.h"
#include "gridinput.h"
#include "datagrid.h"
#include "deletionquestion.h"
#include "dialogscript.h"
#include "fakes.h"
#include "gridkeyboard.h"
#include "history.h"
#include "qtwindowservices.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "shownrowsmodel.h"
#include "testcatalogue.h"
#include "celltext.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QHelpEvent>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

using catalogue::ErrorNumber;

namespace {

class GridTest : public ::testing::Test {
protected:
    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
    DataGrid grid{services};
    std::unique_ptr<QAbstractItemModelTester> tester;
    int afterUpdates = 0;
    int addNews = 0;

    void SetUp() override
    {
        grid.setNotifications({[this] { ++afterUpdates; }, [this] { ++addNews; }});
        grid.resize(681, 393);
        grid.show();
        grid.activateWindow();
        grid.setFocus();
    }

    void bind(const std::string& sql = "select * from dorvi;")
    {
        grid.setDataSource(openRecordset(catalogue.path(), sql));
        tester = std::make_unique<QAbstractItemModelTester>(grid.model(),
                                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void setAll(bool allow)
    {
        grid.setAllowAddNew(allow);
        grid.setAllowDelete(allow);
        grid.setAllowUpdate(allow);
    }
    QString shown(int row, int column) const { return grid.model()->index(row, column).data().toString(); }

    // Types into a cell the way a user does: select it, type, finish with `key`.
    // The first key opens the editor; the rest go to the editor, as focus would send them.
    void type(int row, int column, const QString& text, Qt::Key key = Qt::Key_Return)
    {
        grid.setCurrentIndex(grid.model()->index(row, column));
        QTest::keyClicks(&grid, text.left(1));
        if (auto* editor = openEditor()) {
            QTest::keyClicks(editor, text.mid(1));
            QTest::keyClick(editor, key);
        }
        settle();
    }
    // The editor commits on a queued call, and errors are shown on a further one.
    QLineEdit* openEditor() const { return openEditorIn(grid); }
    // Opens the editor of the cell at `row`, `column` as F2 does.
    QLineEdit* editCell(int row, int column)
    {
        const QModelIndex cell = grid.model()->index(row, column);
        grid.setCurrentIndex(cell);
        static_cast<QAbstractItemView&>(grid).edit(cell);
        return openEditor();
    }
};

// Each title and author stands in Unicode isolates (FSI ... PDI) inside the sentence.
QString isolated(const QString& text)
{
    return QChar(0x2068) + text + QChar(0x2069);
}

} // namespace

TEST_F(GridTest, ShowsEveryColumnByNameAndEveryRow)
{
    bind();
    EXPECT_EQ(grid.model()->rowCount(), 5);
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(), "autore");
    EXPECT_EQ(shown(1, 1), "Gabriele D'Annunzio");
    EXPECT_EQ(shown(1, 0), "2");
}

TEST_F(GridTest, ReadOnlyModeAcceptsNoEditNoNewRowNoDeletion)
{
    bind();
    setAll(false);
    EXPECT_EQ(grid.model()->rowCount(), 5) << "no new-row line";
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable);
    type(0, 1, "Sostituito");
    EXPECT_FALSE(grid.model()->setData(grid.model()->index(0, 1), "Sostituito"));

    services.confirmAnswers = {true};
    grid.selectRow(2);
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_TRUE(services.confirmations.empty());
    EXPECT_EQ(catalogue.rows("select autore from dorvi order by iddorvo").front().front(), "Alessandro Manzoni");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
}

TEST_F(GridTest, TypedCellIsWrittenAtOnce)
{
    setAll(true);
    bind();
    type(2, 2, "Uno, nessuno e centomila");
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=3"), "Uno, nessuno e centomila");
    EXPECT_EQ(shown(2, 2), "Uno, nessuno e centomila");
    EXPECT_EQ(afterUpdates, 1);
    EXPECT_TRUE(services.errors.empty());
}

TEST_F(GridTest, UnchangedCellIsNotWritten)
{
    setAll(true);
    bind();
    QSignalSpy changed(grid.model(), &QAbstractItemModel::dataChanged);
    EXPECT_TRUE(grid.model()->setData(grid.model()->index(0, 1), "Alessandro Manzoni"));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(afterUpdates, 0);
    EXPECT_TRUE(grid.model()->setData(grid.model()->index(0, 3), QVariant()));
    EXPECT_EQ(catalogue.scalar("select quote(genere) from dorvi where iddorvo=1"), "NULL");
    EXPECT_EQ(changed.count(), 1) << "one row changed, no reset";
}

TEST_F(GridTest, NewRowLineBecomesTheBookBeingTyped)
{
    setAll(true);
    bind();
    ASSERT_EQ(grid.model()->rowCount(), 6);
    EXPECT_EQ(grid.model()->headerData(5, Qt::Vertical).toString(), "*");

    type(5, 1, "Italo Calvino", Qt::Key_Tab);
    EXPECT_EQ(addNews, 1);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5") << "nothing is written while the book is typed";
    EXPECT_EQ(shown(5, 1), "Italo Calvino") << "the line holds what was typed";
    EXPECT_EQ(grid.model()->rowCount(), 7);
    EXPECT_EQ(grid.model()->headerData(5, Qt::Vertical).toString(), QString::fromUtf8("✎"));
    EXPECT_EQ(grid.model()->headerData(6, Qt::Vertical).toString(), "*");

    // Tab went on to the title of the same book, not to a second new line.
    ASSERT_NE(openEditor(), nullptr);
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(5, 2));
    QTest::keyClicks(openEditor(), "Il barone rampante");
    QTest::keyClick(openEditor(), Qt::Key_Return);
    settle();
    EXPECT_EQ(catalogue.rows("select autore, titolo from dorvi where iddorvo >= 6"),
              (std::vector<std::vector<std::string>>{{"Italo Calvino", "Il barone rampante"}}));
    EXPECT_EQ(shown(5, 0), "6") << "the key the database gave is shown";
    EXPECT_EQ(grid.model()->rowCount(), 7);
    EXPECT_EQ(grid.model()->headerData(5, Qt::Vertical).toString(), "");
    EXPECT_EQ(grid.model()->headerData(6, Qt::Vertical).toString(), "*");
    EXPECT_EQ(addNews, 1) << "one book begun";
    EXPECT_EQ(afterUpdates, 1) << "one book written";
}

TEST_F(GridTest, DeleteAsksFirstAndNoKeepsTheBook)
{
    setAll(true);
    bind();
    grid.selectRow(1);
    QTest::keyClick(&grid, Qt::Key_Delete); // no scripted answer: the user says No
    ASSERT_EQ(services.confirmations.size(), 1u);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");

    services.confirmAnswers = {true};
    grid.setSelectionMode(QAbstractItemView::MultiSelection);
    grid.selectRow(3);
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_EQ(catalogue.rows("select iddorvo from dorvi order by iddorvo"),
              (std::vector<std::vector<std::string>>{{"1"}, {"3"}, {"5"}}));
    EXPECT_EQ(grid.model()->rowCount(), 4) << "three books and the new-row line";
    EXPECT_EQ(shown(1, 2), "Il fu Mattia Pascal");
}

TEST_F(GridTest, QuestionBeforeDeletingDefaultsToNo)
{
    QtWindowServices real;
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_FALSE(real.confirm("Eliminare?", "Elimina libri"));
}

TEST_F(GridTest, PermissionsApplyToRowsShownAndSurviveRebinding)
{
    bind();
    setAll(true);
    EXPECT_TRUE(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_EQ(grid.model()->rowCount(), 6);
    bind("select * from dorvi where genere='Romanzo';");
    EXPECT_EQ(grid.model()->rowCount(), 3);
    EXPECT_TRUE(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable);
    setAll(false);
    EXPECT_EQ(grid.model()->rowCount(), 2);
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 1)) & Qt::ItemIsEditable);
}

TEST_F(GridTest, OpenEditIsWrittenBeforeRebinding)
{
    setAll(true);
    bind();
    grid.setCurrentIndex(grid.model()->index(0, 3));
    QTest::keyClicks(&grid, "C");
    ASSERT_NE(openEditor(), nullptr);
    QTest::keyClicks(openEditor(), "lassico");
    bind();
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=1"), "Classico");
    EXPECT_EQ(openEditor(), nullptr);
}

TEST_F(GridTest, RefusedWriteIsShownAndCellKeepsTheFileValue)
{
    setAll(true);
    bind();
    ASSERT_EQ(::chmod(catalogue.path().c_str(), 0444), 0);
    bind();
    type(0, 1, "Manzoni");
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::ReadOnlyFile);
    EXPECT_EQ(shown(0, 1), "Alessandro Manzoni");
    EXPECT_EQ(afterUpdates, 0);
}

TEST_F(GridTest, ConflictIsShownAndTheRowReloaded)
{
    setAll(true);
    bind();
    catalogue.exec("UPDATE dorvi SET titolo='Il Piacere' WHERE iddorvo=2");
    type(1, 2, "Il piacere (1889)");
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::RowChanged);
    EXPECT_EQ(shown(1, 2), "Il Piacere");
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=2"), "Il Piacere");
}

TEST_F(GridTest, CopiesSelectionAsTabSeparatedText)
{
    bind();
    QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "iddorvo\tautore\ttitolo\tgenere");
    EXPECT_EQ(lines[2], "2\tGabriele D'Annunzio\tIl piacere\tRomanzo");

    grid.clearSelection();
    grid.selectionModel()->select(grid.model()->index(3, 2), QItemSelectionModel::Select);
    EXPECT_EQ(grid.selectedText(), "La Divina Commedia\n") << "cells alone carry no heading";
}

TEST_F(GridTest, BackColorIsReadAsBlueGreenRed)
{
    grid.setBackColor(0x00FFFF);
    EXPECT_EQ(grid.palette().color(QPalette::Base), QColor(255, 255, 0)) << "yellow";
    grid.setBackColor(0xFF0000);
    EXPECT_EQ(grid.palette().color(QPalette::Base), QColor(0, 0, 255));
}

TEST_F(GridTest, CountResultIsReadOnlyEvenInEditingMode)
{
    for (const bool allowFirst : {true, false}) {
        if (allowFirst)
            setAll(true);
        bind("select count(iddorvo)as Totale_dorvi from dorvi;");
        setAll(true);
        EXPECT_EQ(grid.model()->rowCount(), 1) << "no new-row line under the count";
        EXPECT_EQ(grid.model()->headerData(0, Qt::Vertical).toString(), "");
        EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable);
        EXPECT_TRUE(grid.lacksNewRowLine());
        type(0, 0, "7");
        EXPECT_EQ(shown(0, 0), "5");
        EXPECT_TRUE(services.errors.empty()) << "nothing to refuse: the cell never opened";
        setAll(false);
        EXPECT_EQ(grid.model()->rowCount(), 1);
    }
    bind();
    setAll(true);
    EXPECT_EQ(grid.model()->rowCount(), 6) << "the table's rows take new books again";
    EXPECT_FALSE(grid.lacksNewRowLine());
}

struct KeyMove {
    const char* name;
    std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys;
    std::set<int> selectedRows;
};

class Moves : public GridTest, public ::testing::WithParamInterface<KeyMove> {};

// The selection is where the cursor is after any keyboard move, unless Shift
// extends it; it never stays behind out of sight.
TEST_P(Moves, SelectionFollowsTheCursor)
{
    setAll(true);
    bind();
    ASSERT_EQ(grid.currentIndex(), grid.model()->index(0, 0)) << "a new result starts on its first row";
    for (const auto& [key, modifiers] : GetParam().keys)
        QTest::keyClick(&grid, key, modifiers);
    std::set<int> rows;
    for (const QModelIndex& index : grid.selectionModel()->selectedIndexes())
        rows.insert(index.row());
    EXPECT_EQ(rows, GetParam().selectedRows);
    EXPECT_TRUE(rows.count(grid.currentIndex().row())) << "the cursor is inside the selection";
}

INSTANTIATE_TEST_SUITE_P(
    Keys, Moves,
    ::testing::Values(
        KeyMove{"Down", {{Qt::Key_Down, Qt::NoModifier}, {Qt::Key_Down, Qt::NoModifier}}, {2}},
        KeyMove{"CtrlEnd", {{Qt::Key_Down, Qt::NoModifier}, {Qt::Key_End, Qt::ControlModifier}}, {5}},
        KeyMove{"CtrlHome", {{Qt::Key_End, Qt::ControlModifier}, {Qt::Key_Home, Qt::ControlModifier}}, {0}},
        KeyMove{"CtrlDown", {{Qt::Key_Down, Qt::ControlModifier}}, {1}},
        KeyMove{"PageDownUp", {{Qt::Key_PageDown, Qt::NoModifier}, {Qt::Key_PageUp, Qt::NoModifier}}, {0}},
        KeyMove{"ShiftExtends", {{Qt::Key_Down, Qt::NoModifier}, {Qt::Key_Down, Qt::ShiftModifier}}, {1, 2}},
        KeyMove{"CtrlShiftEndExtends", {{Qt::Key_Down, Qt::NoModifier}, {Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier}},
                {1, 2, 3, 4, 5}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridTest, DeleteAfterCtrlEndLosesNothing)
{
    setAll(true);
    bind();
    services.confirmAnswers = {true};
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_TRUE(services.confirmations.empty()) << "nothing but the new-row line is selected";
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
}

TEST_F(GridTest, TakingFocusGivesACurrentCellOnTheFirstRow)
{
    QLineEdit elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    elsewhere.setFocus();
    grid.takeFocus();
    EXPECT_FALSE(grid.currentIndex().isValid()) << "nothing bound, nothing to stand on";
    bind();
    grid.setCurrentIndex({});
    grid.takeFocus();
    QApplication::setActiveWindow(&grid);
    EXPECT_TRUE(grid.hasFocus());
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(0, 0));
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.currentIndex().row(), 1) << "the first arrow already moves";
}

namespace {
// Every warning Qt prints while alive, so a test can say none was.
class QtWarnings {
public:
    QtWarnings() : m_previous(qInstallMessageHandler(&QtWarnings::record)) { recorded().clear(); }
    ~QtWarnings() { qInstallMessageHandler(m_previous); }
    static QStringList& recorded()
    {
        static QStringList messages;
        return messages;
    }

private:
    static void record(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            recorded() << message;
    }
    QtMessageHandler m_previous;
};
} // namespace

TEST_F(GridTest, BookDeletedElsewhereLeavesTheGridCleanly)
{
    setAll(true);
    bind();
    QtWarnings warnings;
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo=2");
    type(1, 2, "Il Piacere");
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::RowGone);
    EXPECT_EQ(grid.model()->rowCount(), 5) << "four books and the new-row line";
    EXPECT_EQ(shown(1, 2), "Il fu Mattia Pascal");
    EXPECT_EQ(openEditor(), nullptr);
    EXPECT_TRUE(QtWarnings::recorded().isEmpty()) << QtWarnings::recorded().join('\n').toStdString();
    type(0, 3, "Classico");
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=1"), "Classico") << "editing goes on";
}

TEST_F(GridTest, CtrlAInEditingModeNeverCopiesCountsOrDeletesTheNewRowLine)
{
    setAll(true);
    bind();
    QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(grid.selectionModel()->isRowSelected(5, {})) << "the new-row line is selected too";
    QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split('\n');
    EXPECT_EQ(lines.size(), 7) << "the heading, five books and the end of the last line";
    EXPECT_TRUE(lines.back().isEmpty());

    services.confirmAnswers = {true};
    QTest::keyClick(&grid, Qt::Key_Delete);
    ASSERT_EQ(services.confirmations.size(), 1u);
    EXPECT_EQ(services.confirmations[0].text,
              "Eliminare dal catalogo 5 libri, da «" + isolated("I promessi sposi") + "» a «" + isolated("Alcyone") + "»?");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "0");
    ASSERT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(grid.model()->headerData(0, Qt::Vertical).toString(), "*") << "the new-row line stays";
    EXPECT_TRUE(services.errors.empty());
}

TEST_F(GridTest, CancOnTheNewRowLineAloneDoesNothing)
{
    setAll(true);
    bind();
    grid.setCurrentIndex(grid.model()->index(5, 1));
    services.confirmAnswers = {true};
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_TRUE(services.confirmations.empty());
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
}

TEST_F(GridTest, QuestionNamesTheBooksItDeletes)
{
    bind();
    const auto& shown = *grid.recordsetModel()->recordset();
    EXPECT_EQ(deletionQuestion(shown, {1}), "Eliminare dal catalogo il libro «" + isolated("Il piacere") + "» di " +
                                                isolated("Gabriele D'Annunzio") + "?");
    EXPECT_EQ(deletionQuestion(shown, {0, 2, 4}),
              "Eliminare dal catalogo questi 3 libri?\n\n«" + isolated("I promessi sposi") + "» di " +
                  isolated("Alessandro Manzoni") + "\n«" + isolated("Il fu Mattia Pascal") + "» di " +
                  isolated("Luigi Pirandello") + "\n«" + isolated("Alcyone") + "» di " + isolated("Gabriele D'Annunzio"));
    EXPECT_EQ(deletionQuestion(shown, {1, 2, 3, 4}),
              "Eliminare dal catalogo 4 libri, da «" + isolated("Il piacere") + "» a «" + isolated("Alcyone") + "»?");
}

// A title of a megabyte took seconds to lay out in the question, and an override
// never closed turned the rest of it around: the question quotes at most about
// 80 characters of each, closed off.
TEST_F(GridTest, QuestionQuotesHugeAndRightToLeftTitlesSafely)
{
    catalogue.exec("UPDATE dorvi SET titolo = printf('%.*c', 1000000, 'x') WHERE iddorvo = 1;"
                   "UPDATE dorvi SET titolo = char(0x202E) || '1 erotuA id' WHERE iddorvo = 2");
    bind();
    const auto& shown = *grid.recordsetModel()->recordset();
    EXPECT_EQ(deletionQuestion(shown, {0}), "Eliminare dal catalogo il libro «" + isolated(QString(79, 'x') + QChar(0x2026)) +
                                                "» di " + isolated("Alessandro Manzoni") + "?");
    EXPECT_EQ(deletionQuestion(shown, {1}), "Eliminare dal catalogo il libro «" +
                                                isolated(QChar(0x202E) + QStringLiteral("1 erotuA id")) + "» di " +
                                                isolated("Gabriele D'Annunzio") + "?");
}

// The question lists the books as the grid shows them, sorted here by title,
// while the deletion takes exactly those.
TEST_F(GridTest, QuestionListsTheBooksInTheGridsOrder)
{
    setAll(true);
    bind();
    grid.shownRows()->sortByColumn(2, Qt::AscendingOrder);
    ASSERT_EQ(shown(0, 2), "Alcyone");
    grid.setSelectionMode(QAbstractItemView::MultiSelection);
    for (int row : {0, 1, 2})
        grid.selectRow(row);
    services.confirmAnswers = {true};
    QTest::keyClick(&grid, Qt::Key_Delete);
    ASSERT_EQ(services.confirmations.size(), 1u);
    EXPECT_EQ(services.confirmations[0].text,
              "Eliminare dal catalogo questi 3 libri?\n\n«" + isolated("Alcyone") + "» di " +
                  isolated("Gabriele D'Annunzio") + "\n«" + isolated("I promessi sposi") + "» di " +
                  isolated("Alessandro Manzoni") + "\n«" + isolated("Il fu Mattia Pascal") + "» di " +
                  isolated("Luigi Pirandello"));
    EXPECT_EQ(catalogue.rows("select iddorvo from dorvi order by iddorvo"), (std::vector<std::vector<std::string>>{{"2"}, {"4"}}));
}

// A deletion another program stops while its question is open: the error box
// opens at once, and the deletion's progress dialog, whose own timer showed it
// half a second later over the box, is closed before it.
TEST_F(GridTest, RefusedDeletionsMessageIsNeverCoveredByItsProgress)
{
    struct AnsweringYes : QtWindowServices {
        std::function<void()> meanwhile;
        bool confirm(const QString&, const QString&) override
        {
            meanwhile();
            return true;
        }
    } real;
    real.meanwhile = [&] { catalogue.exec("UPDATE dorvi SET genere = 'Poema sacro' WHERE iddorvo = 4"); };
    real.setWindow(&grid);
    DataGrid shown(real);
    shown.setAllowDelete(true);
    shown.setDataSource(openRecordset(catalogue.path(), "select * from dorvi;"));
    shown.show();
    shown.setSelectionMode(QAbstractItemView::MultiSelection);
    for (int row : {1, 2, 3})
        shown.selectRow(row);
    bool boxShown = false;
    QList<QProgressDialog*> coveringIt;
    QObject scripts;
    whenShown<QMessageBox>(scripts, [&](QMessageBox* box) {
        boxShown = true;
        QTest::qWait(700);
        coveringIt = visibleProgress();
        box->accept();
    });
    shown.deleteSelectedRows();
    EXPECT_TRUE(boxShown);
    EXPECT_TRUE(coveringIt.isEmpty()) << "the progress dialog covered the message";
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
}

TEST_F(GridTest, ManyPiecesAtOnceLeaveTheRowsAndCursorRight)
{
    TestCatalogue::Books books;
    for (int n = 1; n <= 40; ++n)
        books.push_back({"Autore " + std::to_string(n), "Titolo " + std::to_string(n), "Genere"});
    TestCatalogue many(books);
    setAll(true);
    grid.setDataSource(openRecordset(many.path(), "select * from dorvi;"));
    QAbstractItemModelTester checked(grid.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    grid.setSelectionMode(QAbstractItemView::MultiSelection);
    for (int row = 0; row < 40; row += 2)
        grid.selectRow(row); // twenty pieces of one book each
    services.confirmAnswers = {true};
    grid.deleteSelectedRows();
    EXPECT_EQ(many.scalar("select count(*) from dorvi"), "20");
    ASSERT_EQ(grid.model()->rowCount(), 21);
    EXPECT_EQ(shown(0, 2), "Titolo 2");
    EXPECT_EQ(shown(19, 2), "Titolo 40");
    EXPECT_TRUE(grid.currentIndex().isValid());
}

TEST_F(GridTest, BlobCellIsNeverEditedAsText)
{
    catalogue.exec("UPDATE dorvi SET genere = x'D0CF11E0A1B11AE1' WHERE iddorvo=2");
    setAll(true);
    bind();
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(1, 3)) & Qt::ItemIsEditable);
    EXPECT_TRUE(grid.model()->flags(grid.model()->index(1, 2)) & Qt::ItemIsEditable);
    type(1, 3, "Romanzo");
    EXPECT_EQ(catalogue.scalar("select hex(genere) from dorvi where iddorvo=2"), "D0CF11E0A1B11AE1");
    EXPECT_EQ(afterUpdates, 0);
}

TEST_F(GridTest, EmptyCellOpenedAndLeftWritesNothing)
{
    catalogue.exec("UPDATE dorvi SET genere=NULL WHERE iddorvo=3");
    setAll(true);
    bind();
    QLineEdit* editor = editCell(2, 3);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(catalogue.scalar("select quote(genere) from dorvi where iddorvo=3"), "NULL");
    EXPECT_EQ(afterUpdates, 0) << "nothing turns green";
}

TEST_F(GridTest, ClearedTextCellStoresEmptyTextNotNull)
{
    setAll(true);
    bind();
    QLineEdit* editor = editCell(2, 3);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(catalogue.scalar("select quote(genere) from dorvi where iddorvo=3"), "''");
    EXPECT_EQ(afterUpdates, 1);
}

TEST_F(GridTest, RefusedEditOpensAgainHoldingWhatWasTyped)
{
    catalogue.makeKeyTyped();
    setAll(true);
    bind();
    type(0, 0, "2"); // the key of another book, in a file where the user types the key
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::DuplicateKey);
    ASSERT_NE(openEditor(), nullptr) << "the editor is open again";
    EXPECT_EQ(openEditor()->text(), "2");
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(0, 0));
    openEditor()->setText("10");
    QTest::keyClick(openEditor(), Qt::Key_Return);
    settle();
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=10"), "Alessandro Manzoni");
    EXPECT_EQ(services.errors.size(), 1u);
}

TEST_F(GridTest, HundredThousandCharacterPasteIsKeptWhole)
{
    setAll(true);
    bind();
    const QString pasted = QString(99999, QLatin1Char('a')) + QLatin1Char('z');
    QApplication::clipboard()->setText(pasted);
    grid.setCurrentIndex(grid.model()->index(2, 2));
    QTest::keyClick(&grid, Qt::Key_F2);
    ASSERT_NE(openEditor(), nullptr);
    openEditor()->selectAll();
    QTest::keyClick(openEditor(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(openEditor(), Qt::Key_Return);
    settle();
    EXPECT_EQ(catalogue.scalar("select length(titolo) || substr(titolo, -1) from dorvi where iddorvo=3"), "100000z");
    EXPECT_TRUE(services.errors.empty());
}

class LineBreaks : public GridTest, public ::testing::WithParamInterface<const char*> {};

// A value with line breaks opens in a multi-line editor and comes back with every
// line and line end as it was, plus what was typed.
TEST_P(LineBreaks, AreEditedWithoutLoss)
{
    const std::string end = GetParam();
    catalogue.exec("UPDATE dorvi SET titolo = 'Canto I' || char(" + std::string(end == "\r\n" ? "13, 10" : "10") +
                   ") || 'Canto II' WHERE iddorvo = 4");
    setAll(true);
    bind();
    grid.setCurrentIndex(grid.model()->index(3, 2));
    QTest::keyClick(&grid, Qt::Key_F2);
    auto* editor = grid.findChild<QPlainTextEdit*>();
    ASSERT_NE(editor, nullptr) << "a multi-line editor";
    EXPECT_EQ(editor->toPlainText(), "Canto I\nCanto II");
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, "Canto III");
    QTest::keyClick(editor, Qt::Key_Tab);
    settle();
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=4"),
              "Canto I" + end + "Canto II" + end + "Canto III");
}

INSTANTIATE_TEST_SUITE_P(EachLineEnd, LineBreaks, ::testing::Values("\n", "\r\n"),
                         [](const auto& info) { return std::string(info.param[0] == '\r' ? "CrLf" : "Lf"); });

TEST_F(GridTest, MovingToAnotherCellWritesTheOpenEdit)
{
    setAll(true);
    bind();
    grid.setCurrentIndex(grid.model()->index(1, 3));
    QTest::keyClicks(&grid, "D");
    ASSERT_NE(openEditor(), nullptr);
    QTest::keyClicks(openEditor(), "ecadente");
    grid.setCurrentIndex(grid.model()->index(4, 1)); // as a click elsewhere does
    settle();
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=2"), "Decadente");
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(4, 1)) << "the cursor stays where the click put it";
}

TEST_F(GridTest, ControlCharactersShowAsMarksAndStayStored)
{
    catalogue.exec("UPDATE dorvi SET titolo = char(0) WHERE iddorvo = 1;"
                   "UPDATE dorvi SET titolo = 'Il' || char(1) || 'piacere' || char(27) WHERE iddorvo = 2");
    setAll(true);
    bind();
    EXPECT_EQ(shown(0, 2), QString::fromUtf8("␀")) << "a title of one NUL does not look empty";
    EXPECT_EQ(shown(1, 2), QString::fromUtf8("Il␁piacere␛"));
    EXPECT_EQ(grid.model()->index(1, 2).data(Qt::EditRole).toString(), QString::fromUtf8("Il\x01piacere\x1b"));
    type(1, 3, "Romanzo decadente");
    EXPECT_EQ(catalogue.scalar("select hex(titolo) from dorvi where iddorvo=2"), "496C01706961636572651B");
}

TEST_F(GridTest, ProgramWidthsFollowEachResultAndNeverPassTheGrid)
{
    bind("select * from dorvi where iddorvo=4;");
    const int narrow = grid.columnWidth(2);
    grid.setColumnWidth(3, 222); // by hand
    catalogue.exec("UPDATE dorvi SET titolo = 'Uno, nessuno e centomila: romanzo in otto libri' WHERE iddorvo=3;"
                   "UPDATE dorvi SET autore = '" + std::string(100000, 'x') + "' WHERE iddorvo=5");
    bind();
    EXPECT_GT(grid.columnWidth(2), narrow) << "the titles of the new result are wider";
    EXPECT_EQ(grid.columnWidth(3), 222) << "the user's width stays";
    EXPECT_LE(grid.columnWidth(1), grid.viewport()->width()) << "the long author keeps the others in sight";
    bind("select count(iddorvo)as Totale_dorvi from dorvi;");
    EXPECT_LT(grid.columnWidth(0), grid.viewport()->width());
}

TEST_F(GridTest, CutTextShowsWholeAsTooltipAndWholeTextNone)
{
    catalogue.exec("UPDATE dorvi SET titolo = 'Uno, nessuno e centomila, ovvero la storia di un uomo' WHERE iddorvo=3");
    bind();
    grid.setColumnWidth(2, 60);
    for (const auto& [row, tipped] : {std::pair{4, false}, std::pair{2, true}}) {
        grid.setColumnWidth(2, row == 2 ? 60 : 400);
        const QModelIndex cell = grid.model()->index(row, 2);
        const QRect area = grid.visualRect(cell);
        QHelpEvent help(QEvent::ToolTip, area.center(), grid.viewport()->mapToGlobal(area.center()));
        QApplication::sendEvent(grid.viewport(), &help);
        EXPECT_EQ(QToolTip::text(), tipped ? cell.data().toString() : QString()) << row;
        QToolTip::hideText();
    }
}

// The widths are found from a sample: the rows on screen and the first and last
// hundred, of which only the longest texts are laid out. A long title out of sight
// within the sample, and the largest key at the end, must still show whole.
TEST_F(GridTest, ProgramWidthsHoldTheLongestSampledValueWhole)
{
    TestCatalogue::Books books(400, {"Autore", "Titolo breve", "Genere"});
    books[350] = {"Autore", "Il giardino dei Finzi-Contini", "Genere"}; // within two fifths of the grid
    TestCatalogue many(books);
    many.exec("UPDATE dorvi SET iddorvo = 9223372036854775807 WHERE iddorvo = 300");
    grid.setDataSource(openRecordset(many.path(), "select * from dorvi;"));
    for (const auto& [row, column] : {std::pair{349, 2}, std::pair{399, 0}}) { // book 300 now comes last
        const QModelIndex cell = grid.model()->index(row, column);
        ASSERT_TRUE(cell.data().toString().startsWith(column == 2 ? "Il giardino" : "922337"));
        EXPECT_GE(grid.columnWidth(column), grid.sizeHintForIndex(cell).width()) << "column " << column;
    }
}

// A column the program sizes takes at most two fifths of the grid, so the column
// after a long one starts in sight, and stays in sight when the cursor enters the
// long one.
TEST_F(GridTest, LongColumnLeavesTheNextOneInSight)
{
    catalogue.exec("UPDATE dorvi SET autore = '" + std::string(100000, 'x') + "' WHERE iddorvo=5");
    bind();
    const int area = grid.viewport()->width();
    EXPECT_LE(grid.columnWidth(1), area * 2 / 5);
    EXPECT_GT(grid.columnWidth(1), grid.columnWidth(3)) << "still the widest";
    grid.setCurrentIndex(grid.model()->index(4, 1));
    const int title = grid.columnViewportPosition(2);
    EXPECT_GE(grid.columnViewportPosition(1), 0);
    EXPECT_LT(title + 20, area) << "titolo begins in sight";
}

// Only the beginning of a long value is painted and measured; every other reader
// of the cell (the model, the screen reader, Ctrl+C, the editor) gets it whole.
TEST_F(GridTest, MegabyteCellPaintsItsBeginningAndIsReadWhole)
{
    const std::string huge = "Inizio " + std::string(1 << 20, 'a') + " fine";
    catalogue.exec("UPDATE dorvi SET titolo = '" + huge + "' WHERE iddorvo=2");
    setAll(true);
    bind();
    const QModelIndex cell = grid.model()->index(1, 2);
    const auto* painter = qobject_cast<QStyledItemDelegate*>(grid.itemDelegate());
    ASSERT_NE(painter, nullptr);
    const QString painted = painter->displayText(cell.data(), QLocale());
    EXPECT_LE(painted.size(), 3001);
    EXPECT_TRUE(painted.startsWith("Inizio aaa"));
    EXPECT_TRUE(painted.endsWith(QChar(0x2026)));
    EXPECT_LT(painter->sizeHint(QStyleOptionViewItem(), cell).width(), 5000);

    const qsizetype whole = static_cast<qsizetype>(huge.size());
    EXPECT_EQ(cell.data().toString().size(), whole);
    EXPECT_TRUE(cell.data(Qt::AccessibleTextRole).toString().endsWith(" fine"));
    grid.clearSelection();
    grid.selectionModel()->select(cell, QItemSelectionModel::Select);
    EXPECT_EQ(grid.selectedText().size(), whole + 1) << "the whole title and its line end";
    QLineEdit* editor = editCell(1, 2);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().size(), whole);
    QTest::keyClick(editor, Qt::Key_Escape);
}

namespace {

struct Cut {
    const char* name;
    QString text;
    qsizetype length;
    QString expected; ///< what is kept before the "…"
};

class LeadingPart : public ::testing::TestWithParam<Cut> {};

const QString family = QString::fromUtf8("👨‍👩‍👧"); // three emoji joined: one cluster, 8 units
const QString woman = QString::fromUtf8("👩");
const QString joinedWoman = woman + QChar(0x200D);

} // namespace

TEST_P(LeadingPart, EndsOnAWholeCluster)
{
    const Cut& c = GetParam();
    const QString part = leadingPart(c.text, c.length);
    if (c.text.size() <= c.length) {
        EXPECT_EQ(part, c.text);
        return;
    }
    EXPECT_EQ(part, c.expected + QChar(0x2026));
    EXPECT_FALSE(part.at(part.size() - 2).isHighSurrogate());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingPart,
    ::testing::Values(
        Cut{"short_text_whole", "Il piacere", 20, {}},
        Cut{"plain_letters", "abcdef", 3, "abc"},
        Cut{"accent_as_a_mark_stays_with_its_letter", QString::fromUtf8("ab" "e\u0301" "cd"), 3, "ab"},
        Cut{"emoji_beyond_the_first_plane", QString::fromUtf8("a😀😀"), 2, "a"},
        Cut{"joined_emoji_kept_whole", "ab" + family + "cd", 6, "ab"},
        Cut{"flag_pair_kept_whole", QString::fromUtf8("x🇮🇹🇫🇷"), 3, QString::fromUtf8("x")},
        Cut{"next_cluster_begins_at_the_length", "ab" + family + family, 10, "ab" + family},
        Cut{"endless_joined_emoji_cut_before_a_joiner", joinedWoman.repeated(1000) + woman, 100,
            joinedWoman.repeated(32) + woman},
        Cut{"endless_marks_cut_between_code_points", "a" + QString(QChar(0x0301)).repeated(500), 100,
            "a" + QString(QChar(0x0301)).repeated(99)}),
    [](const ::testing::TestParamInfo<Cut>& info) { return info.param.name; });
TEST_F(GridTest, ConflictReopensTheEditorHoldingWhatWasTyped)
{
    setAll(true);
    bind();
    catalogue.exec("UPDATE dorvi SET titolo='Senilità' WHERE iddorvo=4");
    QLineEdit* editor = editCell(3, 2);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "La coscienza di Zeno");
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::RowChanged);
    ASSERT_NE(openEditor(), nullptr) << "the editor is open again";
    EXPECT_EQ(openEditor()->text(), "La coscienza di Zeno");
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(3, 2));
    EXPECT_EQ(grid.model()->index(3, 2).data().toString(), QString::fromUtf8("Senilità")) << "the row shows the file";
}

// A key the engine assigns is shown, never typed into: not in a book, not in the
// new-row line; Tab and Shift+Tab pass over it, and a key typed onto it says why
// nothing changes.
TEST_F(GridTest, AssignedKeyIsShownButNeverTyped)
{
    setAll(true);
    bind();
    for (int row : {0, 5})
        EXPECT_FALSE(grid.model()->flags(grid.model()->index(row, 0)) & Qt::ItemIsEditable) << row;
    EXPECT_TRUE(grid.model()->flags(grid.model()->index(5, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(grid.model()->setData(grid.model()->index(1, 0), "99999"));

    grid.setCurrentIndex(grid.model()->index(1, 0));
    QTest::keyClicks(&grid, "99999");
    EXPECT_EQ(QToolTip::text(), GridKeyboard::assignedKeyNote("iddorvo"));
    settle();
    EXPECT_EQ(openEditor(), nullptr);
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(1, 0));
    EXPECT_EQ(catalogue.rows("select iddorvo from dorvi order by iddorvo"),
              (std::vector<std::vector<std::string>>{{"1"}, {"2"}, {"3"}, {"4"}, {"5"}}));
    EXPECT_TRUE(services.errors.empty());

    type(0, 3, "Classico", Qt::Key_Tab);
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(1, 1)) << "from the last column past the next book's key";
    ASSERT_NE(openEditor(), nullptr);
    QTest::keyClick(openEditor(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(0, 3));
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=1"), "Classico");
}

// In a file whose key the user types, the key is edited like any other cell, in a
// book and in a new one.
TEST_F(GridTest, KeyTypedByHandStaysEditable)
{
    catalogue.makeKeyTyped();
    setAll(true);
    bind();
    EXPECT_TRUE(grid.model()->flags(grid.model()->index(5, 0)) & Qt::ItemIsEditable);
    type(1, 0, "20");
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=20"), "Il piacere");
    type(5, 0, "30", Qt::Key_Tab);
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(5, 1));
    QTest::keyClicks(openEditor(), "Italo Svevo");
    QTest::keyClick(openEditor(), Qt::Key_Return);
    settle();
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=30"), "Italo Svevo");
    EXPECT_TRUE(services.errors.empty());
}

TEST_F(GridTest, EmptyCatalogueOpensOnItsFirstColumnToTypeInto)
{
    catalogue.exec("DELETE FROM dorvi");
    setAll(true);
    bind();
    ASSERT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(0, 1));
    QTest::keyClicks(&grid, "D");
    ASSERT_NE(openEditor(), nullptr) << "typing begins the book at once";
    QTest::keyClicks(openEditor(), "ino Buzzati");
    QTest::keyClick(openEditor(), Qt::Key_Tab);
    QTest::keyClicks(openEditor(), "Il deserto dei Tartari");
    QTest::keyClick(openEditor(), Qt::Key_Return);
    settle();
    EXPECT_EQ(catalogue.rows("select * from dorvi"),
              (std::vector<std::vector<std::string>>{{"1", "Dino Buzzati", "Il deserto dei Tartari", "NULL"}}));
    EXPECT_TRUE(services.errors.empty());
}

// A new book goes to the file as one insert, and is one step of the undo history.
TEST_F(GridTest, NewBookIsOneInsertWrittenWhenItsRowIsLeft)
{
    auto history = std::make_shared<catalogue::History>();
    auto rs = openRecordset(catalogue.path(), "select * from dorvi;");
    rs->setHistory(history);
    setAll(true);
    grid.setDataSource(rs);
    catalogue.exec("CREATE TABLE writes (n INTEGER); CREATE TRIGGER counted AFTER INSERT ON dorvi "
                   "BEGIN INSERT INTO writes VALUES (1); END; CREATE TRIGGER counted_too AFTER UPDATE ON dorvi "
                   "BEGIN INSERT INTO writes VALUES (1); END");
    type(5, 1, "Italo Svevo", Qt::Key_Tab);
    QTest::keyClicks(openEditor(), "Senilita");
    QTest::keyClick(openEditor(), Qt::Key_Tab);
    QTest::keyClicks(openEditor(), "Romanzo");
    settle();
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    grid.setCurrentIndex(grid.model()->index(2, 2)); // a click on another book
    settle();
    EXPECT_EQ(catalogue.rows("select * from dorvi where iddorvo = 6"),
              (std::vector<std::vector<std::string>>{{"6", "Italo Svevo", "Senilita", "Romanzo"}}));
    EXPECT_EQ(catalogue.scalar("select count(*) from writes"), "1") << "one insert, no update after it";
    EXPECT_EQ(history->undoText(), "aggiunta di un libro");
    history->undo(*rs);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5") << "one undo takes the whole book back";
    EXPECT_FALSE(history->canUndo());
    EXPECT_EQ(afterUpdates, 1);
}

TEST_F(GridTest, EscTwiceDropsTheNewBookUnwritten)
{
    setAll(true);
    bind();
    type(5, 1, "Italo Calvino", Qt::Key_Tab);
    QTest::keyClicks(openEditor(), "Il bar");
    QTest::keyClick(openEditor(), Qt::Key_Escape);
    EXPECT_EQ(shown(5, 1), "Italo Calvino");
    EXPECT_EQ(shown(5, 2), "") << "the first Esc takes back the cell";
    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_EQ(grid.model()->rowCount(), 6);
    EXPECT_EQ(shown(5, 1), "");
    EXPECT_EQ(grid.model()->headerData(5, Qt::Vertical).toString(), "*");
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(5, 1)) << "where the next book begins";
    grid.setCurrentIndex(grid.model()->index(0, 1));
    settle();
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    EXPECT_EQ(afterUpdates, 0);
}

// The file refuses the book (a rule wants a genre): the line keeps every value,
// the editor opens again holding what was typed, and once put right the book goes.
TEST_F(GridTest, RefusedNewBookKeepsEverythingTyped)
{
    catalogue.refuse("genere", "NULL");
    setAll(true);
    bind();
    type(5, 1, "Italo Svevo", Qt::Key_Tab);
    QTest::keyClicks(openEditor(), "Senilita");
    QTest::keyClick(openEditor(), Qt::Key_Return);
    settle();
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), ErrorNumber::ValueRefused);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    EXPECT_EQ(shown(5, 1), "Italo Svevo");
    EXPECT_EQ(shown(5, 2), "Senilita");
    ASSERT_NE(openEditor(), nullptr);
    EXPECT_EQ(openEditor()->text(), "Senilita");
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(5, 2));
    QTest::keyClick(openEditor(), Qt::Key_Tab);
    QTest::keyClicks(openEditor(), "Romanzo");
    QTest::keyClick(openEditor(), Qt::Key_Return);
    settle();
    EXPECT_EQ(catalogue.rows("select autore, titolo, genere from dorvi where iddorvo = 6"),
              (std::vector<std::vector<std::string>>{{"Italo Svevo", "Senilita", "Romanzo"}}));
    EXPECT_EQ(grid.currentIndex(), grid.model()->index(6, 1)) << "the next book starts at its first column";
    EXPECT_EQ(services.errors.size(), 1u);
}

// Outside an open editor a cell shows only what the file holds; the editor that
// holds a refused value is framed and marked as such.
TEST_F(GridTest, RefusedValueShowsOnlyInAMarkedEditor)
{
    catalogue.refuse("genere", "'Saggio'");
    setAll(true);
    bind();
    type(2, 3, "Saggio");
    ASSERT_EQ(services.errors.size(), 1u);
    QLineEdit* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->hasFrame());
    EXPECT_TRUE(CellEditor::holdsRefused(editor));
    EXPECT_EQ(shown(2, 3), "Romanzo");

    grid.commitPendingEdit(); // a command about to run
    ASSERT_EQ(services.errors.size(), 2u);
    EXPECT_EQ(openEditor(), nullptr);
    EXPECT_EQ(shown(2, 3), "Romanzo");
    EXPECT_EQ(QApplication::clipboard()->text(), "Saggio");
    grid.commitPendingEdit();
    settle();
    EXPECT_EQ(services.errors.size(), 2u) << "told once";
}
