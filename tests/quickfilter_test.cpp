// The quick filter and the sorting as the user meets them in the window: Ctrl+F,
// typing, the count, Esc, a click on a heading, and the next data command.
#include "datagrid.h"
#include "fakes.h"
#include "filterbar.h"
#include "frmdorvi.h"
#include "shownwindow.h"
#include "testcatalogue.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Sample books, iddorvo 1..5: Manzoni, D'Annunzio, Pirandello, Alighieri, D'Annunzio.
class QuickFilterTest : public ShownWindowTest {
protected:
    FilterBar* bar = window.findChild<FilterBar*>();

    void SetUp() override
    {
        ASSERT_NE(bar, nullptr);
        ShownWindowTest::SetUp();
    }
    QAction* action(const char* name) const { return window.findChild<QAction*>(QString::fromLatin1(name)); }
    QStringList column(int column) const
    {
        QStringList cells;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            cells << grid->model()->index(row, column).data().toString();
        return cells;
    }
    void clickHeading(int section)
    {
        QHeaderView* header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
    }
};

} // namespace

TEST_F(QuickFilterTest, TrovaOpensTheFieldUnderTheGridWhichStaysInPlace)
{
    QAction* trova = action("mnutrova");
    ASSERT_NE(trova, nullptr);
    EXPECT_EQ(trova->text(), "&Trova…");
    EXPECT_EQ(trova->shortcut(), QKeySequence(QKeySequence::Find));
    trigger("mnuall");
    trigger("mnutrova");
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->field()->hasFocus());
    EXPECT_EQ(grid->geometry(), QRect(8, 8, 681, 393));
    EXPECT_GE(bar->geometry().left(), 116) << "right of the mode label";
    EXPECT_GE(bar->geometry().top(), 409);
    EXPECT_LE(bar->geometry().right(), 8 + 681);
    EXPECT_LE(bar->geometry().bottom(), 517);
}

TEST_F(QuickFilterTest, TypingFiltersCountsAndEscClosesInBothModes)
{
    for (const char* mode : {"mnuall", "mnuop"}) {
        SCOPED_TRACE(mode);
        const bool editing = QByteArray(mode) == "mnuop";
        trigger(mode);
        trigger("mnutrova");
        QTest::keyClicks(bar->field(), "d'ANNÙNZIO");
        EXPECT_EQ(column(0), editing ? QStringList({"2", "5", ""}) : QStringList({"2", "5"}));
        EXPECT_EQ(bar->countText(), "2 di 5 libri");
        QTest::keyClick(bar->field(), Qt::Key_Escape);
        EXPECT_FALSE(bar->isVisible());
        EXPECT_TRUE(grid->hasFocus());
        EXPECT_TRUE(bar->field()->text().isEmpty());
        EXPECT_EQ(grid->model()->rowCount(), editing ? 6 : 5);
        EXPECT_EQ(window.str, "select * from dorvi;");
    }
}

TEST_F(QuickFilterTest, BookTypedWhileFilteredIsWrittenAndStaysShown)
{
    trigger("mnuop");
    trigger("mnutrova");
    QTest::keyClicks(bar->field(), "pirandello");
    ASSERT_EQ(grid->model()->rowCount(), 2);
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(1, 1), "Italo Svevo"));
    grid->commitPendingEdit(); // as the next command does
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=6"), "Italo Svevo");
    EXPECT_EQ(column(1), QStringList({"Luigi Pirandello", "Italo Svevo", ""}));
    EXPECT_EQ(bar->countText(), "2 di 6 libri");
}

TEST_F(QuickFilterTest, HeadingClickSortsSecondReversesNextCommandRestores)
{
    trigger("mnuall");
    clickHeading(2);
    EXPECT_EQ(column(0), QStringList({"5", "1", "3", "2", "4"})) << "Alcyone, I promessi, Il fu, Il piacere, La Divina";
    EXPECT_EQ(grid->horizontalHeader()->sortIndicatorSection(), 2);
    EXPECT_EQ(grid->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    clickHeading(2);
    EXPECT_EQ(column(0), QStringList({"4", "2", "3", "1", "5"}));
    EXPECT_EQ(grid->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

    trigger("mnutrova");
    QTest::keyClicks(bar->field(), "il");
    EXPECT_EQ(column(0), QStringList({"2", "3"})) << "the filter keeps the order";

    trigger("mnuall");
    EXPECT_EQ(column(0), QStringList({"1", "2", "3", "4", "5"}));
    EXPECT_EQ(grid->horizontalHeader()->sortIndicatorSection(), -1);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(catalogue.rows("select iddorvo from dorvi").size(), 5u);
}

TEST_F(QuickFilterTest, SearchFindingNothingStillClearsTheFilter)
{
    trigger("mnuall");
    trigger("mnutrova");
    QTest::keyClicks(bar->field(), "dante");
    services.promptAnswers = {"Nessuno"};
    trigger("mnuaut");
    ASSERT_EQ(services.informations.size(), 1u);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(grid->model()->rowCount(), 5) << "the rows it had, all of them";
}

// Deleting from a filtered, sorted list takes the books shown, and undo puts them
// back into that list; redo takes them again.
TEST_F(QuickFilterTest, DeletionFromTheFilteredSortedListIsUndoneIntoIt)
{
    trigger("mnuop");
    trigger("mnutrova");
    QTest::keyClicks(bar->field(), "annunzio");
    clickHeading(2);
    clickHeading(2); // titolo, descending
    ASSERT_EQ(column(0), QStringList({"2", "5", ""}));
    grid->selectRow(1);
    services.confirmAnswers = {true};
    grid->deleteSelectedRows();
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi where iddorvo=5"), "0");
    EXPECT_EQ(column(0), QStringList({"2", ""}));
    trigger("mnuannulla");
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=5"), "Alcyone");
    EXPECT_EQ(column(0), QStringList({"2", "5", ""})) << "the book back among the books shown";
    EXPECT_EQ(bar->countText(), "2 di 5 libri");
    trigger("mnuripeti");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi where iddorvo=5"), "0");
    EXPECT_EQ(column(0), QStringList({"2", ""}));
    EXPECT_TRUE(services.errors.empty());
}

// A book from the middle of the result comes back into the filtered, sorted list,
// in its place, with the cursor still on the book it was on.
TEST_F(QuickFilterTest, BooksFromTheMiddleComeBackIntoTheListInTheirPlace)
{
    trigger("mnuop");
    trigger("mnutrova");
    QTest::keyClicks(bar->field(), "annunzio");
    clickHeading(2);
    clickHeading(2); // titolo, descending: Il piacere (2), Alcyone (5)
    ASSERT_EQ(column(0), QStringList({"2", "5", ""}));
    grid->setCurrentIndex(grid->model()->index(0, 1));
    services.confirmAnswers = {true};
    grid->deleteSelectedRows();
    ASSERT_EQ(column(0), QStringList({"5", ""}));
    grid->setCurrentIndex(grid->model()->index(0, 2));
    trigger("mnuannulla");
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=2"), "Il piacere");
    EXPECT_EQ(column(0), QStringList({"2", "5", ""})) << "filter and order kept";
    EXPECT_EQ(bar->countText(), "2 di 5 libri");
    EXPECT_EQ(grid->currentIndex().row(), 1) << "the cursor stays on Alcyone";
    EXPECT_EQ(grid->currentIndex().column(), 2);
    EXPECT_TRUE(services.errors.empty());
}

TEST_F(QuickFilterTest, ApostropheTypedOrNotFindsDAnnunzio)
{
    trigger("mnuall");
    trigger("mnutrova");
    QTest::keyClicks(bar->field(), "dannunzio");
    EXPECT_EQ(column(0), QStringList({"2", "5"}));
}

// The keys after Ctrl+F were typed while the window was busy: they wait in the
// queue, behind Ctrl+F, and must all reach the field, none the book under the
// cursor.
TEST_F(QuickFilterTest, KeysQueuedAfterCtrlFGoToTheFieldNotTheBook)
{
    trigger("mnuop");
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->setCurrentIndex(grid->model()->index(1, 2));
    grid->setFocus();
    const std::string before = catalogue.scalar("select titolo from dorvi where iddorvo=2");
    QWindow* handle = window.windowHandle();
    const auto queue = [handle](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        QCoreApplication::postEvent(handle, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
        QCoreApplication::postEvent(handle, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
    };
    queue(Qt::Key_F, Qt::ControlModifier, {});
    for (const QChar letter : QStringLiteral("boccaccio"))
        queue(Qt::Key_A + (letter.unicode() - 'a'), Qt::NoModifier, letter);
    queue(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    for (int pass = 0; pass < 5; ++pass)
        QCoreApplication::processEvents();
    EXPECT_EQ(bar->field()->text(), "boccaccio");
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=2"), before);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    EXPECT_TRUE(grid->hasFocus()) << "Return took the keyboard to the books found";
    EXPECT_TRUE(services.errors.empty());
}

// A click on a heading sorts; the cursor stays on its book, wherever the book
// lands, and the view shows it.
TEST_F(QuickFilterTest, HeadingClickKeepsTheCursorOnItsBookInView)
{
    catalogue.exec("UPDATE dorvi SET titolo = '" + std::string(300, 'z') + "' WHERE iddorvo=2");
    trigger("mnuall");
    grid->setCurrentIndex(grid->model()->index(3, 3)); // book 4, genere
    clickHeading(2);
    ASSERT_EQ(column(0), QStringList({"5", "1", "3", "4", "2"}));
    const QModelIndex current = grid->currentIndex();
    ASSERT_TRUE(current.isValid());
    EXPECT_EQ(grid->model()->index(current.row(), 0).data().toString(), "4");
    EXPECT_EQ(current.column(), 3);
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(current)));
    clickHeading(2);
    EXPECT_EQ(grid->model()->index(grid->currentIndex().row(), 0).data().toString(), "4");
}
