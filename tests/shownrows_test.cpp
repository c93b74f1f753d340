// The row map between the grid and its model: a filtered and reordered view must
// read, write, add and delete the book the user sees, and stay consistent while
// the result set changes underneath it.
#include "fakes.h"
#include "recordsetmodel.h"
#include "rowsonshow.h"
#include "shownrowsmodel.h"
#include "shownrowsover.h"
#include "testcatalogue.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Sample books, iddorvo 1..5: Manzoni, D'Annunzio, Pirandello, Alighieri, D'Annunzio.
class ShownRowsTest : public ::testing::Test, protected ShownRowsOver {
protected:
    void SetUp() override
    {
        model.setAllowUpdate(true);
        model.setAllowAddNew(true);
    }
    // Books 4, 2, 5 on show in that order; 1 and 3 filtered out.
    void arrangeFourTwoFive()
    {
        view.setOrder({3, 1, 4, 0, 2}, 5);
        view.setMatches({0, 1, 0, 1, 1});
    }
};

} // namespace

TEST_F(ShownRowsTest, UnarrangedViewIsTheModelRowForRow)
{
    EXPECT_EQ(ids(), QStringList({"1", "2", "3", "4", "5", "*"}));
    EXPECT_EQ(view.recordRow(2), 2);
    EXPECT_EQ(view.recordRow(5), -1) << "the new-row line is no book";
    EXPECT_EQ(view.headerData(5, Qt::Vertical).toString(), "*");
    EXPECT_EQ(view.shownRecords(), 5);
}

TEST_F(ShownRowsTest, FilterAndOrderComposeAndTheNewRowLineStaysLast)
{
    arrangeFourTwoFive();
    EXPECT_EQ(ids(), QStringList({"4", "2", "5", "*"}));
    EXPECT_EQ(view.recordRow(1), 1);
    EXPECT_EQ(view.viewRow(0), -1) << "book 1 is filtered out";
    EXPECT_EQ(view.viewRow(4), 2);
    EXPECT_EQ(view.headerData(3, Qt::Vertical).toString(), "*");
    EXPECT_EQ(view.shownRecords(), 3);
    EXPECT_EQ(view.totalRecords(), 5);
}

TEST_F(ShownRowsTest, ReversedOrderKeepsEmptyCellsLast)
{
    view.setOrder({3, 1, 4, 0, 2}, 3); // books 1 and 3 as if their cells were empty
    view.setDescending(true);
    EXPECT_EQ(ids(), QStringList({"5", "2", "4", "1", "3", "*"}));
}

TEST_F(ShownRowsTest, EditOnArrangedViewLandsOnTheBookShown)
{
    arrangeFourTwoFive();
    QSignalSpy changed(&view, &QAbstractItemModel::dataChanged);
    ASSERT_TRUE(view.setData(view.index(2, 2), "Alcyone (1903)"));
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=5"), "Alcyone (1903)");
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=3"), "Il fu Mattia Pascal");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 2) << "the change is announced on the row shown";
    EXPECT_EQ(cell(2, 2), "Alcyone (1903)");
    EXPECT_TRUE(errors.empty());
}

TEST_F(ShownRowsTest, BookTypedOnArrangedViewStaysOnScreenBeforeTheNewRowLine)
{
    arrangeFourTwoFive();
    ASSERT_TRUE(view.isNewRowLine(3));
    ASSERT_TRUE(view.setData(view.index(3, 1), "Italo Calvino"));
    ASSERT_TRUE(model.writePendingBook()); // as leaving its line does
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=6"), "Italo Calvino");
    EXPECT_EQ(ids(), QStringList({"4", "2", "5", "6", "*"}));
    ASSERT_TRUE(view.setData(view.index(3, 2), "Il barone rampante"));
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=6"), "Il barone rampante");
    EXPECT_EQ(view.shownRecords(), 4);
}

TEST_F(ShownRowsTest, DeletionsShownAndHiddenKeepTheMapInStep)
{
    arrangeFourTwoFive();
    ASSERT_TRUE(model.deleteRow(view.recordRow(1))); // book 2, shown
    EXPECT_EQ(ids(), QStringList({"4", "5", "*"}));
    ASSERT_TRUE(model.deleteRow(0)); // book 1, filtered out
    EXPECT_EQ(ids(), QStringList({"4", "5", "*"}));
    EXPECT_EQ(view.totalRecords(), 3);
    ASSERT_TRUE(view.setData(view.index(1, 3), "Lirica"));
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=5"), "Lirica");
    EXPECT_EQ(catalogue.rows("select iddorvo from dorvi order by iddorvo"),
              (std::vector<std::vector<std::string>>{{"3"}, {"4"}, {"5"}}));

    view.setMatches({});
    view.setDescending(true);
    EXPECT_EQ(ids(), QStringList({"3", "5", "4", "*"})) << "4, 5, 3 left after two deletions, reversed";
}

TEST_F(ShownRowsTest, ClosingTheNewRowLineWhileArranged)
{
    arrangeFourTwoFive();
    model.setAllowAddNew(false);
    EXPECT_EQ(ids(), QStringList({"4", "2", "5"}));
    model.setAllowAddNew(true);
    EXPECT_EQ(ids(), QStringList({"4", "2", "5", "*"}));
}

TEST_F(ShownRowsTest, NewResultShowsTheStatementOrderAgain)
{
    arrangeFourTwoFive();
    QSignalSpy restored(&view, &ShownRowsModel::statementOrderRestored);
    model.setRecordset(openRecordset(catalogue.path(), "select * from dorvi where genere='Romanzo';"));
    EXPECT_EQ(ids(), QStringList({"2", "3", "*"}));
    EXPECT_FALSE(view.isArranged());
    EXPECT_EQ(restored.count(), 1);
}

TEST_F(ShownRowsTest, ChangeMadeElsewhereIsShownOnItsRow)
{
    arrangeFourTwoFive();
    catalogue.exec("UPDATE dorvi SET titolo='Il Piacere' WHERE iddorvo=2");
    EXPECT_FALSE(view.setData(view.index(1, 2), "Il piacere (1889)"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(cell(1, 2), "Il Piacere") << "the row reloaded is the row shown";
}

TEST_F(ShownRowsTest, ExportsTakeTheRowsOnShowInTheirOrder)
{
    EXPECT_EQ(rowsOnShow(&view).rows, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
    arrangeFourTwoFive();
    const RowsOnShow shown = rowsOnShow(&view);
    EXPECT_EQ(shown.recordset, model.recordset());
    EXPECT_EQ(shown.rows, (std::vector<std::size_t>{3, 1, 4})) << "no new-row line";
}
