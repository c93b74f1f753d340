// Duplicates in the window: the near-duplicate rule, the groups and the index on
// plain files, Trova doppioni and the notice with its key in the window.
#include "duplicates.h"
#include "duplicatetools.h"
#include "nearduplicates.h"
#include "shownwindow.h"

#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using bookimport::nearDuplicateKey;
using Groups = std::vector<std::vector<std::int64_t>>;

std::optional<std::string> key(const char* author, const char* title, std::optional<std::string> isbn = {})
{
    return nearDuplicateKey(isbn, std::string(author), std::string(title));
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
    ASSERT_TRUE(rosa);
    EXPECT_EQ(key("umberto eco", "Nome della rosa!"), rosa);
    EXPECT_EQ(key("Umberto  Eco.", "IL NOME DELLA ROSA"), rosa);
    EXPECT_EQ(key("Umberto Eco", "Il nome dellarosa"), rosa);
    EXPECT_EQ(key("Omero", "L'Odissea"), key("Omero", "Odissea"));
    EXPECT_EQ(key("Omero", "L’Odissea"), key("Omero", "Odissea"));
    EXPECT_EQ(key("Tolkien", "The Hobbit"), key("Tolkien", "Hobbit"));
    EXPECT_EQ(key("Calvino", "Un re in ascolto"), key("Calvino", "Re in ascolto"));
    EXPECT_EQ(key("Verga", "Città"), key("Verga", "citta"));
    // Only a leading article, a whole word, and only one.
    EXPECT_NE(key("Eco", "Il nome della rosa"), key("Eco", "Il nome della"));
    EXPECT_NE(key("Ariosto", "Ilaria"), key("Ariosto", "aria"));
    EXPECT_NE(key("Tolkien", "The The"), key("Tolkien", ""));
    EXPECT_NE(key("Manzoni", "Adelchi"), key("Pirandello", "Adelchi"));
}

TEST(NearDuplicateRule, KeepsTheImportsRuleWhereItDecides)
{
    // Same ISBN: the same book, whatever its title; different ISBNs never meet.
    EXPECT_EQ(key("Eco", "Il nome della rosa", "9788845292613"), key("Umberto Eco", "Altro", "88-452-9261-4"));
    EXPECT_NE(key("Eco", "Il nome della rosa", "9788845292613"), key("Eco", "Il nome della rosa", "9788804668237"));
    EXPECT_NE(key("Eco", "Il nome della rosa", "9788845292613"), key("Eco", "Il nome della rosa"));
    // No author or title: no key, as in the import; a title of punctuation only meets only itself.
    EXPECT_FALSE(key("", "Titolo"));
    EXPECT_FALSE(key("Eco", "  "));
    EXPECT_NE(key("Eco", "?!"), key("Eco", "..."));
    // Whatever the import takes as the same book is the same here too.
    for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{{"Città  invisibili", "città invisibili"},
                                                                               {"Ça ira", "ca ira"}}) {
        ASSERT_EQ(bookimport::duplicateKey({}, std::string("Calvino"), a),
                  bookimport::duplicateKey({}, std::string("Calvino"), b));
        EXPECT_EQ(key("Calvino", a.c_str()), key("Calvino", b.c_str()));
    }
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
    EXPECT_EQ(bookimport::findDuplicateGroups(db.get()), (Groups{{1, 3, 6}, {2, 4}}));
    books.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT; UPDATE dorvi SET isbn = '9788845292613' WHERE iddorvo = 3");
    EXPECT_EQ(bookimport::findDuplicateGroups(db.get()), (Groups{{1, 6}, {2, 4}}));
}

TEST(DuplicateIndexInMemory, FindsTheOtherBookChecksTheFileAndLearnsBooksWritten)
{
    TestCatalogue books;
    const auto db = openFile(books.path());
    bookimport::NearDuplicateIndex index(db.get());
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
