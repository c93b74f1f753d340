// The fields' kinds: how each reads and is typed in the grid, the keys that rate a
// book, the day a new book was added, and sorting dates as dates.
#include "celleditor.h"
#include "fieldkind.h"
#include "fieldnames.h"
#include "fieldvalues.h"
#include "fieldsgrid.h"
#include "shownrowsmodel.h"

#include <QDate>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using catalogue::Value;

class FieldsGridTest : public ::testing::Test, public FieldsGrid {};

TEST(FieldKind, StandardFieldsByNameOwnFieldsByDeclaredType)
{
    EXPECT_EQ(fieldKind("voto", "TEXT"), FieldKind::Stars) << "a standard field is known by its name";
    EXPECT_EQ(fieldKind("Letto", ""), FieldKind::YesNo);
    EXPECT_EQ(fieldKind("prestato_il", "TEXT"), FieldKind::Date);
    EXPECT_EQ(fieldKind("note", "TEXT"), FieldKind::LongText);
    EXPECT_EQ(fieldKind("finito", "DATE"), FieldKind::Date);
    EXPECT_EQ(fieldKind("visto", "datetime"), FieldKind::Date);
    EXPECT_EQ(fieldKind("regalo", "BOOLEAN"), FieldKind::YesNo);
    EXPECT_EQ(fieldKind("copie", "INTEGER"), FieldKind::Integer) << "whole numbers only";
    EXPECT_EQ(fieldKind("prezzo", "NUMERIC"), FieldKind::Number);
    EXPECT_EQ(fieldKind("peso", "NUMBER(5,2)"), FieldKind::Number);
    EXPECT_EQ(fieldKind("costo", "decimal(8,2)"), FieldKind::Number);
    EXPECT_EQ(fieldKind("dedica", "TEXT"), FieldKind::Text);
    EXPECT_EQ(fieldKind("count(*)", ""), FieldKind::Text) << "a computed column";
}

// The grid, the import and "Campi…" take a column for the same kind, and read
// the same text as the same value: a date typed or imported is the same day, a
// date the one refuses the other keeps as given and reports.
TEST(FieldKind, TheGridAndTheImportReadEveryValueAlike)
{
    EXPECT_EQ(fieldKind("peso", "NUM"), FieldKind::Number);
    EXPECT_EQ(bookimport::valueRule("peso", "NUM"), bookimport::ValueRule::Decimal);
    EXPECT_EQ(catalogue::kindOfColumn("peso", "NUM"), "numero");
    EXPECT_FALSE(readTyped(fieldKind("peso", "NUM"), QStringLiteral("circa 2"), false).refusal.isEmpty());

    for (const char* text : {"8/12/2026", "08.12.2026", "2026-12-08", "2026/12/08", "8/12.2026", "31/4/2026"}) {
        const TypedValue typed = readTyped(fieldKind("finito", "DATE"), QString::fromUtf8(text), false);
        const bookimport::StoredValue imported = bookimport::storedValue("finito", "DATE", text);
        EXPECT_EQ(typed.refusal.isEmpty(), imported.change.empty()) << text;
        if (typed.refusal.isEmpty()) {
            EXPECT_EQ(typed.value, imported.value) << text;
        }
        EXPECT_EQ(readDate(text).has_value(), bookimport::isoDate(text).has_value()) << text;
    }
    EXPECT_EQ(bookimport::storedValue("finito", "DATE", "8/12/2026").value, Value(std::string("2026-12-08")));
    EXPECT_EQ(bookimport::storedValue("regalo", "BOOLEAN", "sì").value, Value(std::int64_t{1}));
    EXPECT_EQ(readTyped(fieldKind("regalo", "BOOLEAN"), QStringLiteral("sì"), false).value, Value(std::int64_t{1}));
    // A whole number is whole in both.
    EXPECT_FALSE(readTyped(fieldKind("copie", "INTEGER"), QStringLiteral("3,5"), false).refusal.isEmpty());
    EXPECT_FALSE(bookimport::storedValue("copie", "INTEGER", "3,5").change.empty());
}

TEST(FieldKind, ReadsItalianAndStoredDatesOnly)
{
    EXPECT_EQ(readDate("8/12/2026"), QDate(2026, 12, 8));
    EXPECT_EQ(readDate(" 08.12.2026 "), QDate(2026, 12, 8));
    EXPECT_EQ(readDate("8-12-2026"), QDate(2026, 12, 8));
    EXPECT_EQ(readDate("2026-12-08"), QDate(2026, 12, 8));
    EXPECT_EQ(readDate("2015-06-24 00:00:00"), QDate(2015, 6, 24)) << "as the Access importer writes dates";
    for (const char* notADate : {"31/2/2026", "8/12/26", "2026-13-01", "2026-12-08x", "8/12/2026 x", "", "oggi",
                                 "123/1/2026", "8//2026"})
        EXPECT_FALSE(readDate(notADate)) << notADate;
}

TEST(FieldKind, TypedTextStoresThePlainValueOrIsRefused)
{
    EXPECT_EQ(readTyped(FieldKind::Date, "8/12/2026", true).value, Value(std::string("2026-12-08")));
    EXPECT_EQ(readTyped(FieldKind::Date, "  ", true).value, Value()) << "an empty date is none, not empty text";
    EXPECT_TRUE(readTyped(FieldKind::Date, "30/02/2026", true).refusal.contains("30/02/2026"));
    EXPECT_EQ(readTyped(FieldKind::Stars, "4", false).value, Value(std::int64_t{4}));
    EXPECT_EQ(readTyped(FieldKind::Stars, "0", false).value, Value());
    EXPECT_EQ(readTyped(FieldKind::Stars, "★★★☆☆", false).value, Value(std::int64_t{3})) << "stars pasted back";
    EXPECT_FALSE(readTyped(FieldKind::Stars, "6", false).refusal.isEmpty());
    EXPECT_FALSE(readTyped(FieldKind::Stars, "-1", false).refusal.isEmpty());
    EXPECT_EQ(readTyped(FieldKind::YesNo, "Sì", false).value, Value(std::int64_t{1}));
    EXPECT_EQ(readTyped(FieldKind::YesNo, "no", false).value, Value(std::int64_t{0}));
    EXPECT_FALSE(readTyped(FieldKind::YesNo, "forse", false).refusal.isEmpty());
    EXPECT_EQ(readTyped(FieldKind::Number, "1,5", false).value, Value(1.5)) << "the decimal comma";
    EXPECT_EQ(readTyped(FieldKind::Number, "-300", false).value, Value(std::int64_t{-300}));
    EXPECT_TRUE(readTyped(FieldKind::Number, "circa 300", false).refusal.contains("«circa 300» non è un numero"))
        << "refused, as an impossible date is";
    EXPECT_EQ(readTyped(FieldKind::Number, " ", false).value, Value()) << "an empty number is none";
    EXPECT_EQ(readTyped(FieldKind::Text, "", true).value, Value(std::string()));
}

TEST(FieldKind, ShowsRatingsAsStarsAndPlainDatesTheItalianWay)
{
    EXPECT_EQ(shownText(FieldKind::Stars, std::int64_t{3}), "★★★☆☆");
    EXPECT_EQ(shownText(FieldKind::Stars, std::int64_t{9}), "9") << "a value out of range shows as stored";
    EXPECT_EQ(shownText(FieldKind::Date, std::string("2026-12-08")), "8/12/2026");
    EXPECT_EQ(shownText(FieldKind::Date, std::string("2015-06-24 00:00:00")), "24/6/2015");
    EXPECT_EQ(shownText(FieldKind::Date, std::string("2015-06-24 10:30:00")), "2015-06-24 10:30:00");
    EXPECT_EQ(shownText(FieldKind::Date, std::string("a Natale")), "a Natale");
    EXPECT_EQ(checkState(Value()), Qt::PartiallyChecked) << "not said";
    EXPECT_EQ(checkState(std::int64_t{1}), Qt::Checked);
    EXPECT_FALSE(checkState(std::int64_t{7}));
}

TEST_F(FieldsGridTest, AScreenReaderHearsRatingsAndTicksInWords)
{
    catalogue.exec("UPDATE dorvi SET voto = 4, letto = 0 WHERE iddorvo = 1");
    bind();
    EXPECT_TRUE(cell(0, "voto").data(Qt::AccessibleTextRole).toString().contains("4 stelle su 5"));
    EXPECT_TRUE(cell(0, "letto").data(Qt::AccessibleTextRole).toString().contains("no"));
    EXPECT_TRUE(cell(1, "letto").data(Qt::AccessibleTextRole).toString().contains("non detto"));
}

TEST_F(FieldsGridTest, ATypedItalianDateIsStoredAsIsoAndShownItalian)
{
    bind();
    ASSERT_TRUE(grid.model()->setData(cell(0, "prestato_il"), "8/12/2026"));
    EXPECT_EQ(stored(1, "prestato_il"), "2026-12-08");
    EXPECT_EQ(cell(0, "prestato_il").data().toString(), "8/12/2026");
    EXPECT_EQ(cell(0, "prestato_il").data(Qt::EditRole).toString(), "8/12/2026");
    ASSERT_TRUE(grid.model()->setData(cell(0, "finito"), "1.3.2025")) << "a date field of one's own";
    EXPECT_EQ(stored(1, "finito"), "2025-03-01");
}

// As any value the file refuses: told once, and the editor opens again holding it.
TEST_F(FieldsGridTest, AnImpossibleDateIsRefusedWithTheTypingKept)
{
    bind();
    grid.setCurrentIndex(cell(1, "prestato_il"));
    QTest::keyClicks(&grid, "3");
    auto* editor = grid.findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor, "1/2/2026");
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(stored(2, "prestato_il"), "NULL");
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_NE(services.errors[0].description().find("«31/2/2026» non è una data"), std::string::npos);
    QLineEdit* reopened = nullptr;
    for (auto* line : grid.findChildren<QLineEdit*>())
        reopened = line->isVisible() ? line : reopened;
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->text(), "31/2/2026");
    EXPECT_TRUE(CellEditor::holdsRefused(reopened));
}

// A number field refuses a title or "circa 1840" as a date field refuses 31/2/2026,
// standard or one's own; a number with the decimal comma is written.
TEST_F(FieldsGridTest, TextThatIsNoNumberIsRefusedWithTheTypingKept)
{
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN anno INTEGER; ALTER TABLE dorvi ADD COLUMN peso NUMBER;");
    bind();
    grid.setCurrentIndex(cell(1, "anno"));
    QTest::keyClicks(&grid, "c");
    ASSERT_TRUE(openEditorIn(grid));
    QTest::keyClicks(openEditorIn(grid), "irca 1840");
    QTest::keyClick(openEditorIn(grid), Qt::Key_Return);
    settle();
    EXPECT_EQ(stored(2, "anno"), "NULL");
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), catalogue::ErrorNumber::ValueRefused);
    EXPECT_NE(services.errors[0].description().find("«circa 1840» non è un numero"), std::string::npos);
    QLineEdit* reopened = openEditorIn(grid);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->text(), "circa 1840");
    EXPECT_TRUE(CellEditor::holdsRefused(reopened));
    QTest::keyClick(reopened, Qt::Key_Escape);
    settle();

    ASSERT_TRUE(grid.model()->setData(cell(0, "peso"), "1,5")) << "the decimal comma";
    EXPECT_EQ(catalogue.scalar("select typeof(peso) || ' ' || peso from dorvi where iddorvo = 1"), "real 1.5");
    EXPECT_FALSE(grid.model()->setData(cell(0, "peso"), "un chilo")) << "a field of one's own, declared NUMBER";
    EXPECT_EQ(stored(1, "peso"), "1.5");
}

// What an import kept as given ("c1975") is no number, yet passing through its
// editor unchanged writes nothing and refuses nothing; a change is refused.
TEST_F(FieldsGridTest, AStoredValueThatIsNoNumberPassesUnchanged)
{
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN anno INTEGER; UPDATE dorvi SET anno = 'c1975' WHERE iddorvo = 3;");
    bind();
    grid.setCurrentIndex(cell(2, "anno"));
    QTest::keyClick(&grid, Qt::Key_F2);
    ASSERT_TRUE(openEditorIn(grid));
    QTest::keyClick(openEditorIn(grid), Qt::Key_Return);
    settle();
    EXPECT_TRUE(services.errors.empty());
    EXPECT_EQ(openEditorIn(grid), nullptr);
    EXPECT_EQ(stored(3, "anno"), "c1975");
    EXPECT_FALSE(grid.model()->setData(cell(2, "anno"), "c1976"));
    EXPECT_EQ(stored(3, "anno"), "c1975");
}

TEST_F(FieldsGridTest, DigitsRateABookAndCancTakesTheRatingAwayNotTheBook)
{
    bind();
    grid.setCurrentIndex(cell(2, "voto"));
    QTest::keyClick(&grid, Qt::Key_4);
    EXPECT_FALSE(grid.findChild<QLineEdit*>()) << "no editor opens for a rating";
    EXPECT_EQ(stored(3, "voto"), "4");
    EXPECT_EQ(cell(2, "voto").data().toString(), "★★★★☆");
    QTest::keyClick(&grid, Qt::Key_9);
    EXPECT_EQ(stored(3, "voto"), "4") << "9 is no rating";
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_EQ(stored(3, "voto"), "NULL");
    EXPECT_TRUE(services.confirmations.empty()) << "no question about deleting the book";
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    QTest::keyClick(&grid, Qt::Key_5);
    QTest::keyClick(&grid, Qt::Key_0);
    EXPECT_EQ(stored(3, "voto"), "NULL");
    EXPECT_EQ(history->undoText().empty(), false);
}

TEST_F(FieldsGridTest, ACheckBoxSaysReadNotReadOrNotSaid)
{
    bind();
    const QModelIndex letto = cell(0, "letto");
    EXPECT_EQ(letto.data(Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_TRUE(letto.flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(letto.data().toString(), "") << "the box alone says it";
    grid.setCurrentIndex(letto);
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_EQ(stored(1, "letto"), "1");
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_EQ(stored(1, "letto"), "0");
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_EQ(stored(1, "letto"), "NULL");
    ASSERT_TRUE(grid.model()->setData(cell(0, "regalo"), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(stored(1, "regalo"), "1");

    grid.setAllowUpdate(false);
    EXPECT_FALSE(cell(0, "letto").flags() & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(grid.model()->setData(cell(0, "letto"), Qt::Checked, Qt::CheckStateRole));
}

TEST_F(FieldsGridTest, ABookAddedCarriesTheDayItWasAdded)
{
    bind();
    const int line = grid.model()->rowCount() - 1;
    ASSERT_TRUE(grid.model()->setData(grid.model()->index(line, 1), "Italo Calvino"));
    grid.commitPendingEdit();
    EXPECT_EQ(catalogue.scalar("select aggiunto_il from dorvi where autore = 'Italo Calvino'"),
              QDate::currentDate().toString("yyyy-MM-dd").toStdString());

    const int next = grid.model()->rowCount() - 1;
    ASSERT_TRUE(grid.model()->setData(grid.model()->index(next, 1), "Primo Levi"));
    ASSERT_TRUE(grid.model()->setData(grid.model()->index(next, column("aggiunto_il")), "2/1/1999"));
    grid.commitPendingEdit();
    EXPECT_EQ(catalogue.scalar("select aggiunto_il from dorvi where autore = 'Primo Levi'"), "1999-01-02")
        << "a day typed is kept";
}

TEST_F(FieldsGridTest, AHeadingSortsDatesAsDatesWhateverTheirWriting)
{
    catalogue.exec("UPDATE dorvi SET prestato_il = CASE iddorvo WHEN 1 THEN '1/2/2027' WHEN 2 THEN '2026-12-31' "
                   "WHEN 3 THEN '2026-01-15' WHEN 4 THEN 'a Natale' END;"
                   "UPDATE dorvi SET voto = CASE iddorvo WHEN 1 THEN 5 WHEN 2 THEN 1 WHEN 3 THEN 3 END;");
    bind(false);
    auto* rows = grid.shownRows();
    rows->sortByColumn(column("prestato_il"), Qt::AscendingOrder);
    std::vector<int> books;
    for (int row = 0; row < rows->rowCount(); ++row)
        books.push_back(rows->index(row, 0).data().toInt());
    EXPECT_EQ(books, (std::vector<int>{3, 2, 1, 4, 5})) << "days in order, then text, then empty cells";
    rows->sortByColumn(column("voto"), Qt::DescendingOrder);
    books.clear();
    for (int row = 0; row < rows->rowCount(); ++row)
        books.push_back(rows->index(row, 0).data().toInt());
    EXPECT_EQ(books, (std::vector<int>{1, 3, 2, 4, 5}));
}
