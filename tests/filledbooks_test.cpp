// Books completed from a service, on the catalogue: only empty fields are written,
// each value by its field's rule, the cover with them, and the whole is one step
// of Annulla that refuses, naming the book, once a value written has changed.
#include "covers.h"
#include "error.h"
#include "filledbooks.h"
#include "history.h"
#include "standardfields.h"
#include "testcatalogue.h"

#include <gtest/gtest.h>

namespace {

using catalogue::FoundValue;

const catalogue::Cover cover1{1, "immagine uno", "image/jpeg", "Open Library"};

// The sample books with every standard field, as the grid holds them in Gestione.
class FilledBooks : public ::testing::Test {
protected:
    void SetUp() override
    {
        catalogue::DatabaseHandle db = openDatabase(catalogue.path());
        catalogue::addStandardColumns(db.get());
        catalogue.exec("UPDATE dorvi SET isbn = '9788804661238', editore = '  ', anno = NULL WHERE iddorvo = 1;"
                       "UPDATE dorvi SET isbn = '9780141346830', anno = 1889 WHERE iddorvo = 2");
        shown = openRecordset(catalogue.path(), "SELECT * FROM dorvi ORDER BY iddorvo");
        shown->setHistory(history);
    }
    catalogue::BookFill plan(std::size_t row, const std::vector<FoundValue>& found)
    {
        return catalogue::planFill(*shown, row, static_cast<std::int64_t>(row) + 1, found);
    }
    catalogue::FillOutcome write(const std::vector<catalogue::BookFill>& fills)
    {
        return catalogue::writeFills(*shown, *history, catalogue.path(), fills);
    }
    std::string book(int id) const
    {
        return catalogue.rows("SELECT autore, editore, anno, pagine, lingua, numero FROM dorvi WHERE iddorvo = " +
                              std::to_string(id))
            .at(0)
            .at(0) +
            "|" + catalogue.scalar("SELECT quote(editore) || '|' || quote(anno) || '|' || quote(pagine) || '|' || "
                                   "quote(lingua) || '|' || quote(numero) FROM dorvi WHERE iddorvo = " +
                                   std::to_string(id));
    }
    std::string coverOf(std::int64_t id) const
    {
        catalogue::DatabaseHandle db = openDatabase(catalogue.path());
        const auto cover = catalogue::readCover(db.get(), id);
        return cover ? cover->image : "(nessuna)";
    }

    TestCatalogue catalogue;
    std::shared_ptr<catalogue::History> history = std::make_shared<catalogue::History>();
    std::shared_ptr<catalogue::Recordset> shown;
    const std::vector<FoundValue> found{{"autore", "Altro Autore"}, {"editore", "Mondadori"}, {"pagine", "612"},
                                        {"anno", "2020"},           {"lingua", "italiano"},   {"numero", "II"},
                                        {"sottotitolo", "Storia milanese"}};
};

} // namespace

TEST_F(FilledBooks, OnlyEmptyFieldsArePlannedEachByItsRuleAndWhatIsRefusedIsNamed)
{
    const catalogue::BookFill fill = plan(0, found);
    EXPECT_EQ(fill.label, "«\u2068I promessi sposi\u2069» di \u2068Alessandro Manzoni\u2069");
    std::vector<std::string> fields;
    for (const catalogue::FieldFill& field : fill.fields)
        fields.push_back(field.field + "=" + field.shown);
    // The author the user wrote stays; a blank publisher counts as empty.
    // In the columns' order, whatever order the service gave them in.
    EXPECT_EQ(fields, (std::vector<std::string>{"anno=2020", "editore=Mondadori", "lingua=italiano", "pagine=612"}));
    EXPECT_EQ(fill.fields[0].value, catalogue::Value(std::int64_t{2020})) << "stored as a number, as if typed";
    ASSERT_EQ(fill.leftOut.size(), 2u);
    EXPECT_EQ(fill.leftOut[0].field, "numero");
    EXPECT_EQ(fill.leftOut[0].why, "non è un numero");
    EXPECT_EQ(fill.leftOut[1].field, "sottotitolo");
    EXPECT_EQ(fill.leftOut[1].why, "il catalogo non ha questo campo");

    const catalogue::BookFill second = plan(1, {{"anno", "1890"}, {"pagine", "  "}});
    EXPECT_FALSE(second.writesAnything()) << "a year already there stays, a blank value fills nothing";
}

TEST_F(FilledBooks, OneStepOfAnnullaTakesBackEveryFieldAndTheCoverAndRipetiWritesThemAgain)
{
    catalogue::BookFill first = plan(0, found);
    first.cover = cover1;
    catalogue::BookFill second = plan(1, {{"lingua", "inglese"}});
    const std::string before1 = book(1), before2 = book(2);

    const catalogue::FillOutcome outcome = write({first, second});
    EXPECT_EQ(outcome.books, 2u);
    EXPECT_EQ(outcome.fields, 5u);
    EXPECT_EQ(outcome.covers, 1u);
    const std::string after1 = "Alessandro Manzoni|'Mondadori'|2020|612|'italiano'|NULL";
    EXPECT_EQ(book(1), after1);
    EXPECT_EQ(book(2), "Gabriele D'Annunzio|NULL|1889|NULL|'inglese'|NULL");
    EXPECT_EQ(coverOf(1), "immagine uno");
    EXPECT_EQ(shown->value(0, 5), catalogue::Value(std::string("Mondadori"))) << "the rows shown follow at once";
    EXPECT_EQ(history->undoText(), "completamento da ISBN di 2 libri");

    ASSERT_TRUE(history->undo(*shown));
    EXPECT_EQ(book(1), before1) << "the blank publisher comes back as it was";
    EXPECT_EQ(book(2), before2);
    EXPECT_EQ(coverOf(1), "(nessuna)");
    EXPECT_FALSE(history->canUndo()) << "one step, not one a book";
    EXPECT_TRUE(isNull(shown->value(0, 4))) << "the year shown is taken back too";

    ASSERT_TRUE(history->redo(*shown));
    EXPECT_EQ(book(1), after1);
    EXPECT_EQ(coverOf(1), "immagine uno");
}

TEST_F(FilledBooks, AFieldOrACoverWrittenMeanwhileIsLeftAloneTheRestIsWritten)
{
    catalogue::BookFill first = plan(0, found);
    first.cover = cover1;
    catalogue::BookFill second = plan(1, {{"lingua", "inglese"}, {"pagine", "300"}});
    // While the services were asked: the user typed the year in the grid, another
    // program set a cover and wrote the second book's language.
    shown->update(0, 4, catalogue::Value(std::int64_t{1840}));
    {
        catalogue::DatabaseHandle db = openDatabase(catalogue.path());
        catalogue::storeCover(db.get(), 1, "la mia copertina", "image/png", "file");
    }
    catalogue.exec("UPDATE dorvi SET lingua = 'francese' WHERE iddorvo = 2");

    const catalogue::FillOutcome outcome = write({first, second});
    EXPECT_EQ(book(1), "Alessandro Manzoni|'Mondadori'|1840|612|'italiano'|NULL");
    EXPECT_EQ(coverOf(1), "la mia copertina");
    EXPECT_EQ(book(2), "Gabriele D'Annunzio|NULL|1889|300|'francese'|NULL");
    EXPECT_EQ(outcome.covers, 0u);
    ASSERT_EQ(outcome.leftAlone.size(), 2u);
    EXPECT_NE(outcome.leftAlone[0].find("anno"), std::string::npos);
    EXPECT_NE(outcome.leftAlone[1].find("lingua"), std::string::npos);

    ASSERT_TRUE(history->undo(*shown)); // the completion; the year typed is a change of its own
    EXPECT_EQ(book(1), "Alessandro Manzoni|'  '|1840|NULL|NULL|NULL");
    EXPECT_EQ(book(2), "Gabriele D'Annunzio|NULL|1889|NULL|'francese'|NULL");
    EXPECT_EQ(coverOf(1), "la mia copertina");
}

TEST_F(FilledBooks, AnnullaIsRefusedWholeNamingTheBookWhenAValueWrittenHasChangedSince)
{
    catalogue::BookFill first = plan(0, found);
    first.cover = cover1;
    catalogue::BookFill second = plan(1, {{"lingua", "inglese"}});
    write({first, second});
    catalogue.exec("UPDATE dorvi SET lingua = 'tedesco' WHERE iddorvo = 2");

    try {
        history->undo(*shown);
        FAIL() << "the undo went through";
    } catch (const catalogue::Error& error) {
        EXPECT_NE(error.description().find("Il piacere"), std::string::npos) << error.description();
    }
    EXPECT_EQ(book(1), "Alessandro Manzoni|'Mondadori'|2020|612|'italiano'|NULL") << "nothing taken back";
    EXPECT_EQ(coverOf(1), "immagine uno") << "the cover stays with its book's values";
    EXPECT_TRUE(history->canUndo()) << "kept, to be tried again";
}

TEST_F(FilledBooks, AFailureHalfWayKeepsWhatWasWrittenAsOneStepAndABookDeletedIsNamed)
{
    catalogue::BookFill first = plan(0, found);
    first.cover = cover1;
    catalogue::BookFill second = plan(1, {{"lingua", "inglese"}});
    catalogue::BookFill third = plan(2, {{"lingua", "italiano"}});
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo = 2");
    catalogue.refuse("lingua", "'italiano'");
    // The third book's language is refused by a rule of the file: the first book
    // cannot take it either, so the first write fails and nothing is recorded.
    EXPECT_THROW(write({third}), catalogue::Error);
    EXPECT_FALSE(history->canUndo());

    std::erase_if(first.fields, [](const catalogue::FieldFill& field) { return field.field == "lingua"; });
    EXPECT_THROW(write({first, second, third}), catalogue::Error);
    EXPECT_EQ(book(1), "Alessandro Manzoni|'Mondadori'|2020|612|NULL|NULL");
    EXPECT_EQ(history->undoText(), "completamento da ISBN di 3 libri");
    ASSERT_TRUE(history->undo(*shown));
    EXPECT_EQ(book(1), "Alessandro Manzoni|'  '|NULL|NULL|NULL|NULL");
    EXPECT_EQ(coverOf(1), "(nessuna)");

    const catalogue::FillOutcome outcome = write({second});
    ASSERT_EQ(outcome.gone.size(), 1u);
    EXPECT_NE(outcome.gone[0].find("Il piacere"), std::string::npos);
    EXPECT_EQ(outcome.books, 0u);
}
