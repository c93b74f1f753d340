// Deleting many books at once, and the undo history, against real catalogue files
// with a second program writing behind the first one's back.
#include "error.h"
#include "history.h"
#include "recordset.h"
#include "statement.h"
#include "transaction.h"
#include "testcatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <optional>

using namespace catalogue;

namespace {

using Table = std::vector<std::vector<std::string>>;

std::optional<ErrorNumber> errorOf(const std::function<void()>& action, std::string* description = nullptr)
{
    try {
        action();
    } catch (const Error& error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return std::nullopt;
}

class Deletion : public ::testing::Test {
protected:
    TestCatalogue catalogue;
    std::shared_ptr<History> history = std::make_shared<History>();
    std::shared_ptr<Recordset> rs = listing();

    std::shared_ptr<Recordset> listing()
    {
        auto shown = openRecordset(catalogue.path(), "select * from dorvi;");
        shown->setHistory(history);
        return shown;
    }
    Table file() const { return catalogue.rows("select * from dorvi order by iddorvo"); }
    std::vector<std::string> shownKeys(const Recordset& shown) const
    {
        std::vector<std::string> keys;
        for (std::size_t row = 0; row < shown.rowCount(); ++row)
            keys.push_back(std::to_string(std::get<std::int64_t>(shown.value(row, 0))));
        return keys;
    }
};

TEST_F(Deletion, ManyBooksGoInOneTransaction)
{
    EXPECT_TRUE(rs->remove(std::vector<std::size_t>{0, 2, 4}));
    EXPECT_EQ(catalogue.rows("select iddorvo from dorvi order by iddorvo"), (Table{{"2"}, {"4"}}));
    EXPECT_EQ(shownKeys(*rs), (std::vector<std::string>{"2", "4"}));
    EXPECT_EQ(history->undoText(), "eliminazione di 3 libri");
}

TEST_F(Deletion, OneBookChangedElsewhereStopsThemAllAndIsNamed)
{
    const Table before = file();
    catalogue.exec("UPDATE dorvi SET genere='Poema sacro' WHERE iddorvo=4");
    std::string message;
    EXPECT_EQ(errorOf([&] { rs->remove(std::vector<std::size_t>{1, 3, 4}); }, &message), ErrorNumber::RowChanged);
    EXPECT_NE(message.find("«\u2068La Divina Commedia\u2069» di \u2068Dante Alighieri\u2069"), std::string::npos)
        << message;
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5") << "not even the books before it";
    EXPECT_EQ(std::get<std::string>(rs->value(3, 3)), "Poema sacro") << "the rows show the file";
    EXPECT_FALSE(history->canUndo());
}

TEST_F(Deletion, OneBookGoneElsewhereStopsThemAllAndLeavesTheGrid)
{
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo=5");
    EXPECT_EQ(errorOf([&] { rs->remove(std::vector<std::size_t>{0, 4}); }), ErrorNumber::RowGone);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "4");
    EXPECT_EQ(shownKeys(*rs), (std::vector<std::string>{"1", "2", "3", "4"}));
}

TEST_F(Deletion, StoppedBeforeTheEndDeletesNothing)
{
    EXPECT_FALSE(rs->remove(std::vector<std::size_t>{0, 1, 2}, [](std::size_t) { return false; }));
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    EXPECT_EQ(rs->rowCount(), 5u);
    EXPECT_FALSE(history->canUndo());
}

TEST_F(Deletion, EveryChangeIsUndoneAndRedoneInTurn)
{
    const Table start = file();
    rs->update(1, 2, std::string("Il Piacere"));
    const std::size_t added = rs->addNew(2, std::string("Il Gattopardo"));
    EXPECT_EQ(added, 5u);
    rs->remove(std::vector<std::size_t>{0, 3, 5});
    const Table changed = file();

    EXPECT_EQ(history->undoText(), "eliminazione di 3 libri");
    history->undo(*rs);
    EXPECT_EQ(shownKeys(*rs), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"})) << "back in their places";
    EXPECT_EQ(history->undoText(), "aggiunta di un libro");
    history->undo(*rs);
    EXPECT_EQ(history->undoText(), "modifica di «titolo»");
    history->undo(*rs);
    EXPECT_FALSE(history->canUndo());
    EXPECT_EQ(file(), start) << "every book with its own key and every column";
    EXPECT_EQ(std::get<std::string>(rs->value(1, 2)), "Il piacere");
    EXPECT_EQ(rs->rowCount(), 5u);

    EXPECT_EQ(history->redoText(), "modifica di «titolo»");
    for (int change = 0; change < 3; ++change)
        history->redo(*rs);
    EXPECT_FALSE(history->canRedo());
    EXPECT_EQ(file(), changed);
    EXPECT_EQ(shownKeys(*rs), (std::vector<std::string>{"2", "3", "5"}));
}

TEST_F(Deletion, HistoryOutlivesTheListingItWasMadeIn)
{
    rs->remove(std::vector<std::size_t>{1, 2});
    rs->update(0, 1, std::string("A. Manzoni"));
    auto again = listing(); // "Gestione" once more: another result, the same history
    history->undo(*again);
    EXPECT_EQ(std::get<std::string>(again->value(0, 1)), "Alessandro Manzoni");
    history->undo(*again);
    EXPECT_EQ(shownKeys(*again), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    history->redo(*again);
    EXPECT_EQ(shownKeys(*again), (std::vector<std::string>{"1", "4", "5"}));
}

TEST_F(Deletion, UndoOverAChangeByAnotherProgramWritesNothing)
{
    rs->update(2, 3, std::string("Romanzo psicologico"));
    catalogue.exec("UPDATE dorvi SET genere='Romanzo filosofico' WHERE iddorvo=3");
    std::string message;
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }, &message), ErrorNumber::RowChanged);
    // The cursor may be anywhere when Annulla is chosen: "this book" would name none.
    EXPECT_NE(message.find("«\u2068Il fu Mattia Pascal\u2069»"), std::string::npos) << message;
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=3"), "Romanzo filosofico");
    EXPECT_EQ(std::get<std::string>(rs->value(2, 3)), "Romanzo filosofico");
    EXPECT_TRUE(history->canUndo()) << "the other program may change the book back: the undo can be tried again";
}

TEST_F(Deletion, UndoOfADeletionIsAllOrNothing)
{
    rs->remove(std::vector<std::size_t>{0, 1, 2});
    catalogue.exec("INSERT INTO dorvi (iddorvo, autore) VALUES (2, 'Grazia Deledda')");
    std::string message;
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }, &message), ErrorNumber::DuplicateKey);
    EXPECT_NE(message.find("«\u2068Il piacere\u2069»"), std::string::npos) << message;
    EXPECT_EQ(catalogue.rows("select iddorvo from dorvi order by iddorvo"), (Table{{"2"}, {"4"}, {"5"}}));
}

// Another program's trigger that leaves one book out without an error: the undo
// of the deletion puts back none of them, the listing shows none, and the undo
// stays to be tried again.
TEST_F(Deletion, UndoOfADeletionThatATriggerLeavesOutWritesNothing)
{
    rs->remove(std::vector<std::size_t>{0, 1, 2});
    const Table before = file();
    catalogue.exec("CREATE TRIGGER scarta BEFORE INSERT ON dorvi WHEN new.iddorvo = 2 BEGIN SELECT RAISE(IGNORE); END");
    std::string message;
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }, &message), ErrorNumber::NotUpdatable);
    EXPECT_NE(message.find("trigger"), std::string::npos) << message;
    EXPECT_EQ(file(), before);
    EXPECT_EQ(shownKeys(*rs), (std::vector<std::string>{"4", "5"}));
    EXPECT_TRUE(history->canUndo());
}

// A trigger that takes back the whole transaction (RAISE(ROLLBACK)) ends the
// change where it happens: the undo of a deletion puts back none of the books.
TEST_F(Deletion, UndoOfADeletionThatATriggerRollsBackWritesNothing)
{
    rs->remove(std::vector<std::size_t>{0, 1, 2});
    const Table before = file();
    catalogue.exec("CREATE TRIGGER ferma BEFORE INSERT ON dorvi WHEN new.iddorvo = 2 "
                   "BEGIN SELECT RAISE(ROLLBACK, 'vietato'); END");
    std::string message;
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }, &message), ErrorNumber::TransactionEnded);
    EXPECT_NE(message.find("«vietato»"), std::string::npos) << message;
    EXPECT_EQ(file(), before);
    EXPECT_EQ(shownKeys(*rs), (std::vector<std::string>{"4", "5"}));
}

TEST_F(Deletion, UndoOfAnAddedBookChangedElsewhereWritesNothing)
{
    rs->addNew(1, std::string("Italo Svevo"));
    catalogue.exec("UPDATE dorvi SET titolo='La coscienza di Zeno' WHERE iddorvo=6");
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }), ErrorNumber::RowChanged);
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=6"), "La coscienza di Zeno");
}

TEST_F(Deletion, NewChangeEndsWhatCouldBeRedone)
{
    rs->update(0, 3, std::string("Romanzo"));
    history->undo(*rs);
    ASSERT_TRUE(history->canRedo());
    rs->update(1, 3, std::string("Romanzo decadente"));
    EXPECT_FALSE(history->canRedo());
    EXPECT_EQ(history->undoText(), "modifica di «genere»");
}

TEST_F(Deletion, FileAwayKeepsTheChangeForLater)
{
    rs->update(0, 3, std::string("Romanzo"));
    const std::string away = catalogue.path() + ".via";
    ASSERT_EQ(std::rename(catalogue.path().c_str(), away.c_str()), 0);
    EXPECT_TRUE(errorOf([&] { history->undo(*rs); }).has_value());
    EXPECT_TRUE(history->canUndo()) << "nothing makes it impossible: the file may come back";
    ASSERT_EQ(std::rename(away.c_str(), catalogue.path().c_str()), 0);
    history->undo(*rs);
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=1"), "Romanzo storico");
}

// The history checks the whole book as it kept it, not its key and one cell.
TEST_F(Deletion, UndoOfACellRefusesAnotherBookWithTheSameKeyAndValue)
{
    rs->update(1, 1, std::string("Anonimo"));
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo=2;"
                   "INSERT INTO dorvi VALUES (2, 'Anonimo', 'Il fiore delle Mille e una notte', 'Novelle')");
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }), ErrorNumber::RowChanged);
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=2"), "Anonimo") << "the other book is untouched";
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=2"), "Il fiore delle Mille e una notte");
}

TEST_F(Deletion, UndoOfACellRefusesABookChangedInAnotherCell)
{
    rs->update(1, 1, std::string("G. D'Annunzio"));
    catalogue.exec("UPDATE dorvi SET titolo='Il fuoco' WHERE iddorvo=2");
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }), ErrorNumber::RowChanged);
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=2"), "G. D'Annunzio");
    catalogue.exec("UPDATE dorvi SET titolo='Il piacere' WHERE iddorvo=2");
    EXPECT_TRUE(history->undo(*rs)) << "once the book is as it was, the undo can be tried again";
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=2"), "Gabriele D'Annunzio");
}

TEST_F(Deletion, ColumnsAddedOrMovedElsewhereDoNotBlockTheHistory)
{
    rs->update(0, 3, std::string("Romanzo"));
    const Table kept = catalogue.rows("select iddorvo, autore, titolo, genere from dorvi where iddorvo in (2, 3)");
    rs->remove(std::vector<std::size_t>{1, 2});
    // Another program adds a column, and rebuilds the table with its columns in
    // another order; the user lists the books again.
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN nota TEXT DEFAULT 'nessuna';"
                   "CREATE TABLE nuova (titolo TEXT, nota TEXT DEFAULT 'nessuna', iddorvo INTEGER PRIMARY KEY, "
                   "genere TEXT, autore TEXT);"
                   "INSERT INTO nuova SELECT titolo, nota, iddorvo, genere, autore FROM dorvi;"
                   "DROP TABLE dorvi; ALTER TABLE nuova RENAME TO dorvi;");
    auto again = listing();
    ASSERT_EQ(again->columnName(0), "titolo");
    EXPECT_TRUE(history->undo(*again));
    const std::string books = "select iddorvo, autore, titolo, genere from dorvi where iddorvo in (2, 3) order by 1";
    EXPECT_EQ(catalogue.rows(books), kept);
    EXPECT_EQ(catalogue.scalar("select nota from dorvi where iddorvo=3"), "nessuna");
    ASSERT_EQ(again->rowCount(), 5u);
    EXPECT_EQ(std::get<std::string>(again->value(2, 0)), kept[1][2]) << "shown in the columns shown, in its place";
    EXPECT_EQ(std::get<std::string>(again->value(2, 1)), "nessuna");
    EXPECT_TRUE(history->undo(*again));
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=1"), "Romanzo storico");
    EXPECT_TRUE(history->redo(*again));
    EXPECT_TRUE(history->redo(*again));
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "3");
}

TEST_F(Deletion, AColumnRemovedElsewhereRefusesOnlyTheChangeThatNeedsIt)
{
    rs->update(0, 3, std::string("Romanzo"));
    rs->update(1, 1, std::string("G. D'Annunzio"));
    catalogue.exec("DROP INDEX dorvi_genere; ALTER TABLE dorvi DROP COLUMN genere");
    auto again = listing();
    EXPECT_TRUE(history->undo(*again)) << "the author's change does not need the genre";
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=2"), "Gabriele D'Annunzio");
    std::string message;
    EXPECT_EQ(errorOf([&] { history->undo(*again); }, &message), ErrorNumber::ColumnMissing);
    EXPECT_NE(message.find("«genere»"), std::string::npos) << message;
    EXPECT_TRUE(history->canUndo());
    EXPECT_TRUE(history->canRedo());
}

TEST_F(Deletion, ARefusedUndoKeepsTheChangeForAnotherTry)
{
    rs->remove(std::vector<std::size_t>{0, 1, 2});
    catalogue.exec("INSERT INTO dorvi (iddorvo, autore) VALUES (2, 'Grazia Deledda')");
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }), ErrorNumber::DuplicateKey);
    EXPECT_EQ(history->undoText(), "eliminazione di 3 libri");
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo=2");
    EXPECT_TRUE(history->undo(*rs));
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5") << "all three books are back";
}

TEST_F(Deletion, AUniqueTitleIsNotTakenForTheSameKey)
{
    rs->remove(std::vector<std::size_t>{1});
    catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Anonimo', 'Il piacere');"
                   "CREATE UNIQUE INDEX dorvi_titolo_unico ON dorvi (titolo)");
    std::string message;
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }, &message), ErrorNumber::DuplicateKey);
    EXPECT_EQ(message.find("stessa chiave"), std::string::npos) << message;
    EXPECT_NE(message.find("non può ripetersi"), std::string::npos) << message;
    catalogue.exec("DROP INDEX dorvi_titolo_unico");
    EXPECT_TRUE(history->undo(*rs));
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi where titolo='Il piacere'"), "2");
}

TEST_F(Deletion, UndoStoppedMidwayWritesNothingAndStays)
{
    rs->remove(std::vector<std::size_t>{0, 1, 2});
    EXPECT_FALSE(history->undo(*rs, [](std::size_t) { return false; }));
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "2");
    EXPECT_EQ(rs->rowCount(), 2u);
    EXPECT_TRUE(history->undo(*rs));
    EXPECT_EQ(rs->rowCount(), 5u);
}

// A change written in several parts (a loan of two books) whose undo is refused
// half way has the parts already taken back written again. When one of those is
// refused too, the change is left in two halves: the error says which book is
// left, as the user must find it and look at it, and why.
class JoinedUndo : public Deletion {
protected:
    // A part kept by another unit, as the loans' register is.
    class Register : public History::Step {
    public:
        explicit Register(bool undoStops) : m_undoStops(undoStops) {}
        std::string text() const override { return "registro di prova"; }
        std::size_t books() const override { return 0; }
        bool undo(Recordset&, const History::Progress&) override { return !m_undoStops; }
        bool redo(Recordset&, const History::Progress&) override
        {
            throw Error(ErrorNumber::Locked, "Il registro è bloccato da un altro programma.");
        }

    private:
        bool m_undoStops;
    };

    void lendTwoBooks()
    {
        const std::size_t mark = history->mark();
        rs->update(1, 3, std::string("Prestato"));
        rs->update(3, 3, std::string("Prestato"));
        history->joinSince(mark, "prestito di 2 libri", nullptr);
    }
    void refuseLendingAgain(const std::string& keys)
    {
        catalogue.exec("CREATE TRIGGER chiuso BEFORE UPDATE ON dorvi WHEN new.iddorvo IN (" + keys +
                       ") AND new.genere = 'Prestato' BEGIN SELECT RAISE(ABORT, 'scaffale chiuso'); END");
    }
};

TEST_F(JoinedUndo, ABookThatCannotBeWrittenAgainIsNamedWithTheRefusal)
{
    lendTwoBooks();
    catalogue.exec("UPDATE dorvi SET genere='Romanzo breve' WHERE iddorvo=2"); // the undo stops at this one
    refuseLendingAgain("4");                                                    // and cannot put this one back
    std::string message;
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }, &message), ErrorNumber::RowChanged) << "the first cause";
    EXPECT_NE(message.find("Il libro «\u2068La Divina Commedia\u2069» di \u2068Dante Alighieri\u2069, n. 4 non è "
                           "stato rimesso com'era"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("scaffale chiuso"), std::string::npos) << message;
    EXPECT_NE(message.find("Un altro programma"), std::string::npos) << "why the undo stopped: " << message;
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=4"), "Poema") << "the half the message names";
    EXPECT_TRUE(history->canUndo());
}

TEST_F(JoinedUndo, AnotherUnitsPartThatCannotBeWrittenAgainIsNamed)
{
    const std::size_t mark = history->mark();
    rs->update(1, 3, std::string("Prestato"));
    history->joinSince(mark, "prestito di un libro", std::make_unique<Register>(false));
    catalogue.exec("UPDATE dorvi SET genere='Romanzo breve' WHERE iddorvo=2");
    std::string message;
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }, &message), ErrorNumber::RowChanged);
    EXPECT_NE(message.find("La parte «registro di prova» non è stata rimessa com'era: Il registro è bloccato"),
              std::string::npos)
        << message;
}

// Stopped by the user half way, the undo writes back what it had taken back; a
// book it cannot write back is an error, never a quiet "nothing done".
TEST_F(JoinedUndo, AStoppedUndoThatCannotPutABookBackSaysSo)
{
    history->recordStep(std::make_unique<Register>(true));
    const std::size_t mark = history->mark() - 1;
    rs->update(3, 3, std::string("Prestato"));
    history->joinSince(mark, "prestito di un libro", nullptr);
    refuseLendingAgain("4");
    std::string message;
    EXPECT_TRUE(errorOf([&] { history->undo(*rs); }, &message).has_value());
    EXPECT_NE(message.find("n. 4 non è stato rimesso com'era"), std::string::npos) << message;
}

// Every part that cannot be written back is named, not only the first.
TEST_F(JoinedUndo, EveryBookLeftIsNamed)
{
    const std::size_t mark = history->mark();
    rs->update(0, 3, std::string("Prestato"));
    rs->update(2, 3, std::string("Prestato"));
    rs->update(3, 3, std::string("Prestato"));
    history->joinSince(mark, "prestito di 3 libri", nullptr);
    catalogue.exec("UPDATE dorvi SET genere='Epica' WHERE iddorvo=1");
    refuseLendingAgain("3, 4");
    std::string message;
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }, &message), ErrorNumber::RowChanged);
    EXPECT_NE(message.find("n. 3 non è stato rimesso"), std::string::npos) << message;
    EXPECT_NE(message.find("n. 4 non è stato rimesso"), std::string::npos) << message;
}

// Taking a large deletion back and forth puts back the very rows the history kept:
// the result's memory does not grow with every undo.
TEST(LargeDeletion, UndoAndRedoNeverCopyTheBooks)
{
    TestCatalogue catalogue(TestCatalogue::Books{});
    catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 2999) "
                   "INSERT INTO dorvi (autore, titolo, genere) "
                   "SELECT 'Autore ' || (i % 50), 'Titolo numero ' || i, 'Romanzo' FROM n");
    auto history = std::make_shared<History>();
    auto rs = openRecordset(catalogue.path(), "select * from dorvi;");
    rs->setHistory(history);
    const std::size_t listed = rs->bytesHeld();
    std::vector<std::size_t> every(rs->rowCount());
    for (std::size_t row = 0; row < every.size(); ++row)
        every[row] = row;
    ASSERT_TRUE(rs->remove(every));
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(history->undo(*rs));
        ASSERT_TRUE(history->redo(*rs));
    }
    ASSERT_TRUE(history->undo(*rs));
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "3000");
    EXPECT_EQ(std::get<std::string>(rs->value(2999, 2)), "Titolo numero 2999");
    EXPECT_LE(rs->bytesHeld(), listed * 11 / 10) << "four undos, four redos";
}

TEST(Transaction, CommitsOnce)
{
    TestCatalogue catalogue;
    const catalogue::DatabaseHandle connection = openDatabase(catalogue.path());
    ASSERT_TRUE(connection);
    sqlite3* db = connection.get();
    {
        catalogue::Transaction transaction(db);
        transaction.commit();
        catalogue::execute(db, "BEGIN"); // the connection's next transaction
#ifdef NDEBUG
        EXPECT_THROW(transaction.commit(), Error);
#else
        EXPECT_DEATH(transaction.commit(), "commits once");
#endif
    }
    EXPECT_EQ(sqlite3_get_autocommit(db), 0) << "the transaction begun after it is not ended by it";
}

// A write that ends the transaction it runs in is a failure of the whole change,
// whoever runs it: the writes after it must not go to the file one by one, and
// the commit must not report success.
TEST(Transaction, AWriteThatEndsItIsAFailureOfTheWholeChange)
{
    TestCatalogue catalogue;
    catalogue.exec("CREATE TRIGGER ferma BEFORE INSERT ON dorvi WHEN new.titolo = 'STOP' "
                   "BEGIN SELECT RAISE(ROLLBACK, 'vietato'); END");
    const catalogue::DatabaseHandle connection = openDatabase(catalogue.path());
    sqlite3* db = connection.get();
    const std::string books = catalogue.scalar("select count(*) from dorvi");
    {
        catalogue::Transaction transaction(db);
        catalogue::execute(db, "INSERT INTO dorvi (titolo) VALUES ('uno')");
        EXPECT_EQ(errorOf([&] { catalogue::execute(db, "INSERT INTO dorvi (titolo) VALUES ('STOP')"); }),
                  ErrorNumber::TransactionEnded);
        // a writer that took that failure for one row's cannot confirm the rest
        EXPECT_EQ(errorOf([&] { transaction.commit(); }), ErrorNumber::TransactionEnded);
    }
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), books);
    // outside a transaction the trigger's refusal is the statement's own failure
    EXPECT_EQ(errorOf([&] { catalogue::execute(db, "INSERT INTO dorvi (titolo) VALUES ('STOP')"); }),
              ErrorNumber::ValueRefused);
}

// Deleting all but a few books of a large table: the few stay exactly as they
// were, keys included, and anything the table reacts to sees only the books deleted.
class MostBooks : public ::testing::Test {
protected:
    TestCatalogue catalogue{TestCatalogue::Books{}};
    std::shared_ptr<History> history = std::make_shared<History>();
    std::shared_ptr<Recordset> rs;

    void SetUp() override
    {
        catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
                       "INSERT INTO dorvi (iddorvo, autore, titolo, genere) "
                       "SELECT i * 3, 'Autore ' || (i % 7), 'Titolo ' || i, NULL FROM n");
        rs = openRecordset(catalogue.path(), "select * from dorvi;");
        rs->setHistory(history);
    }
    std::vector<std::size_t> allBut(std::initializer_list<std::size_t> kept) const
    {
        std::vector<std::size_t> rows;
        for (std::size_t row = 0; row < rs->rowCount(); ++row) {
            if (std::find(kept.begin(), kept.end(), row) == kept.end())
                rows.push_back(row);
        }
        return rows;
    }
};

TEST_F(MostBooks, TheFewThatStayKeepTheirKeysAndValues)
{
    const Table everything = catalogue.rows("select * from dorvi order by iddorvo");
    ASSERT_TRUE(rs->remove(allBut({49, 119})));
    EXPECT_EQ(catalogue.rows("select * from dorvi order by iddorvo"),
              (Table{{"150", "Autore 1", "Titolo 50", "NULL"}, {"360", "Autore 1", "Titolo 120", "NULL"}}));
    EXPECT_EQ(rs->rowCount(), 2u);
    ASSERT_TRUE(history->undo(*rs));
    EXPECT_EQ(catalogue.rows("select * from dorvi order by iddorvo"), everything);
    ASSERT_TRUE(history->redo(*rs));
    EXPECT_EQ(catalogue.scalar("select group_concat(iddorvo) from dorvi"), "150,360");
}

TEST_F(MostBooks, OneChangedElsewhereStopsThemAll)
{
    catalogue.exec("UPDATE dorvi SET titolo = 'Altro' WHERE iddorvo = 300");
    EXPECT_EQ(errorOf([&] { rs->remove(allBut({0})); }), ErrorNumber::RowChanged);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "200");
}

TEST_F(MostBooks, ATableThatReactsToDeletionsSeesOnlyTheBooksDeleted)
{
    catalogue.exec("CREATE TABLE registro (iddorvo INTEGER);"
                   "CREATE TRIGGER registra AFTER DELETE ON dorvi BEGIN INSERT INTO registro VALUES (old.iddorvo); END");
    ASSERT_TRUE(rs->remove(allBut({10})));
    EXPECT_EQ(catalogue.scalar("select count(*) from registro"), "199");
    EXPECT_EQ(catalogue.scalar("select count(*) from registro where iddorvo = 33"), "0");
    EXPECT_EQ(catalogue.scalar("select iddorvo from dorvi"), "33");
}

TEST_F(MostBooks, AnEmptyValueWhereNoneWasStopsThemAll)
{
    catalogue.exec("UPDATE dorvi SET genere = '' WHERE iddorvo = 300");
    EXPECT_EQ(errorOf([&] { rs->remove(allBut({0})); }), ErrorNumber::RowChanged);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "200");
}

// Emptying the table leaves its freed pages as they are, and only for that statement.
TEST(FreedPagesLeft, TheConnectionsOwnSettingComesBack)
{
    TestCatalogue catalogue;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(catalogue.path().c_str(), &db), SQLITE_OK);
    const auto setting = [&] {
        Statement pragma(db, "PRAGMA secure_delete");
        return pragma.step() ? sqlite3_column_int(pragma.handle(), 0) : -1;
    };
    execute(db, "PRAGMA secure_delete = 1");
    {
        const FreedPagesLeft quick(db);
        EXPECT_EQ(setting(), 2);
    }
    EXPECT_EQ(setting(), 1);
    sqlite3_close(db);
}

// Undoing the deletion of a large table, or of all of it but `left` books, puts
// every book back with the table's indexes made again once: the same indexes,
// whole, or none of it when stopped.
void undoWithIndexesMadeAgain(std::size_t left)
{
    TestCatalogue catalogue(TestCatalogue::Books{});
    catalogue.exec("CREATE UNIQUE INDEX dorvi_unico ON dorvi (titolo, iddorvo) WHERE titolo IS NOT NULL;"
                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000) "
                   "INSERT INTO dorvi (autore, titolo, genere) SELECT 'Autore ' || (i % 97), 'Titolo ' || i, "
                   "'Genere ' || (i % 30) FROM n");
    const std::string schema = "select name, sql from sqlite_master order by name";
    const Table indexes = catalogue.rows(schema);
    const std::string sum = "select count(*), sum(iddorvo), sum(length(titolo)) from dorvi";
    const Table books = catalogue.rows(sum);
    auto history = std::make_shared<History>();
    auto rs = openRecordset(catalogue.path(), "select * from dorvi;");
    rs->setHistory(history);
    const std::size_t total = rs->rowCount();
    std::vector<std::size_t> every;
    for (std::size_t row = left; row < total; ++row)
        every.push_back(row);
    ASSERT_TRUE(rs->remove(every));

    bool indexing = false;
    EXPECT_FALSE(history->undo(*rs, [&](std::size_t done) {
        indexing = indexing || done == every.size();
        return !indexing;
    })) << "stopped while the indexes are made";
    EXPECT_TRUE(indexing);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), std::to_string(left));
    EXPECT_EQ(catalogue.rows(schema), indexes);

    ASSERT_TRUE(history->undo(*rs));
    EXPECT_EQ(catalogue.rows(sum), books);
    EXPECT_EQ(catalogue.rows(schema), indexes);
    EXPECT_EQ(catalogue.scalar("pragma integrity_check"), "ok");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi indexed by dorvi_autore where autore = 'autore 5'"),
              "619");
    EXPECT_EQ(rs->rowCount(), total);
}

TEST(LargeRestore, IndexesComeBackWholeOrTheUndoWritesNothing)
{
    undoWithIndexesMadeAgain(0);
}

// 999,999 books put back beside one took 18 s placed in each index book by book.
TEST(LargeRestore, BesideTheFewBooksLeftTheIndexesAreMadeAgainToo)
{
    undoWithIndexesMadeAgain(1);
}

} // namespace
