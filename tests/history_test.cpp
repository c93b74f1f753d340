// Deleting many books at once, and the undo history, against real catalogue files
// with a second program writing behind the first one's back.
#include "error.h"
#include "history.h"
#include "recordset.h"
#include "testcatalogue.h"

#include <gtest/gtest.h>

#include <cstdio>
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
    EXPECT_NE(message.find("«La Divina Commedia» di Dante Alighieri"), std::string::npos) << message;
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
    EXPECT_EQ(errorOf([&] { history->undo(*rs); }), ErrorNumber::RowChanged);
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
    EXPECT_NE(message.find("«Il piacere»"), std::string::npos) << message;
    EXPECT_EQ(catalogue.rows("select iddorvo from dorvi order by iddorvo"), (Table{{"2"}, {"4"}, {"5"}}));
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

} // namespace
