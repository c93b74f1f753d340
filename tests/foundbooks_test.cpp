// Books found by ISBN added to the catalogue: the import's rules for values and
// duplicates, the cover in the same transaction, one step of Annulla for them all,
// and nothing at all written when the file refuses.
#include "covers.h"
#include "error.h"
#include "foundbooks.h"
#include "history.h"
#include "testcatalogue.h"

#include <QBuffer>
#include <QDate>
#include <QImage>

#include <filesystem>
#include <gtest/gtest.h>

#include <sqlite3.h>

namespace {

QByteArray pngOf(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

lookup::BookRecord found(const QString& isbn, const QString& author, const QString& title, QByteArray cover = {})
{
    lookup::BookRecord book;
    book.service = QStringLiteral("Open Library");
    book.fields = {{"isbn", isbn}, {"autore", author}, {"titolo", title}, {"editore", "Einaudi"},
                   {"anno", "1947"}, {"pagine", "612"}, {"lingua", "italiano"}};
    book.cover = std::move(cover);
    if (!book.cover.isEmpty())
        book.coverType = QStringLiteral("image/png");
    return book;
}

// The whole file as another program reads it: its schema and every row, covers included.
std::string everything(const TestCatalogue& catalogue)
{
    std::string text = catalogue.scalar("SELECT group_concat(sql, ';') FROM sqlite_schema");
    for (const auto& row : catalogue.rows("SELECT * FROM dorvi"))
        for (const std::string& cell : row)
            text += "|" + cell;
    if (catalogue.scalar("SELECT count(*) FROM sqlite_schema WHERE name = 'copertine'") == "1")
        text += catalogue.scalar("SELECT group_concat(iddorvo || hex(immagine)) FROM copertine");
    return text;
}

struct Shown {
    explicit Shown(const TestCatalogue& catalogue)
        : rows(openRecordset(catalogue.path(), "SELECT * FROM dorvi ORDER BY iddorvo"))
    {
        rows->setHistory(history);
    }
    std::shared_ptr<catalogue::History> history = std::make_shared<catalogue::History>();
    std::shared_ptr<catalogue::Recordset> rows;
};

using Kind = bookimport::FoundBookOutcome::Kind;

// The book holding that ISBN, 0 for none.
std::int64_t heldId(const bookimport::FoundBooks& books, const char* isbn)
{
    const auto held = books.held(QString::fromLatin1(isbn));
    return held ? held->id : 0;
}

// A book's name in a message without the isolates that keep its quoted values apart.
std::string plain(const QString& text)
{
    QString out = text;
    out.remove(QChar(0x2068)).remove(QChar(0x2069));
    return out.toStdString();
}

} // namespace

// Every value by the field's rule, the ISBN as 13 digits, aggiunto_il today, and
// the cover beside the book: written together, and told of by its service.
TEST(FoundBooks, AddsTheBookWithItsCoverAndValuesAsTheirFieldsAsk)
{
    TestCatalogue catalogue;
    bookimport::FoundBooks books(catalogue.path());
    const QByteArray cover = pngOf(20, 30);
    const auto outcome = books.add(found("88-06-21918-9", "Primo Levi", "Il sistema periodico", cover));
    ASSERT_EQ(outcome.kind, Kind::Added) << outcome.text.toStdString();
    EXPECT_EQ(outcome.id, 6);
    EXPECT_EQ(plain(outcome.text), "«Il sistema periodico» di Primo Levi, n. 6");
    EXPECT_EQ(books.added(), std::vector<std::int64_t>{6});
    EXPECT_EQ(catalogue.rows("SELECT isbn, typeof(anno), anno, typeof(pagine), editore, lingua, aggiunto_il "
                             "FROM dorvi WHERE iddorvo = 6"),
              (std::vector<std::vector<std::string>>{{"9788806219185", "integer", "1947", "integer", "Einaudi",
                                                      "italiano",
                                                      QDate::currentDate().toString(Qt::ISODate).toStdString()}}));
    EXPECT_EQ(catalogue.scalar("SELECT tipo || ' ' || fonte || ' ' || length(immagine) FROM copertine "
                               "WHERE iddorvo = 6"),
              "image/png Open Library " + std::to_string(cover.size()));
}

// A year a service gives as "s.d." or "[19--]" is no number: kept as the text it
// is and named among the changes, never stored as 0 or as part of a number.
TEST(FoundBooks, AValueNotOfItsFieldsKindIsKeptAsGivenAndNamed)
{
    TestCatalogue catalogue;
    bookimport::FoundBooks books(catalogue.path());
    auto book = found("9780141346830", "Anonimo", "Senza data");
    book.fields["anno"] = QStringLiteral("s.d.");
    book.fields["pagine"] = QStringLiteral("[19--]");
    const auto outcome = books.add(book);
    ASSERT_EQ(outcome.kind, Kind::Added);
    EXPECT_EQ(catalogue.rows("SELECT typeof(anno), anno, typeof(pagine), pagine FROM dorvi WHERE iddorvo = 6"),
              (std::vector<std::vector<std::string>>{{"text", "s.d.", "text", "[19--]"}}));
    ASSERT_EQ(outcome.changes.size(), 2);
    EXPECT_TRUE(outcome.changes[0].startsWith("anno: ")) << outcome.changes[0].toStdString();
}

// Nothing found is nothing written: a field the services did not fill keeps the
// default the file gives it, and is NULL where the file gives none.
TEST(FoundBooks, AFieldNotFoundKeepsItsDefault)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN collana TEXT DEFAULT 'Nessuna'");
    bookimport::FoundBooks books(catalogue.path());
    ASSERT_EQ(books.add(found("9788806219185", "Primo Levi", "Il sistema periodico")).kind, Kind::Added);
    auto series = found("9780141346830", "Rick Riordan", "Percy Jackson");
    series.fields["collana"] = QStringLiteral("Percy Jackson");
    ASSERT_EQ(books.add(series).kind, Kind::Added);
    ASSERT_EQ(books.add(found("9788804668237", "Umberto Eco", "Il nome della rosa")).kind, Kind::Added);
    EXPECT_EQ(catalogue.rows("SELECT collana, numero FROM dorvi WHERE iddorvo > 5 ORDER BY iddorvo"),
              (std::vector<std::vector<std::string>>{{"Nessuna", "NULL"}, {"Percy Jackson", "NULL"},
                                                     {"Nessuna", "NULL"}}));
    EXPECT_EQ(books.add(found("9788806219185", "Primo Levi", "Il sistema periodico")).kind, Kind::Duplicate)
        << "the books are known across writers of other columns";
}

// The duplicate rule of the import: the same ISBN in any form, or the same author
// and title by the near rule against a book without an ISBN. A duplicate writes
// nothing unless asked, and names the book held.
TEST(FoundBooks, ADuplicateByIsbnOrByNearNameIsNamedAndNotAdded)
{
    TestCatalogue catalogue;
    bookimport::FoundBooks books(catalogue.path());
    ASSERT_EQ(books.add(found("9788806219185", "Primo Levi", "Il sistema periodico", pngOf(12, 12))).kind,
              Kind::Added);
    const std::string before = everything(catalogue);

    const auto again = books.add(found("88-06-21918-9", "Altro", "Altro titolo", pngOf(14, 14)));
    EXPECT_EQ(again.kind, Kind::Duplicate);
    EXPECT_EQ(again.id, 6);
    EXPECT_EQ(plain(again.text), "«Il sistema periodico» di Primo Levi, n. 6");
    EXPECT_EQ(everything(catalogue), before) << "nothing written, the cover neither";

    // "I promessi sposi" by Manzoni is held without an ISBN.
    const auto near = books.add(found("9788804668237", "alessandro MANZONI", "Promessi sposi"));
    EXPECT_EQ(near.kind, Kind::Duplicate);
    EXPECT_EQ(near.id, 1);
    EXPECT_EQ(everything(catalogue), before);
    // Another edition of a book held with an ISBN is no duplicate.
    EXPECT_EQ(books.add(found("9788806227203", "Primo Levi", "Il sistema periodico")).kind, Kind::Added);

    ASSERT_TRUE(books.held(QStringLiteral("978-88-06-21918-5")));
    EXPECT_EQ(heldId(books, "88 0621918 9"), 6) << "any written form of the ISBN";
    EXPECT_FALSE(books.held(QStringLiteral("9780000000002")));
    const auto manzoni = books.held(found("9788804668237", "Alessandro Manzoni", "I promessi sposi"));
    EXPECT_EQ(plain(manzoni.value_or(bookimport::HeldBook{}).text),
              "«I promessi sposi» di Alessandro Manzoni, n. 1");

    const auto anyway = books.add(found("9788804668237", "Alessandro Manzoni", "I promessi sposi"), true);
    EXPECT_EQ(anyway.kind, Kind::Added);
    EXPECT_EQ(anyway.duplicateOf, 1);
    EXPECT_EQ(books.added(), (std::vector<std::int64_t>{6, 7, 8}));
    EXPECT_EQ(catalogue.scalar("SELECT group_concat(iddorvo) FROM copertine"), "6") << "one cover, the first book's";
}

// Nothing found but the ISBN, or a book the file's own rule refuses: nothing is
// written, not even the standard fields the file lacked, and the outcome says why.
TEST(FoundBooks, NothingFoundOrABookRefusedWritesNothing)
{
    TestCatalogue catalogue;
    catalogue.refuse("titolo", "'Vietato'");
    const std::string before = everything(catalogue);
    bookimport::FoundBooks books(catalogue.path());

    lookup::BookRecord onlyIsbn;
    onlyIsbn.fields = {{"isbn", "9788806219185"}, {"titolo", "  "}};
    onlyIsbn.cover = pngOf(12, 12);
    EXPECT_EQ(books.add(onlyIsbn).kind, Kind::Refused);

    const auto refused = books.add(found("9788806219185", "Primo Levi", "Vietato", pngOf(12, 12)));
    EXPECT_EQ(refused.kind, Kind::Refused);
    EXPECT_FALSE(refused.text.isEmpty());
    EXPECT_EQ(everything(catalogue), before);
    EXPECT_TRUE(books.added().empty());
}

// Another program holding the file's write lock, or the file made read-only: an
// error to show, and the file as it was; the next add, once the cause is gone,
// goes through.
TEST(FoundBooks, ALockedOrReadOnlyCatalogueThrowsAndLeavesNothing)
{
    TestCatalogue catalogue;
    const std::string before = everything(catalogue);
    bookimport::FoundBooks books(catalogue.path());
    {
        catalogue::DatabaseHandle other = openDatabase(catalogue.path());
        sqlite3_exec(other.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        EXPECT_THROW(books.add(found("9788806219185", "Primo Levi", "Il sistema periodico", pngOf(12, 12))),
                     catalogue::Error);
        sqlite3_exec(other.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    EXPECT_EQ(everything(catalogue), before);
    EXPECT_TRUE(books.added().empty());
    EXPECT_EQ(books.add(found("9788806219185", "Primo Levi", "Il sistema periodico")).kind, Kind::Added);

    // Made read-only after a book was added: the connection kept open from that
    // book does not write through.
    namespace fs = std::filesystem;
    fs::permissions(catalogue.path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string readOnly = everything(catalogue);
    EXPECT_THROW(books.add(found("9780141346830", "Roald Dahl", "Matilda", pngOf(12, 12))), catalogue::Error);
    EXPECT_EQ(everything(catalogue), readOnly);
    fs::permissions(catalogue.path(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(books.add(found("9780141346830", "Roald Dahl", "Matilda")).kind, Kind::Added);
}

// Every book added, with its cover, is one change: Annulla takes them all and
// their covers, Ripeti brings them all back; a book changed since refuses the
// whole undo with nothing written.
TEST(FoundBooks, TheBooksAddedAreOneStepOfAnnulla)
{
    TestCatalogue catalogue;
    bookimport::FoundBooks books(catalogue.path());
    const QByteArray cover = pngOf(16, 24);
    books.add(found("9788806219185", "Primo Levi", "Il sistema periodico", cover));
    books.add(found("9780141346830", "Roald Dahl", "Matilda"));
    books.add(found("9788804668237", "Umberto Eco", "Il nome della rosa", pngOf(18, 18)));
    const std::string added = everything(catalogue);
    Shown shown(catalogue);
    shown.history->recordStep(books.step("aggiunta da ISBN di 3 libri"));
    EXPECT_EQ(shown.history->undoText(), "aggiunta da ISBN di 3 libri");
    EXPECT_EQ(shown.history->undoBooks(), 3u);

    ASSERT_TRUE(shown.history->undo(*shown.rows));
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "5");
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM copertine"), "0");

    ASSERT_TRUE(shown.history->redo(*shown.rows));
    EXPECT_EQ(everything(catalogue), added) << "the books under their own keys, and both covers";

    catalogue.exec("UPDATE dorvi SET note = 'mia' WHERE iddorvo = 7");
    const std::string changed = everything(catalogue);
    EXPECT_ANY_THROW(shown.history->undo(*shown.rows));
    EXPECT_EQ(everything(catalogue), changed) << "refused whole: no book and no cover taken";
}

// What the adds keep of the file between books (its books for the duplicate rule,
// its columns) follows what others write: a book another program adds between two
// scans is found as a duplicate, a field it adds is filled in, and a catalogue
// restored from a copy gets the next book, not the file it replaced.
TEST(FoundBooks, WhatOthersWriteBetweenTwoBooksIsSeen)
{
    TestCatalogue catalogue;
    bookimport::FoundBooks books(catalogue.path());
    EXPECT_FALSE(books.held(QStringLiteral("9780141346830")));
    ASSERT_EQ(books.add(found("9788806219185", "Primo Levi", "Il sistema periodico")).kind, Kind::Added);
    EXPECT_EQ(heldId(books, "9788806219185"), 6) << "the book just added";

    catalogue.exec("INSERT INTO dorvi (autore, titolo, isbn) VALUES ('Roald Dahl', 'Matilda', '9780141346830')");
    EXPECT_EQ(heldId(books, "9780141346830"), 7) << "a book another program added";
    const auto held = books.add(found("978-0-14-134683-0", "Roald Dahl", "Matilda"));
    EXPECT_EQ(held.kind, Kind::Duplicate);
    EXPECT_EQ(held.id, 7);

    catalogue.exec("ALTER TABLE dorvi ADD COLUMN scaffale TEXT DEFAULT 'A1'");
    ASSERT_EQ(books.add(found("9788804668237", "Umberto Eco", "Il nome della rosa")).kind, Kind::Added);
    EXPECT_EQ(catalogue.scalar("SELECT scaffale FROM dorvi WHERE isbn = '9788804668237'"), "A1");

    const std::string copy = catalogue.path() + ".copia";
    std::filesystem::copy_file(catalogue.path(), copy);
    catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Solo', 'Nel file sostituito')");
    std::filesystem::rename(copy, catalogue.path());
    const auto afterRestore = books.add(found("9780316452502", "Adrian Tchaikovsky", "Children of Time"));
    ASSERT_EQ(afterRestore.kind, Kind::Added);
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi WHERE isbn = '9780316452502'"), "1");
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi WHERE titolo = 'Nel file sostituito'"), "0");

    // A read-only catalogue is still looked in.
    namespace fs = std::filesystem;
    fs::permissions(catalogue.path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(heldId(books, "9780316452502"), 9);
    fs::permissions(catalogue.path(), fs::perms::owner_write, fs::perm_options::add);
}
