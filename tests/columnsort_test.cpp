// Sorting by a column: Italian order for text, numbers by value, empty cells last,
// and equal cells in the statement's order, as the grid shows them after a click.
#include "columnsort.h"
#include "recordset.h"
#include "testcatalogue.h"

#include <gtest/gtest.h>

namespace {

struct SortCase {
    const char* name;
    const char* rows;           ///< VALUES for (iddorvo, misto)
    std::vector<int> expected;  ///< iddorvo in sorted order
    std::size_t valued;         ///< how many before the empty cells
};

void PrintTo(const SortCase& c, std::ostream* out)
{
    *out << c.name;
}

class ColumnSortTest : public ::testing::TestWithParam<SortCase> {};

constexpr int misto = 4;

std::vector<int> sortedIds(const TestCatalogue& catalogue, std::size_t& valued, int column = misto,
                          unsigned workers = 0)
{
    const auto recordset = openRecordset(catalogue.path(), "select * from dorvi;");
    const ColumnOrder order = sortByColumn(*recordset, column, workers);
    valued = order.valued;
    std::vector<int> ids;
    for (int record : order.records)
        ids.push_back(static_cast<int>(std::get<std::int64_t>(recordset->value(static_cast<std::size_t>(record), 0))));
    return ids;
}

} // namespace

TEST_P(ColumnSortTest, OrdersAsAnItalianReaderExpects)
{
    const SortCase& c = GetParam();
    TestCatalogue catalogue(TestCatalogue::Books{});
    // A column without a declared type keeps numbers, text and bytes as given.
    catalogue.exec(std::string("ALTER TABLE dorvi ADD COLUMN misto; INSERT INTO dorvi (iddorvo, misto) VALUES ") +
                   c.rows + ";");
    std::size_t valued = 0;
    EXPECT_EQ(sortedIds(catalogue, valued), c.expected);
    EXPECT_EQ(valued, c.valued);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColumnSortTest,
    ::testing::Values(
        SortCase{"CaseIgnored", "(1,'zeta'),(2,'Alfa'),(3,'beta'),(4,'ALFIERE')", {2, 4, 3, 1}, 4},
        SortCase{"AccentedBesideItsLetterPlainFirst",
                 "(1,'Èdipo re'),(2,'Zeno'),(3,'edipo'),(4,'àncora'),(5,'Ancora'),(6,'Eco')", {5, 4, 6, 3, 1, 2}, 6},
        SortCase{"NumbersInsideTextByValue",
                 "(1,'Libro 10'),(2,'libro 2'),(3,'Libro 1'),(4,'Libro 2 bis'),(5,'Libro')", {5, 3, 2, 4, 1}, 5},
        SortCase{"LeadingZerosCountForNothing", "(1,'Libro 10'),(2,'Libro 007'),(3,'Libro 08'),(4,'Libro 7')",
                 {2, 4, 3, 1}, 4},
        SortCase{"LongNumbersByLength", "(1,'n. 12345678901234567890'),(2,'n. 999999999999999999'),(3,'n. 3')",
                 {3, 2, 1}, 3},
        SortCase{"EmptyCellsLastEmptyTextFirst", "(1,NULL),(2,'b'),(3,''),(4,NULL),(5,'a')", {3, 5, 2, 1, 4}, 3},
        SortCase{"EqualCellsKeepTheStatementOrder", "(1,'Rossi'),(2,'ROSSI'),(3,'rossi'),(4,'Bianchi')",
                 {4, 1, 2, 3}, 4},
        SortCase{"NumbersByValueBeforeText",
                 "(1,'9'),(2,10),(3,9.5),(4,-3),(5,'abc'),(6,NULL),(7,-0.5),(8,0),(9,x'00')",
                 {4, 7, 8, 3, 2, 1, 5, 9, 6}, 8},
        SortCase{"LargeIntegersExactly", "(1,9007199254740993),(2,9007199254740992),(3,-9223372036854775808)",
                 {3, 2, 1}, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ColumnSort, IntegerColumnSortsAsNumbersTextColumnAsText)
{
    TestCatalogue catalogue({{"c", "", ""}, {"a", "", ""}, {"b", "", ""}});
    catalogue.exec("UPDATE dorvi SET iddorvo = iddorvo * 10 WHERE iddorvo = 1;"); // 10, 2, 3
    std::size_t valued = 0;
    EXPECT_EQ(sortedIds(catalogue, valued, 0), (std::vector<int>{2, 3, 10}));
    EXPECT_EQ(sortedIds(catalogue, valued, 1), (std::vector<int>{2, 3, 10})) << "by autore: a, b, c";
}

// Enough books to be sorted in slices by several threads: the merged order must be
// the one a single thread finds, volume numbers in order across titles that share
// their first 40 bytes, equal titles in the statement's order, empty ones last.
TEST(ColumnSort, LargeResultsSortInSlicesAsInOne)
{
    TestCatalogue catalogue(TestCatalogue::Books{});
    catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 120000) "
                   "INSERT INTO dorvi (iddorvo, titolo) SELECT i, CASE WHEN i % 7 = 0 THEN NULL "
                   "ELSE 'Storia della letteratura italiana, vol. ' || (i * 7919 % 5000) END FROM n;");
    std::size_t valued = 0;
    const std::vector<int> sliced = sortedIds(catalogue, valued, 2, 4);
    const std::size_t slicedValued = valued;
    const std::vector<int> whole = sortedIds(catalogue, valued, 2, 1);
    ASSERT_EQ(sliced, whole);
    EXPECT_EQ(slicedValued, valued);
    ASSERT_EQ(valued, 120000u - 120000u / 7);
    const auto volume = [](int id) { return static_cast<long long>(id) * 7919 % 5000; };
    for (std::size_t i = 1; i < valued; ++i) {
        const int before = whole[i - 1], after = whole[i];
        ASSERT_TRUE(volume(before) < volume(after) || (volume(before) == volume(after) && before < after))
            << "book " << before << " before book " << after;
    }
    for (std::size_t i = valued; i < whole.size(); ++i) {
        ASSERT_EQ(whole[i] % 7, 0);
        if (i > valued) {
            ASSERT_LT(whole[i - 1], whole[i]);
        }
    }
}
