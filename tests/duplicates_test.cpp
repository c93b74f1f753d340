// Duplicates in the window: the duplicate rule, the groups and the index on
// plain files, Trova doppioni and the notice with its key in the window.
#include "bookidentity.h"
#include "catalogue.h"
#include "duplicatetools.h"
#include "nearduplicates.h"
#include "shownwindow.h"

#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using catalogue::BookIdentity;
using Groups = std::vector<std::vector<std::int64_t>>;

BookIdentity key(const char* author, const char* title, std::optional<std::string> isbn = {})
{
    return catalogue::bookIdentity(isbn, std::string(author), std::string(title));
}

// Whether the two books are duplicates, checked both ways round.
::testing::AssertionResult same(const BookIdentity& a, const BookIdentity& b)
{
    const bool one = catalogue::areDuplicates(a, b);
    if (one != catalogue::areDuplicates(b, a))
        return ::testing::AssertionFailure() << "the rule is not symmetric: " << a.name << " / " << b.name;
    if (!one)
        return ::testing::AssertionFailure() << "not duplicates: «" << a.isbn << "» " << a.name << " / «" << b.isbn
                                             << "» " << b.name;
    return ::testing::AssertionSuccess();
}

catalogue::DatabaseHandle openFile(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    return catalogue::DatabaseHandle(db);
}

} // namespace

TEST(NearDuplicateRule, TitlesDifferingInPunctuationArticlesOrSpacesMeet)
{
    const auto rosa = key("Umberto Eco", "Il nome della rosa");
    EXPECT_TRUE(same(key("umberto eco", "Nome della rosa!"), rosa));
    EXPECT_TRUE(same(key("Umberto  Eco.", "IL NOME DELLA ROSA"), rosa));
    EXPECT_TRUE(same(key("Umberto Eco", "Il nome dellarosa"), rosa));
    EXPECT_TRUE(same(key("Omero", "L'Odissea"), key("Omero", "Odissea")));
    EXPECT_TRUE(same(key("Omero", "L’Odissea"), key("Omero", "Odissea")));
    // Every apostrophe the filter knows reads as one before the article is dropped.
    EXPECT_TRUE(same(key("Omero", "L‘Odissea"), key("Omero", "Odissea")));
    EXPECT_TRUE(same(key("Omero", "Lʼodissea"), key("Omero", "Odissea")));
    EXPECT_TRUE(same(key("Omero", "L`Odissea"), key("Omero", "Odissea")));
    EXPECT_TRUE(same(key("Calvino", "Unʼaltra città"), key("Calvino", "altra citta")));
    EXPECT_FALSE(same(key("Omero", "Dell‘Odissea"), key("Omero", "Odissea"))) << "no article";
    EXPECT_TRUE(same(key("Tolkien", "The Hobbit"), key("Tolkien", "Hobbit")));
    EXPECT_TRUE(same(key("Calvino", "Un re in ascolto"), key("Calvino", "Re in ascolto")));
    EXPECT_TRUE(same(key("Verga", "Città"), key("Verga", "citta")));
    EXPECT_TRUE(same(key("Calvino", "Città  invisibili"), key("Calvino", "città invisibili")));
    EXPECT_TRUE(same(key("Calvino", "Ça ira"), key("Calvino", "ca ira")));
    // Only a leading article, a whole word, and only one.
    EXPECT_FALSE(same(key("Eco", "Il nome della rosa"), key("Eco", "Il nome della")));
    EXPECT_FALSE(same(key("Ariosto", "Ilaria"), key("Ariosto", "aria")));
    EXPECT_FALSE(same(key("Tolkien", "The The"), key("Tolkien", "")));
    EXPECT_FALSE(same(key("Manzoni", "Adelchi"), key("Pirandello", "Adelchi")));
}

TEST(NearDuplicateRule, AnIsbnOnBothSidesDecidesOnOneSideItDoesNot)
{
    // Same ISBN-13 in any of its forms: the same book, whatever its title.
    EXPECT_TRUE(same(key("Eco", "Il nome della rosa", "9788845292613"), key("Umberto Eco", "Altro", "88-452-9261-4")));
    EXPECT_TRUE(same(key("", "Annuario", "9788845292613"), key("", "", "978-88-452-9261-3")));
    // Two ISBNs are two editions, however alike the rest.
    EXPECT_FALSE(same(key("Eco", "Il nome della rosa", "9788845292613"),
                      key("Eco", "Il nome della rosa", "9788804668237")));
    // An ISBN on one side only: author and title decide, by the near rule.
    EXPECT_TRUE(same(key("Eco", "Il nome della rosa", "9788845292613"), key("eco", "Nome della rosa.")));
    EXPECT_TRUE(same(key("Eco", "Il nome della rosa", "88-452-9261-5"), key("Eco", "Il nome della rosa", " ")));
    // A text in no ISBN's shape names no edition: not the same book by it, and no
    // second edition either.
    EXPECT_FALSE(same(key("Eco", "Il nome della rosa", "n/d"), key("Calvino", "Palomar", "n/d")));
    EXPECT_TRUE(same(key("Eco", "Il nome della rosa", "n/d"), key("Eco", "Il nome della rosa", "9788845292613")));
    // The same mistyped ISBN is the same book; another mistyping is another.
    EXPECT_TRUE(same(key("Eco", "Il nome della rosa", "88-452-9261-5"), key("", "", "88-452-9261-5")));
    EXPECT_FALSE(same(key("Eco", "Il nome della rosa", "9788845292613"), key("Eco", "Il pendolo di Foucault")));
    // No author or no title: nobody's duplicate by name (anonymous periodicals).
    EXPECT_FALSE(same(key("", "Titolo"), key("", "Titolo")));
    EXPECT_FALSE(same(key("Eco", "  "), key("Eco", "  ")));
    EXPECT_FALSE(same(key("", "Panorama", "9788845292613"), key("", "Panorama")));
    // A title of punctuation only meets only the same punctuation.
    EXPECT_FALSE(same(key("Eco", "?!"), key("Eco", "...")));
    EXPECT_TRUE(same(key("Eco", "?!"), key("ECO", "?!")));
}

TEST(DuplicateGroups, GroupsInTheOrderOfTheirFirstBookEachInIddorvoOrder)
{
    TestCatalogue books({{"Umberto Eco", "Il nome della rosa", "Romanzo"},
                         {"Italo Calvino", "Le città invisibili", "Romanzo"},
                         {"Umberto Eco", "Nome della rosa", "Giallo"},
                         {"Italo Calvino", "Città invisibili.", "Romanzo"},
                         {"Umberto Eco", "Il pendolo di Foucault", "Romanzo"},
                         {"umberto eco", "IL NOME DELLA ROSA", ""},
                         {"", "Senza autore", ""},
                         {"", "Senza autore", ""}});
    const auto db = openFile(books.path());
    EXPECT_EQ(catalogue::findDuplicateGroups(db.get()), (Groups{{1, 3, 6}, {2, 4}}));
    // An ISBN on one side only keeps the book in its group; two ISBNs part it.
    books.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT; UPDATE dorvi SET isbn = '9788845292613' WHERE iddorvo = 3");
    EXPECT_EQ(catalogue::findDuplicateGroups(db.get()), (Groups{{1, 3, 6}, {2, 4}}));
    books.exec("UPDATE dorvi SET isbn = '9788804668237' WHERE iddorvo = 1;"
               "UPDATE dorvi SET isbn = '88-452-9261-4' WHERE iddorvo = 6");
    EXPECT_EQ(catalogue::findDuplicateGroups(db.get()), (Groups{{2, 4}, {3, 6}}));
}

TEST(DuplicateIndexInMemory, FindsTheOtherBookChecksTheFileAndLearnsBooksWritten)
{
    TestCatalogue books;
    const auto db = openFile(books.path());
    catalogue::NearDuplicateIndex index(db.get());
    EXPECT_FALSE(index.duplicateOf(db.get(), 1)); // itself is no duplicate
    books.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Alessandro Manzoni', 'Promessi sposi')");
    EXPECT_EQ(index.duplicateOf(db.get(), 6), 1);
    books.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Italo Calvino', 'Il barone rampante')");
    EXPECT_FALSE(index.duplicateOf(db.get(), 7));
    books.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Italo Calvino', 'Barone rampante')");
    EXPECT_EQ(index.duplicateOf(db.get(), 8), 7); // learnt when it was written
    books.exec("UPDATE dorvi SET titolo = 'Fermo e Lucia' WHERE iddorvo = 1"); // changed since the index was made
    EXPECT_EQ(index.duplicateOf(db.get(), 6), std::nullopt);
}

// A Goodreads list beside a calibre library: most books with an ISBN on one side
// only. Each group lists a book once, however many editions its copy matches.
TEST(DuplicateGroups, AnIsbnOnOneSideJoinsByNameTwoIsbnsStayApart)
{
    TestCatalogue books({{"Giuseppe Tomasi di Lampedusa", "Il Gattopardo", ""}, // 1, no ISBN
                         {"Tomasi di Lampedusa", "Il gattopardo", ""},          // 2: another author's spelling
                         {"Giuseppe Tomasi di Lampedusa", "Gattopardo", ""},    // 3, ISBN below
                         {"Giuseppe Tomasi di Lampedusa", "Il gattopardo", ""}, // 4, another ISBN
                         {"Elsa Morante", "La Storia", ""},                     // 5, ISBN
                         {"Elsa Morante", "La storia", ""},                     // 6, another ISBN
                         {"", "Panorama", ""},                                  // 7, 8: no author
                         {"", "Panorama", ""},
                         {"Natalia Ginzburg", "Lessico famigliare", ""},        // 9, ISBN
                         {"N. Ginzburg", "Lessico famigliare (Einaudi)", ""}}); // 10, the same ISBN
    books.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT;"
               "UPDATE dorvi SET isbn = '9788807900051' WHERE iddorvo = 3;"
               "UPDATE dorvi SET isbn = '88-07-81812-4' WHERE iddorvo = 4;"
               "UPDATE dorvi SET isbn = '9788806219185' WHERE iddorvo = 5;"
               "UPDATE dorvi SET isbn = '9788804668237' WHERE iddorvo = 6;"
               "UPDATE dorvi SET isbn = '9788806172398' WHERE iddorvo = 9;"
               "UPDATE dorvi SET isbn = '88-06-17239-5' WHERE iddorvo = 10;");
    const auto db = openFile(books.path());
    EXPECT_EQ(catalogue::findDuplicateGroups(db.get()), (Groups{{1, 3, 4}, {9, 10}}));
    books.exec("DELETE FROM dorvi WHERE iddorvo = 1");
    EXPECT_EQ(catalogue::findDuplicateGroups(db.get()), (Groups{{9, 10}})) << "two editions alone are no group";
    books.exec("INSERT INTO dorvi (iddorvo, autore, titolo, isbn) VALUES (11, 'elsa morante', 'Storia!', '  ')");
    EXPECT_EQ(catalogue::findDuplicateGroups(db.get()), (Groups{{5, 6, 11}, {9, 10}}));
}

// The notice follows the same rule: a copy without an ISBN is named as the
// edition's duplicate, another edition is not.
TEST(DuplicateIndexInMemory, AnIsbnOnOneSideIsNamedAnotherEditionIsNot)
{
    TestCatalogue books({{"Elsa Morante", "La Storia", ""}, {"Primo Levi", "La tregua", ""}});
    books.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT; UPDATE dorvi SET isbn = '9788806219185' WHERE iddorvo = 1");
    const auto db = openFile(books.path());
    catalogue::NearDuplicateIndex index(db.get());
    books.exec("INSERT INTO dorvi (autore, titolo, isbn) VALUES ('Elsa Morante', 'La storia', '9788804668237')");
    EXPECT_EQ(index.duplicateOf(db.get(), 3), std::nullopt);
    books.exec("INSERT INTO dorvi (autore, titolo) VALUES ('ELSA MORANTE', 'Storia')");
    EXPECT_EQ(index.duplicateOf(db.get(), 4), 1);
    books.exec("INSERT INTO dorvi (autore, titolo, isbn) VALUES ('Primo Levi', 'Tregua', '978-88-06-21918-5')");
    EXPECT_EQ(index.duplicateOf(db.get(), 5), 1) << "the same ISBN, whatever the title";
    books.exec("INSERT INTO dorvi (autore, titolo, isbn) VALUES ('Primo Levi', 'La tregua.', '9788806172398')");
    EXPECT_EQ(index.duplicateOf(db.get(), 6), 2) << "the book without an ISBN";
}

TEST_F(ShownWindowTest, TrovaDoppioniListsTheGroupsEditablyOneAfterAnother)
{
    catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Gabriele D''Annunzio', 'Piacere'),"
                   "('Alessandro Manzoni', 'I Promessi Sposi.')");
    trigger("mnuop");
    trigger("mnudoppioni");
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("rigaavvisi"))->text(),
              QStringLiteral("2 gruppi di doppioni, 4 libri: ogni gruppo di seguito, da confrontare, correggere o "
                             "eliminare."));
    ASSERT_EQ(grid->model()->rowCount(), 5); // four books and the new-row line
    QStringList ids;
    for (int row = 0; row < 4; ++row)
        ids << grid->model()->index(row, 0).data().toString();
    EXPECT_EQ(ids.join(' '), QStringLiteral("1 7 2 6"));
    EXPECT_TRUE(grid->model()->setData(grid->model()->index(1, 2), QStringLiteral("Storia della colonna infame")));
    EXPECT_EQ(catalogue.scalar("SELECT titolo FROM dorvi WHERE iddorvo = 7"), "Storia della colonna infame");
    EXPECT_TRUE(services.errors.empty());
}

// One group is said in the singular; the book with an ISBN joins its twin without one.
TEST_F(ShownWindowTest, TrovaDoppioniSaysOneGroupAndJoinsAnIsbnOnOneSide)
{
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT;"
                   "INSERT INTO dorvi (autore, titolo, isbn) VALUES ('Alessandro Manzoni', 'Promessi sposi', "
                   "'9788804668237')");
    trigger("mnuop");
    trigger("mnudoppioni");
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("rigaavvisi"))->text(),
              QStringLiteral("1 gruppo di doppioni, 2 libri: ogni gruppo di seguito, da confrontare, correggere o "
                             "eliminare."));
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->model()->index(1, 0).data().toString(), QStringLiteral("6"));
}

TEST_F(ShownWindowTest, ABookWrittenAsAnotherIsNamedBelowTheGridAndF8GoesThere)
{
    trigger("mnuop");
    grid->setCurrentIndex(grid->model()->index(4, 1));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(4, 1), QStringLiteral("Alessandro Manzoni")));
    const auto* line = window.findChild<QLabel*>(QStringLiteral("rigaavvisi"));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().isEmpty());
    grid->setCurrentIndex(grid->model()->index(4, 2));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(4, 2), QStringLiteral("Promessi sposi")));
    EXPECT_EQ(line->text(), QStringLiteral("Già nel catalogo: «I promessi sposi» di Alessandro Manzoni, n. 1. F8 "
                                           "per andarci."));
    EXPECT_EQ(catalogue.scalar("SELECT titolo FROM dorvi WHERE iddorvo = 5"), "Promessi sposi"); // not held back
    trigger("mnuvaidoppione");
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->currentIndex().column(), 2);
}

TEST_F(ShownWindowTest, TheNoticeChecksTheBookWrittenWhereverTheCursorHasGone)
{
    trigger("mnuop");
    const auto* line = window.findChild<QLabel*>(QStringLiteral("rigaavvisi"));
    // A new book is written as the cursor leaves its line for another book.
    const int newLine = grid->model()->rowCount() - 1;
    grid->setCurrentIndex(grid->model()->index(newLine, 1));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(newLine, 1), QStringLiteral("Alessandro Manzoni")));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(newLine, 2), QStringLiteral("I Promessi Sposi!")));
    grid->setCurrentIndex(grid->model()->index(2, 1));
    ASSERT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "6");
    EXPECT_EQ(line->text(), QStringLiteral("Già nel catalogo: «I promessi sposi» di Alessandro Manzoni, n. 1. F8 "
                                           "per andarci."));
    // A book changed away from the cursor, as the card writes it.
    trigger("mnuall");
    trigger("mnuop");
    grid->setCurrentIndex(grid->model()->index(0, 1));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(3, 1), QStringLiteral("Italo Calvino")));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(3, 2), QStringLiteral("Il barone rampante")));
    EXPECT_TRUE(line->text().isEmpty()) << line->text().toStdString();
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(4, 1), QStringLiteral("Italo Calvino")));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(4, 2), QStringLiteral("Barone rampante")));
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("Già nel catalogo: «Il barone rampante» di Italo Calvino, n. 4.")))
        << line->text().toStdString();
}

TEST_F(ShownWindowTest, F8FindsTheBookOutsideASearchByListingTheCatalogue)
{
    trigger("mnuop");
    catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Dante Alighieri', 'Divina commedia')");
    trigger("mnuop");
    grid->setCurrentIndex(grid->model()->index(5, 2));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(5, 2), QStringLiteral("La divina commedia!")));
    services.promptAnswers = {QStringLiteral("Luigi Pirandello")};
    trigger("mnuaut");
    trigger("mnuvaidoppione");
    EXPECT_EQ(window.str, QStringLiteral("select * from dorvi;"));
    EXPECT_EQ(grid->model()->index(grid->currentIndex().row(), 0).data().toString(), QStringLiteral("4"));
}

TEST_F(ShownWindowTest, TheNoticeReadsTheCatalogueInPlaceAfterItWasReplaced)
{
    trigger("mnuop");
    grid->setCurrentIndex(grid->model()->index(4, 2));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(4, 2), QStringLiteral("Il piacere"))); // the index is made
    TestCatalogue other({{"Alessandro Manzoni", "Adelchi", "Tragedia"}, {"Italo Calvino", "Il barone rampante", ""}});
    const QString path = catalogue.folder() + QStringLiteral("/dorvi.mdb");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(other.folder() + QStringLiteral("/dorvi.mdb"), path)); // as a restore puts a copy in place
    trigger("mnuop");
    grid->setCurrentIndex(grid->model()->index(1, 1));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(1, 1), QStringLiteral("Alessandro Manzoni")));
    grid->setCurrentIndex(grid->model()->index(1, 2));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(1, 2), QStringLiteral("I promessi sposi")));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("rigaavvisi"))->text(), QString()); // no book of the old file
}

namespace {

// The window, whose notice keeps an index of the catalogue between books written.
class DuplicateNoticeTest : public ShownWindowTest {
protected:
    QString notice() const { return window.findChild<QLabel*>(QStringLiteral("rigaavvisi"))->text(); }

    int column(const QString& name) const
    {
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            if (grid->model()->headerData(c, Qt::Horizontal).toString().compare(name, Qt::CaseInsensitive) == 0)
                return c;
        }
        return -1;
    }

    // Types a book on the new-row line and leaves it, as the user does; `isbn`
    // only when the catalogue has the field.
    void typeBook(const QString& author, const QString& title, const QString& isbn = {})
    {
        const int line = grid->model()->rowCount() - 1;
        grid->setCurrentIndex(grid->model()->index(line, 1));
        if (!isbn.isEmpty())
            ASSERT_TRUE(grid->model()->setData(grid->model()->index(line, column(QStringLiteral("isbn"))), isbn));
        ASSERT_TRUE(grid->model()->setData(grid->model()->index(line, 1), author));
        ASSERT_TRUE(grid->model()->setData(grid->model()->index(line, 2), title));
        grid->setCurrentIndex(grid->model()->index(0, 1));
    }

    // The index is made at the first book checked: a changed genre.
    void makeIndex()
    {
        trigger("mnuop");
        ASSERT_TRUE(grid->model()->setData(grid->model()->index(2, 3), QStringLiteral("Romanzo psicologico")));
        ASSERT_TRUE(notice().isEmpty());
    }
};

} // namespace

// An index made before the catalogue had its isbn field read every book as
// having none: a second edition was named as the first's duplicate. Losing the
// field again (an undo of its addition) made every later check fail.
TEST_F(DuplicateNoticeTest, TheIndexFollowsTheIsbnFieldComingAndGoing)
{
    makeIndex();
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT; UPDATE dorvi SET isbn = '9788804668237' WHERE iddorvo = 1");
    window.relist(); // as Campi… does after adding a field
    ASSERT_GE(column(QStringLiteral("isbn")), 0);
    typeBook(QStringLiteral("Alessandro Manzoni"), QStringLiteral("Promessi sposi"), QStringLiteral("9788806219185"));
    ASSERT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "6");
    EXPECT_EQ(notice(), QString()) << "another edition";
    catalogue.exec("ALTER TABLE dorvi DROP COLUMN isbn"); // by another program: nobody says so
    trigger("mnuop");
    typeBook(QStringLiteral("Alessandro Manzoni"), QStringLiteral("I promessi sposi"));
    EXPECT_TRUE(services.errors.empty());
    EXPECT_TRUE(notice().startsWith(QStringLiteral("Già nel catalogo: «I promessi sposi» di Alessandro Manzoni, n. 1.")))
        << notice().toStdString();
}

// Books that came into the file by other ways than a book written in the grid:
// an import (followed by relist), an undo, a restore.
TEST_F(DuplicateNoticeTest, BooksAddedAfterTheIndexWasMadeAreNamed)
{
    makeIndex();
    catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Italo Calvino', 'Il barone rampante')");
    window.relist(); // as the import does
    typeBook(QStringLiteral("Italo Calvino"), QStringLiteral("Barone rampante"));
    EXPECT_TRUE(notice().startsWith(QStringLiteral("Già nel catalogo: «Il barone rampante» di Italo Calvino, n. 6.")))
        << notice().toStdString();
}

// A tool that adds books and says so through the catalogue, without listing it
// again (books added from their ISBN): the index hears it from there.
TEST_F(DuplicateNoticeTest, BooksAnnouncedThroughTheCatalogueAreNamed)
{
    makeIndex();
    catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Italo Calvino', 'Il barone rampante')");
    window.catalogue()->booksAdded({6});
    typeBook(QStringLiteral("Italo Calvino"), QStringLiteral("Barone rampante"));
    EXPECT_TRUE(notice().startsWith(QStringLiteral("Già nel catalogo: «Il barone rampante» di Italo Calvino, n. 6.")))
        << notice().toStdString();
}

TEST_F(DuplicateNoticeTest, ABookPutBackByUndoIsNamed)
{
    trigger("mnuop");
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(0, 2), QStringLiteral("Adelchi"))); // the index is made
    trigger("mnuannulla");
    ASSERT_EQ(catalogue.scalar("SELECT titolo FROM dorvi WHERE iddorvo = 1"), "I promessi sposi");
    typeBook(QStringLiteral("Alessandro Manzoni"), QStringLiteral("Promessi sposi!"));
    EXPECT_EQ(notice(), QStringLiteral("Già nel catalogo: «I promessi sposi» di Alessandro Manzoni, n. 1. F8 per "
                                       "andarci."));
}

TEST_F(DuplicateNoticeTest, TheBooksOfARestoredFileAreNamed)
{
    makeIndex();
    TestCatalogue other({{"Italo Calvino", "Il barone rampante", ""}, {"Alessandro Manzoni", "Adelchi", "Tragedia"}});
    const QString path = catalogue.folder() + QStringLiteral("/dorvi.mdb");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(other.folder() + QStringLiteral("/dorvi.mdb"), path));
    window.relist(); // as Ripristina does
    typeBook(QStringLiteral("Italo Calvino"), QStringLiteral("Barone rampante"));
    EXPECT_TRUE(notice().startsWith(QStringLiteral("Già nel catalogo: «Il barone rampante» di Italo Calvino, n. 1.")))
        << notice().toStdString();
}

// A book gone from the file leaves its hashes behind in the index: they must name nothing.
TEST_F(DuplicateNoticeTest, ABookRemovedIsNotNamed)
{
    makeIndex();
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo = 1");
    typeBook(QStringLiteral("Alessandro Manzoni"), QStringLiteral("I promessi sposi"));
    ASSERT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi WHERE titolo = 'I promessi sposi'"), "1");
    EXPECT_EQ(notice(), QString());
    typeBook(QStringLiteral("Alessandro Manzoni"), QStringLiteral("Promessi sposi"));
    EXPECT_TRUE(notice().startsWith(QStringLiteral("Già nel catalogo: «I promessi sposi» di Alessandro Manzoni, n. 6.")))
        << notice().toStdString();
}
