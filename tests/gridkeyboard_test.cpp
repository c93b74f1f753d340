// The grid driven by keys alone, offscreen: Ins, F2, Enter, Esc, Tab and
// Shift+Tab, on the real grid over a catalogue file.
#include "datagrid.h"
#include "gridinput.h"
#include "fakes.h"
#include "testcatalogue.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class GridKeyboardTest : public ::testing::Test {
protected:
    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
    DataGrid grid{services};
    int afterUpdates = 0;

    void SetUp() override
    {
        grid.setNotifications({[this] { ++afterUpdates; }, [] {}});
        grid.resize(681, 393);
        grid.show();
        grid.activateWindow();
        grid.setFocus();
    }
    void bindEditable(bool editable)
    {
        grid.setAllowAddNew(editable);
        grid.setAllowDelete(editable);
        grid.setAllowUpdate(editable);
        grid.setDataSource(openRecordset(catalogue.path(), "select * from dorvi;"));
    }
    QModelIndex cell(int row, int column) const { return grid.model()->index(row, column); }
    // A key to the open editor, as focus would send it, or else to the grid.
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* editor = openEditor();
        QTest::keyClick(editor ? editor : static_cast<QWidget*>(&grid), static_cast<Qt::Key>(key), modifiers);
        settle();
    }
    // The editor commits on a queued call.
    QLineEdit* openEditor() const { return openEditorIn(grid); }
    std::string titleOf(int id) const
    {
        return catalogue.scalar("select titolo from dorvi where iddorvo=" + std::to_string(id));
    }
};

} // namespace

TEST_F(GridKeyboardTest, InsGoesToTheNewRowLineInItsFirstColumnThatTakesTyping)
{
    bindEditable(true);
    grid.setCurrentIndex(cell(1, 2));
    key(Qt::Key_Insert);
    EXPECT_EQ(grid.currentIndex(), cell(5, 1)) << "five books, then the new-row line, from autore";
    EXPECT_EQ(openEditor(), nullptr) << "it goes there; typing begins the book";
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
}

// A book typed from the cursor's column would put the author into genere, the
// title into the next field, and so on.
TEST_F(GridKeyboardTest, ABookTypedAfterInsFromAnyColumnFillsItsOwnFields)
{
    bindEditable(true);
    for (const int from : {3, 2}) {
        grid.setCurrentIndex(cell(0, from));
        key(Qt::Key_Insert);
        QTest::keyClicks(&grid, "H");
        ASSERT_NE(openEditor(), nullptr);
        QTest::keyClicks(openEditor(), from == 3 ? "arper Lee" : "elen Keller");
        key(Qt::Key_Tab);
        ASSERT_NE(openEditor(), nullptr);
        QTest::keyClicks(openEditor(), "Il buio oltre la siepe");
        key(Qt::Key_Tab);
        ASSERT_NE(openEditor(), nullptr);
        QTest::keyClicks(openEditor(), "Romanzo");
        key(Qt::Key_Return);
    }
    EXPECT_EQ(catalogue.rows("select autore, titolo, genere from dorvi where iddorvo > 5 order by iddorvo"),
              (std::vector<std::vector<std::string>>{{"Harper Lee", "Il buio oltre la siepe", "Romanzo"},
                                                     {"Helen Keller", "Il buio oltre la siepe", "Romanzo"}}));
}

// Every key that brings the cursor from a book to the new-row line starts the book
// in its first column; on the line itself the cursor moves as anywhere.
TEST_F(GridKeyboardTest, EveryKeyOntoTheNewRowLineStartsInItsFirstColumn)
{
    bindEditable(true);
    struct Way {
        const char* name;
        int from;
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    for (const Way& way : {Way{"Down", 4, Qt::Key_Down, Qt::NoModifier},
                           Way{"PageDown", 0, Qt::Key_PageDown, Qt::NoModifier},
                           Way{"Ctrl+End", 0, Qt::Key_End, Qt::ControlModifier}}) {
        grid.setCurrentIndex(cell(way.from, 3));
        key(way.key, way.modifiers);
        EXPECT_EQ(grid.currentIndex(), cell(5, 1)) << way.name;
    }
    key(Qt::Key_Right);
    EXPECT_EQ(grid.currentIndex(), cell(5, 2)) << "along the line, column by column";
    key(Qt::Key_Insert);
    EXPECT_EQ(grid.currentIndex(), cell(5, 2)) << "Ins on the line leaves the cursor where it is";

    // Enter on the last book, and Tab out of its last cell.
    grid.setCurrentIndex(cell(4, 3));
    key(Qt::Key_F2);
    ASSERT_NE(openEditor(), nullptr);
    key(Qt::Key_Return);
    EXPECT_EQ(grid.currentIndex(), cell(5, 1)) << "Enter";
    grid.setCurrentIndex(cell(4, 3));
    key(Qt::Key_Tab);
    EXPECT_EQ(grid.currentIndex(), cell(5, 1)) << "Tab";
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
}

TEST_F(GridKeyboardTest, InsDoesNothingInReadOnlyListings)
{
    bindEditable(false);
    grid.setCurrentIndex(cell(1, 2));
    key(Qt::Key_Insert);
    EXPECT_EQ(grid.currentIndex(), cell(1, 2));
}

TEST_F(GridKeyboardTest, F2EditsEnterWritesAndMovesDown)
{
    bindEditable(true);
    grid.setCurrentIndex(cell(1, 2));
    key(Qt::Key_F2);
    QLineEdit* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QString::fromStdString(titleOf(2))) << "F2 edits what the cell holds";
    editor->selectAll();
    QTest::keyClicks(editor, "Alcyone");
    key(Qt::Key_Return);
    EXPECT_EQ(titleOf(2), "Alcyone");
    EXPECT_EQ(afterUpdates, 1);
    EXPECT_EQ(grid.currentIndex(), cell(2, 2)) << "down one row, same column";
    EXPECT_EQ(openEditor(), nullptr);
}

TEST_F(GridKeyboardTest, EnterOnTheLastBookStaysThere)
{
    bindEditable(false);
    grid.setAllowUpdate(true);
    grid.setCurrentIndex(cell(4, 2));
    key(Qt::Key_F2);
    ASSERT_NE(openEditor(), nullptr);
    key(Qt::Key_Enter);
    EXPECT_EQ(grid.currentIndex(), cell(4, 2));
}

TEST_F(GridKeyboardTest, BooksTypedOneAfterAnotherFromTheNewRowLine)
{
    bindEditable(true);
    grid.setCurrentIndex(cell(0, 1));
    key(Qt::Key_Insert);
    for (const char* author : {"Italo Calvino", "Elsa Morante"}) {
        QTest::keyClicks(&grid, QString::fromUtf8(author).left(1));
        ASSERT_NE(openEditor(), nullptr);
        QTest::keyClicks(openEditor(), QString::fromUtf8(author).mid(1));
        key(Qt::Key_Return);
    }
    EXPECT_EQ(catalogue.rows("select autore from dorvi where iddorvo > 5 order by iddorvo"),
              (std::vector<std::vector<std::string>>{{"Italo Calvino"}, {"Elsa Morante"}}));
    EXPECT_EQ(grid.currentIndex(), cell(7, 1)) << "on the new-row line again, ready for the next book";
}

TEST_F(GridKeyboardTest, EscCancelsTheCellBeingTyped)
{
    bindEditable(true);
    grid.setCurrentIndex(cell(0, 2));
    QTest::keyClicks(&grid, "X");
    ASSERT_NE(openEditor(), nullptr);
    QTest::keyClicks(openEditor(), "yz");
    key(Qt::Key_Escape);
    EXPECT_EQ(openEditor(), nullptr);
    EXPECT_EQ(titleOf(1), "I promessi sposi");
    EXPECT_EQ(grid.model()->index(0, 2).data().toString(), "I promessi sposi");
    EXPECT_EQ(grid.currentIndex(), cell(0, 2));

    key(Qt::Key_Insert);
    QTest::keyClicks(&grid, "N");
    ASSERT_NE(openEditor(), nullptr);
    key(Qt::Key_Escape);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5") << "a new book abandoned is not added";
    EXPECT_EQ(grid.model()->rowCount(), 6);
    EXPECT_EQ(afterUpdates, 0);
}

TEST_F(GridKeyboardTest, TabAndShiftTabMoveAcrossCells)
{
    bindEditable(false);
    grid.setCurrentIndex(cell(0, 2));
    key(Qt::Key_Tab);
    EXPECT_EQ(grid.currentIndex(), cell(0, 3));
    key(Qt::Key_Tab);
    EXPECT_EQ(grid.currentIndex(), cell(1, 0)) << "from the last column to the next row";
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.currentIndex(), cell(0, 3));
}

TEST_F(GridKeyboardTest, TabWritesTheCellAndEditsTheNext)
{
    bindEditable(true);
    grid.setCurrentIndex(cell(2, 1));
    key(Qt::Key_F2);
    ASSERT_NE(openEditor(), nullptr);
    openEditor()->selectAll();
    QTest::keyClicks(openEditor(), "Pirandello");
    key(Qt::Key_Tab);
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=3"), "Pirandello");
    EXPECT_EQ(grid.currentIndex(), cell(2, 2));
    ASSERT_NE(openEditor(), nullptr) << "the next cell is open for typing";
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid.currentIndex(), cell(2, 1));
}

// From the key the engine assigns, Ins goes to the new-row line's first column the
// user can type into; a book typed there with Tab between cells is written by the
// Enter on its last cell, and the next book starts in that first column again.
TEST_F(GridKeyboardTest, BookTypedFromInsToEnterSkipsTheKey)
{
    bindEditable(true);
    ASSERT_EQ(grid.currentIndex(), cell(0, 0));
    key(Qt::Key_Insert);
    EXPECT_EQ(grid.currentIndex(), cell(5, 1));
    QTest::keyClicks(&grid, "D");
    ASSERT_NE(openEditor(), nullptr);
    QTest::keyClicks(openEditor(), "ino Buzzati");
    key(Qt::Key_Tab);
    ASSERT_NE(openEditor(), nullptr);
    QTest::keyClicks(openEditor(), "Il deserto dei Tartari");
    key(Qt::Key_Tab);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5") << "not before the book is left";
    ASSERT_NE(openEditor(), nullptr);
    QTest::keyClicks(openEditor(), "Romanzo");
    key(Qt::Key_Return);
    EXPECT_EQ(catalogue.rows("select * from dorvi where iddorvo = 6"),
              (std::vector<std::vector<std::string>>{{"6", "Dino Buzzati", "Il deserto dei Tartari", "Romanzo"}}));
    EXPECT_EQ(grid.currentIndex(), cell(6, 1));
    EXPECT_EQ(afterUpdates, 1);

    grid.setCurrentIndex(cell(6, 0));
    key(Qt::Key_Insert);
    EXPECT_EQ(grid.currentIndex(), cell(6, 1)) << "never onto the key";
}

// Tab out of the last cell of a new book writes it and goes on to the next book's
// first column that can be typed into, open for typing.
TEST_F(GridKeyboardTest, TabOutOfANewBookStartsTheNext)
{
    bindEditable(true);
    grid.setCurrentIndex(cell(5, 3));
    QTest::keyClicks(&grid, "P");
    ASSERT_NE(openEditor(), nullptr);
    QTest::keyClicks(openEditor(), "oesia");
    key(Qt::Key_Tab);
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo = 6"), "Poesia");
    EXPECT_EQ(grid.currentIndex(), cell(6, 1));
    EXPECT_NE(openEditor(), nullptr);
}
