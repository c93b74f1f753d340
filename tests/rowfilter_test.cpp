// The quick filter: every typed word somewhere in author, title or genre, letter
// case and accents ignored in what is typed and in what is stored.
#include "error.h"
#include "recordsetmodel.h"
#include "rowfilter.h"
#include "shownrowsmodel.h"
#include "shownrowsover.h"
#include "testcatalogue.h"

#include <gtest/gtest.h>

namespace {

const TestCatalogue::Books books = {
    {"Niccolò Machiavelli", "Il principe", "Saggistica"},
    {"Niccolo Tommaseo", "Fede e bellezza", "Romanzo"},
    {"Gabriele D'Annunzio", "Il piacere", "Romanzo"},
    {"Giovanni Verga", "I Malavoglia", "Romanzo verista"},
    {"Italo Svevo", "La coscienza di Zeno", "ROMANZO"},
    {"Anonimo", "Perché È così", "Poesia"},
};

struct FilterCase {
    const char* name;
    const char* typed;
    QStringList ids;
};

void PrintTo(const FilterCase& c, std::ostream* out)
{
    *out << c.name;
}

class FilterTest : public ::testing::TestWithParam<FilterCase>, protected ShownRowsOver {
protected:
    FilterTest() : ShownRowsOver(books) {}
    // Types `text` one letter at a time, as the field sends it.
    void type(const QString& text)
    {
        for (int length = 1; length <= text.size(); ++length)
            view.setFilterText(text.left(length));
    }
};

class TypedFilterTest : public FilterTest {};

} // namespace

TEST_P(TypedFilterTest, ShowsTheBooksHoldingEveryWord)
{
    const FilterCase& c = GetParam();
    view.setFilterText(QString::fromUtf8(c.typed));
    EXPECT_EQ(ids(), c.ids) << "typed at once";
    view.setFilterText({});
    type(QString::fromUtf8(c.typed));
    EXPECT_EQ(ids(), c.ids) << "typed letter by letter";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypedFilterTest,
    ::testing::Values(FilterCase{"PlainFindsAccented", "niccolo", {"1", "2"}},
                      FilterCase{"AccentedCapitalsFindPlain", "NICCOLÒ", {"1", "2"}},
                      FilterCase{"PartOfAWord", "machiav", {"1"}},
                      FilterCase{"AccentedStoredAccentedTyped", "perche e cosi", {"6"}},
                      FilterCase{"EveryWordAcrossFields", "romanzo zeno", {"5"}},
                      FilterCase{"WordsInAnyOrderAndSpaces", "  piacere   D'ANNUNZIO ", {"3"}},
                      FilterCase{"OneWordMissingHidesTheBook", "zeno tommaseo", {}},
                      FilterCase{"NoWordSpansTwoFields", "principesaggistica", {}},
                      FilterCase{"BlankShowsEveryBook", "   ", {"1", "2", "3", "4", "5", "6"}},
                      FilterCase{"ApostropheLeftOutOfTheStored", "dannunzio", {"3"}},
                      FilterCase{"TypographicApostropheTyped", "D’Annunzio", {"3"}},
                      FilterCase{"DotAndHyphenTypedInsideWords", "mala.voglia ver-ga", {"4"}},
                      FilterCase{"PunctuationAloneIsNoWord", "zeno - .", {"5"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FilterWords, NarrowingOnlyWhenEveryOldWordLivesOn)
{
    const auto w = [](const char* typed) { return RowFilter::words(typed); };
    EXPECT_TRUE(RowFilter::narrows(w("machia"), w("machi")));
    EXPECT_TRUE(RowFilter::narrows(w("verga mala"), w("verga")));
    EXPECT_TRUE(RowFilter::narrows(w("Niccolò"), w("nicc")));
    EXPECT_FALSE(RowFilter::narrows(w("mach"), w("machi"))) << "a letter taken back widens";
    EXPECT_FALSE(RowFilter::narrows(w("verga"), w("verga mala")));
    EXPECT_FALSE(RowFilter::narrows(w("xmachi"), w("machiy")));
}

TEST_F(FilterTest, TakingALetterBackShowsTheBooksAgain)
{
    type("romanzo v");
    EXPECT_EQ(ids(), QStringList({"4", "5"}));
    view.setFilterText("romanzo ");
    EXPECT_EQ(ids(), QStringList({"2", "3", "4", "5"}));
    EXPECT_EQ(view.shownRecords(), 4);
    EXPECT_EQ(view.totalRecords(), 6);
}

TEST_F(FilterTest, EditsThroughTheFilteredSortedViewLandOnTheBookShown)
{
    model.setAllowUpdate(true);
    model.setAllowAddNew(true);
    view.setFilterText("romanzo");
    view.sortByColumn(2, Qt::DescendingOrder); // La coscienza, Il piacere, I Malavoglia, Fede e bellezza
    ASSERT_EQ(ids(), QStringList({"5", "3", "4", "2", "*"}));
    ASSERT_TRUE(view.setData(view.index(2, 2), "I Malavoglia (1881)"));
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=4"), "I Malavoglia (1881)");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi where titolo like '%1881%'"), "1");

    // A title changed so it no longer holds the words stays until the next keystroke.
    ASSERT_TRUE(view.setData(view.index(1, 3), "Poesia"));
    EXPECT_EQ(ids(), QStringList({"5", "3", "4", "2", "*"}));
    view.setFilterText("romanzo ");
    EXPECT_EQ(ids(), QStringList({"5", "4", "2", "*"})) << "the filter reads the changed genre";

    ASSERT_TRUE(model.deleteRow(view.recordRow(0))); // book 5, shown
    ASSERT_TRUE(model.deleteRow(0));                 // book 1, hidden: every record after it moves up
    EXPECT_EQ(catalogue.rows("select iddorvo from dorvi order by iddorvo"),
              (std::vector<std::vector<std::string>>{{"2"}, {"3"}, {"4"}, {"6"}}));
    EXPECT_EQ(ids(), QStringList({"4", "2", "*"}));
    view.setFilterText("romanzo v");
    EXPECT_EQ(ids(), QStringList({"4", "*"})) << "the filter's text follows the deletion";
    EXPECT_TRUE(errors.empty());
}

TEST_F(FilterTest, SecondClickAfterAnEditSortsTheNewValues)
{
    model.setAllowUpdate(true);
    view.sortByColumn(2, Qt::AscendingOrder);
    ASSERT_EQ(ids(), QStringList({"2", "4", "3", "1", "5", "6"}));
    ASSERT_TRUE(view.setData(view.index(0, 2), "Zibaldone"));
    EXPECT_EQ(ids(), QStringList({"2", "4", "3", "1", "5", "6"})) << "an edited book stays where it is";
    view.sortByColumn(2, Qt::DescendingOrder);
    EXPECT_EQ(ids(), QStringList({"2", "6", "5", "1", "3", "4"}));
}
