// Values of other programs' lists as the catalogue stores them: dates in the
// forms people and programs write them, years, yes and no, ratings, numbers with
// a decimal comma, and comments kept as HTML made plain.
#include "fieldvalues.h"
#include "htmltext.h"
#include "numbertext.h"

#include <gtest/gtest.h>

using bookimport::isoDate;
using bookimport::storedValue;
using catalogue::Value;

namespace {

Value stored(const char* column, const char* text, const char* type = "")
{
    return storedValue(column, type, text).value;
}

std::string change(const char* column, const char* text, const char* type = "")
{
    return storedValue(column, type, text).change;
}

TEST(FieldValues, DatesBecomeYearMonthDay)
{
    EXPECT_EQ(isoDate("2019/03/14"), "2019-03-14");                // Goodreads
    EXPECT_EQ(isoDate("2026-11-30"), "2026-11-30");                // LibraryThing, Tellico
    EXPECT_EQ(isoDate("2021-04-05 00:00:00+00:00"), "2021-04-05"); // calibre
    EXPECT_EQ(isoDate("2021-04-05T10:11:12"), "2021-04-05");
    EXPECT_EQ(isoDate("02/11/2026"), "2026-11-02");                // GCstar, Italian order
    EXPECT_EQ(isoDate("2/1/2026"), "2026-01-02");
    EXPECT_EQ(isoDate("8.12.2026"), "2026-12-08");
    EXPECT_EQ(isoDate("29/02/2024"), "2024-02-29");
    for (const char* notADate : {"", "2026", "29/02/2023", "31/04/2026", "2026-13-01", "2026-00-10", "12/2026",
                                 "1/1/26", "2026-1-5", "ieri", "2026/11-30", "32/01/2026"})
        EXPECT_EQ(isoDate(notADate), std::nullopt) << notADate;
    EXPECT_EQ(stored("prestato_il", "ieri"), Value(std::string("ieri")));
    EXPECT_EQ(change("aggiunto_il", "ieri"), "non è una data: tenuta com'è");
}

TEST(FieldValues, NumbersYearsAndCodes)
{
    EXPECT_EQ(stored("anno", "1983"), Value(std::int64_t{1983}));
    EXPECT_EQ(stored("anno", "-44"), Value(std::int64_t{-44}));
    EXPECT_EQ(stored("anno", "1975-05-02"), Value(std::int64_t{1975}));
    EXPECT_EQ(stored("anno", "c1975"), Value(std::string("c1975")));
    EXPECT_FALSE(change("anno", "c1975").empty());
    EXPECT_EQ(stored("pagine", " 282 "), Value(std::int64_t{282}));
    EXPECT_EQ(stored("numero", "1,5"), Value(1.5));
    EXPECT_EQ(stored("numero", "2"), Value(std::int64_t{2}));
    EXPECT_EQ(stored("prezzo", "12,50", "REAL"), Value(12.5));
    EXPECT_EQ(stored("copie", "3", "INTEGER"), Value(std::int64_t{3}));
    // text columns keep codes as typed: leading zeros, plus signs, spaces
    EXPECT_EQ(stored("dedica", "007", "TEXT"), Value(std::string("007")));
    EXPECT_EQ(stored("collocazione", "0012"), Value(std::string("0012")));
    EXPECT_EQ(stored("editore", "+39 Edizioni"), Value(std::string("+39 Edizioni")));
    EXPECT_EQ(stored("isbn", "0-13-110362-8"), Value(std::string("9780131103627")));
    EXPECT_EQ(stored("isbn", "0012345"), Value(std::string("0012345")));
}

// The import reads numbers as the grid and the card do: what the grid would refuse
// is kept as given and named in the report.
TEST(FieldValues, NumbersAreReadByTheCataloguesOneRule)
{
    for (const char* number : {"+2,5", "12,50", "1e3", " 282 "}) {
        EXPECT_EQ(stored("numero", number), catalogue::numberValue(number).value()) << number;
        EXPECT_TRUE(change("numero", number).empty()) << number;
    }
    for (const char* notANumber : {"circa 1840", "1.234,5", "12bis"}) {
        EXPECT_EQ(stored("prezzo", notANumber, "REAL"), Value(std::string(notANumber))) << notANumber;
        EXPECT_EQ(change("prezzo", notANumber, "REAL"), "non è un numero: tenuto com'è") << notANumber;
    }
    EXPECT_EQ(stored("pagine", "+300"), Value(std::int64_t{300}));
    EXPECT_EQ(stored("anno", "+1983"), Value(std::int64_t{1983}));
    EXPECT_EQ(change("pagine", "3,5"), "non è un numero intero: tenuto com'è") << "a page count is whole";
}

TEST(FieldValues, YesNoAndRatings)
{
    for (const char* yes : {"1", "sì", "SI", "x", "true", "Yes", "read"})
        EXPECT_EQ(stored("letto", yes), Value(std::int64_t{1})) << yes;
    for (const char* no : {"0", "no", "False", "n"})
        EXPECT_EQ(stored("letto", no), Value(std::int64_t{0})) << no;
    EXPECT_EQ(stored("letto", "forse"), Value(std::string("forse")));
    EXPECT_EQ(stored("voto", "4"), Value(std::int64_t{4}));
    EXPECT_EQ(stored("voto", "3,5"), Value(std::int64_t{4}));
    EXPECT_EQ(change("voto", "3,5"), "voto 3,5 arrotondato a 4");
    EXPECT_EQ(stored("voto", "7"), Value(std::string("7")));
    EXPECT_EQ(change("voto", "7"), "il voto va da 1 a 5: tenuto com'è");
    EXPECT_TRUE(change("voto", "5").empty());
}

TEST(HtmlText, CommentsBecomePlainText)
{
    EXPECT_EQ(bookimport::plainText("<div><p>Prima riga.</p>\n<p>Seconda &egrave; <b>qui</b> &amp; l&#39;altra"
                                    "&#x2019;s<br/>terza</p></div>"),
              "Prima riga.\n\nSeconda è qui & l'altra’s\nterza");
    EXPECT_EQ(bookimport::plainText("Senza tag: 3 < 4 & 5 > 2\n  riga"), "Senza tag: 3 < 4 & 5 > 2\n  riga");
    EXPECT_EQ(bookimport::plainText("<p>&unknown; &#0; &#xD800; a&b</p>"), "&unknown; &#0; &#xD800; a&b");
    EXPECT_EQ(bookimport::plainText("<ul><li>uno</li><li>due</li></ul>"), "uno\ndue");
}

} // namespace
