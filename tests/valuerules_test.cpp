// The catalogue's one field schema and value rules: which kind a column is, how
// typed or imported text becomes a stored value, and how a stored value reads.
#include "datetext.h"
#include "fieldnames.h"
#include "fieldschema.h"
#include "valuerules.h"

#include <gtest/gtest.h>

#include <limits>

using catalogue::FieldKind;
using catalogue::Misreading;
using catalogue::Value;

namespace {

std::optional<std::string> stored(std::string_view text)
{
    const auto day = catalogue::readDate(text);
    return day ? std::optional(catalogue::storedDate(*day)) : std::nullopt;
}

TEST(FieldSchema, OneKindForEveryDeclaredType)
{
    EXPECT_EQ(catalogue::fieldKindOf("anno", "TEXT"), FieldKind::Integer) << "a standard field by its name";
    EXPECT_EQ(catalogue::fieldKindOf("ISBN", ""), FieldKind::Isbn);
    EXPECT_EQ(catalogue::fieldKindOf("peso", "NUM"), FieldKind::Number);
    EXPECT_EQ(catalogue::fieldKindOf("peso", "MONEY"), FieldKind::Text) << "nothing typed into it is refused";
    EXPECT_EQ(catalogue::fieldKindOf("visto", "TIMESTAMP"), FieldKind::Text);
    EXPECT_EQ(catalogue::fieldKindOf("punti", "FLOATING POINT"), FieldKind::Integer) << "INT wins, as in SQLite";
    EXPECT_EQ(catalogue::fieldKindOf("regalo", "boolean"), FieldKind::YesNo);
    // "Campi…" says the kind the grid and the import use.
    EXPECT_EQ(catalogue::kindOfColumn("peso", "NUM"), "numero");
    EXPECT_EQ(catalogue::kindOfColumn("visto", "TIMESTAMP"), "testo");
    EXPECT_EQ(catalogue::kindOfColumn("copertina", "BLOB"), "dati binari");
    EXPECT_EQ(catalogue::kindOfColumn("pagine", "INTEGER"), "numero intero");
    const catalogue::FieldSchema lent = catalogue::fieldSchema("Prestato_Il", "TEXT");
    EXPECT_EQ(lent.kind, FieldKind::Date);
    EXPECT_EQ(lent.label, "Prestato il");
    EXPECT_TRUE(lent.standard);
    EXPECT_EQ(catalogue::fieldSchema("dedica", "TEXT").label, "dedica");
}

TEST(DateText, TheFormsPromisedAndNoOthers)
{
    EXPECT_EQ(stored("8/12/2026"), "2026-12-08");
    EXPECT_EQ(stored(" 08.12.2026 "), "2026-12-08");
    EXPECT_EQ(stored("8-12-2026"), "2026-12-08");
    EXPECT_EQ(stored("2026-12-08"), "2026-12-08");
    EXPECT_EQ(stored("2026/12/08"), "2026-12-08");
    EXPECT_EQ(stored("2021-04-05T10:11:12"), "2021-04-05");
    EXPECT_EQ(stored("-0044-03-15"), "-0044-03-15");
    EXPECT_EQ(stored("29/2/2024"), "2024-02-29");
    EXPECT_EQ(stored("29/2/2000"), "2000-02-29");
    for (const char* notADate : {"8/12.2026", "2026/12-08", "-0044/03/15", "0000-01-01", "29/2/1900", "29/2/2027",
                                 "31/4/2026", "2026-12-08 10", "2026-12-08x", "8/12/26", "2026-1-5", "", "oggi"})
        EXPECT_EQ(stored(notADate), std::nullopt) << notADate;
    EXPECT_EQ(catalogue::italianDate({2026, 12, 8}), "8/12/2026");
}

TEST(ValueRules, TextToStoredValueForEveryKind)
{
    const auto value = [](FieldKind kind, const char* text) { return catalogue::readValue(kind, text).value; };
    const auto problem = [](FieldKind kind, const char* text) { return catalogue::readValue(kind, text).problem; };
    EXPECT_EQ(value(FieldKind::Date, "8/12/2026"), Value(std::string("2026-12-08")));
    EXPECT_EQ(value(FieldKind::YesNo, " SÌ "), Value(std::int64_t{1}));
    EXPECT_EQ(value(FieldKind::YesNo, "Non letto"), Value(std::int64_t{0}));
    EXPECT_EQ(problem(FieldKind::YesNo, "forse"), Misreading::NotYesNo);
    EXPECT_EQ(value(FieldKind::Integer, "+300"), Value(std::int64_t{300}));
    EXPECT_EQ(problem(FieldKind::Integer, "3,5"), Misreading::NotWhole);
    EXPECT_EQ(problem(FieldKind::Integer, "circa 300"), Misreading::NotNumber);
    EXPECT_EQ(value(FieldKind::Number, "12,50"), Value(12.5));
    EXPECT_EQ(value(FieldKind::Stars, "★★★☆☆"), Value(std::int64_t{3}));
    EXPECT_TRUE(catalogue::readValue(FieldKind::Stars, "3,6").rounded);
    EXPECT_TRUE(catalogue::readValue(FieldKind::Stars, "0").zeroRating);
    EXPECT_EQ(problem(FieldKind::Stars, "6"), Misreading::NotRating);
    EXPECT_EQ(value(FieldKind::Isbn, "88-04-12345-0").index(), 3u);
    EXPECT_FALSE(catalogue::readValue(FieldKind::Isbn, "12345").detail.empty());
    // Text is kept exactly; every other kind takes a blank text as no value.
    EXPECT_EQ(value(FieldKind::Text, "  007 "), Value(std::string("  007 ")));
    for (FieldKind kind : {FieldKind::Integer, FieldKind::Number, FieldKind::Date, FieldKind::YesNo, FieldKind::Stars})
        EXPECT_EQ(value(kind, "  "), Value()) << static_cast<int>(kind);
    // A misread text is kept as given, never lost.
    EXPECT_EQ(value(FieldKind::Date, "ieri"), Value(std::string("ieri")));
}

TEST(ValueRules, StoredValueToShownText)
{
    EXPECT_EQ(catalogue::shownValue(FieldKind::Date, std::string("2026-12-08")), "8/12/2026");
    EXPECT_EQ(catalogue::shownValue(FieldKind::Date, std::string("2015-06-24 00:00:00")), "24/6/2015");
    EXPECT_EQ(catalogue::shownValue(FieldKind::Date, std::string("2015-06-24 10:30")), std::nullopt)
        << "a time of day stays in view";
    EXPECT_EQ(catalogue::shownValue(FieldKind::Stars, std::int64_t{2}), "★★☆☆☆");
    EXPECT_EQ(catalogue::shownValue(FieldKind::Stars, std::int64_t{9}), std::nullopt);
    // A real too large for an integer is no sì/no and no rating, not a wrapped number.
    EXPECT_EQ(catalogue::yesNoOf(1e300), std::nullopt);
    EXPECT_EQ(catalogue::ratingOf(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(catalogue::yesNoOf(1.0), true);
}

} // namespace
