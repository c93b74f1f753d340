// The data layer against real catalogue files: fetching, the read-only cases, the
// three kinds of write-back and what happens when another program got there first.
#include "recordset.h"
#include "error.h"
#include "testcatalogue.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace catalogue;

namespace {

std::shared_ptr<Connection> openConnection(const std::string& path)
{
    auto connection = std::make_shared<Connection>();
    connection->setProvider("microsoft.jet.oledb.4.0");
    connection->setConnectionString(path);
    connection->open();
    return connection;
}

ErrorNumber errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.number();
    }
    return ErrorNumber::Generic;
}

std::string text(const Value& value)
{
    return std::get<std::string>(value);
}

// Records what the observer is told, as a view would see it.
struct RecordingObserver : RecordsetObserver {
    std::vector<std::string> events;
    void rowChanged(std::size_t r) override { events.push_back("changed " + std::to_string(r)); }
    void rowAboutToBeAppended(std::size_t r) override { events.push_back("appending " + std::to_string(r)); }
    void rowAppended(std::size_t r) override { events.push_back("appended " + std::to_string(r)); }
    void rowsAboutToBeRemoved(std::size_t f, std::size_t l) override { events.push_back("removing " + span(f, l)); }
    void rowsRemoved(std::size_t f, std::size_t l) override { events.push_back("removed " + span(f, l)); }
    void rowsAboutToBeInserted(std::size_t f, std::size_t l) override { events.push_back("inserting " + span(f, l)); }
    void rowsInserted(std::size_t f, std::size_t l) override { events.push_back("inserted " + span(f, l)); }
    void rowsAboutToBeRearranged() override { events.push_back("rearranging"); }
    void rowsRearranged() override { events.push_back("rearranged"); }
    static std::string span(std::size_t first, std::size_t last)
    {
        return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
    }
};

} // namespace

TEST(Recordset, FetchesEveryRowAndColumnInTableOrder)
{
    TestCatalogue catalogue;
    auto rs = openRecordset(catalogue.path(), "select * from dorvi;");
    EXPECT_FALSE(rs->eof());
    ASSERT_EQ(rs->rowCount(), TestCatalogue::sampleBooks.size());
    ASSERT_EQ(rs->columnCount(), 4);
    EXPECT_EQ(rs->columnName(0), "iddorvo");
    EXPECT_EQ(rs->columnName(3), "genere");
    EXPECT_EQ(std::get<std::int64_t>(rs->value(1, 0)), 2);
    EXPECT_EQ(text(rs->value(1, 1)), "Gabriele D'Annunzio");
    EXPECT_EQ(text(rs->value(4, 2)), "Alcyone");
    EXPECT_TRUE(rs->isUpdatable());
}

TEST(Recordset, EmptyResultIsEof)
{
    TestCatalogue catalogue;
    auto rs = openRecordset(catalogue.path(), "select * from dorvi where autore='Nessuno';");
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(rs->columnCount(), 4);
}

TEST(Recordset, CountOfEmptyTableIsOneReadOnlyRowHoldingZero)
{
    TestCatalogue catalogue(TestCatalogue::Books{});
    auto rs = openRecordset(catalogue.path(), "select count(iddorvo)as Totale_dorvi from dorvi;");
    EXPECT_FALSE(rs->eof());
    ASSERT_EQ(rs->rowCount(), 1u);
    EXPECT_EQ(rs->columnName(0), "Totale_dorvi");
    EXPECT_EQ(std::get<std::int64_t>(rs->value(0, 0)), 0);
    EXPECT_FALSE(rs->isUpdatable());
    EXPECT_EQ(errorOf([&] { rs->update(0, 0, std::int64_t(5)); }), ErrorNumber::NotUpdatable);
    EXPECT_EQ(errorOf([&] { rs->addNew(0, std::int64_t(5)); }), ErrorNumber::NotUpdatable);
}

TEST(Recordset, JoinAndReadOnlyLockAreNotUpdatable)
{
    TestCatalogue catalogue;
    catalogue.exec("CREATE TABLE prestiti (iddorvo INTEGER, a TEXT)");
    auto join = openRecordset(catalogue.path(), "select d.titolo, p.a from dorvi d join prestiti p using (iddorvo);");
    EXPECT_FALSE(join->isUpdatable());
    auto withoutKey = openRecordset(catalogue.path(), "select autore from dorvi;");
    EXPECT_FALSE(withoutKey->isUpdatable());
    auto readOnly = openRecordset(catalogue.path(), "select * from dorvi;", LockType::ReadOnly);
    EXPECT_EQ(errorOf([&] { readOnly->update(0, 1, std::string("x")); }), ErrorNumber::NotUpdatable);
}

TEST(Recordset, KeepsEveryKindOfValueExactly)
{
    TestCatalogue catalogue;
    catalogue.exec("CREATE TABLE valori (k INTEGER PRIMARY KEY, v)");
    catalogue.exec("INSERT INTO valori (v) VALUES (NULL), (''), (0), (-1), (127), (128), (-129), "
                   "(9223372036854775807), (-9223372036854775808), (0.1), (-2.5e300), (x'00ff10'), "
                   "('l''albero è già lì 📚'), (printf('%.*c', 5000, 'x'))");
    auto rs = openRecordset(catalogue.path(), "select v from valori order by k;");
    const std::vector<Value> expected = {
        std::monostate{}, std::string(), std::int64_t(0), std::int64_t(-1), std::int64_t(127),
        std::int64_t(128), std::int64_t(-129), std::int64_t(INT64_MAX), std::int64_t(INT64_MIN), 0.1, -2.5e300,
        Blob{std::string("\x00\xff\x10", 3)}, std::string("l'albero è già lì 📚"), std::string(5000, 'x'),
    };
    ASSERT_EQ(rs->rowCount(), expected.size());
    for (std::size_t r = 0; r < expected.size(); ++r)
        EXPECT_EQ(rs->value(r, 0), expected[r]) << "row " << r;
}

TEST(Recordset, ManyRowsSpanSeveralBlocks)
{
    TestCatalogue catalogue(TestCatalogue::Books{});
    catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
                   "INSERT INTO dorvi (autore, titolo, genere) SELECT 'Autore ' || i, printf('%.*c', i % 70, 't'), "
                   "NULL FROM n");
    auto rs = openRecordset(catalogue.path(), "select * from dorvi;");
    ASSERT_EQ(rs->rowCount(), 30000u);
    for (std::size_t r : {std::size_t(0), std::size_t(12345), std::size_t(29999)}) {
        EXPECT_EQ(std::get<std::int64_t>(rs->value(r, 0)), std::int64_t(r + 1));
        EXPECT_EQ(text(rs->value(r, 1)), "Autore " + std::to_string(r + 1));
        EXPECT_EQ(text(rs->value(r, 2)).size(), (r + 1) % 70);
        EXPECT_TRUE(isNull(rs->value(r, 3)));
    }
}

// A row is packed as it is read, into the tail of the newest block; a row that
// outgrows the tail midway moves to a new block with the cells written so far.
// Every cell of every row must come back, across many such moves and one cell
// larger than any block yet.
TEST(Recordset, RowsOutgrowingTheirBlockMidwayComeBackWhole)
{
    TestCatalogue catalogue;
    catalogue.exec("CREATE TABLE celle (a, b, c, d, e, f)");
    catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                   "INSERT INTO celle SELECT i, substr(printf('%.*c', i * 37 % 300, 'b'), 1, i * 37 % 300), "
                   "CASE WHEN i % 5 = 0 THEN NULL ELSE i * 1000003 END, i + 0.5, "
                   "substr(printf('%.*c', 200000, 'e'), 1, CASE WHEN i = 1500 THEN 200000 ELSE i % 20 END), "
                   "zeroblob(i % 7) FROM n");
    auto rs = openRecordset(catalogue.path(), "select * from celle;");
    ASSERT_EQ(rs->rowCount(), 3000u);
    for (std::size_t r = 0; r < rs->rowCount(); ++r) {
        const auto i = static_cast<std::int64_t>(r + 1);
        const std::vector<Value> expected{
            i, std::string(static_cast<std::size_t>(i * 37 % 300), 'b'),
            i % 5 ? Value(i * 1000003) : Value(std::monostate{}), static_cast<double>(i) + 0.5,
            std::string(i == 1500 ? 200000 : static_cast<std::size_t>(i % 20), 'e'),
            Blob{std::string(static_cast<std::size_t>(i % 7), '\0')}};
        for (int c = 0; c < 6; ++c)
            ASSERT_EQ(rs->value(r, c), expected[static_cast<std::size_t>(c)]) << "row " << r << ", column " << c;
    }
}

TEST(Recordset, RefusesAnythingButOneReadingStatement)
{
    TestCatalogue catalogue;
    EXPECT_EQ(errorOf([&] { openRecordset(catalogue.path(), "delete from dorvi;"); }), ErrorNumber::StatementRefused);
    EXPECT_EQ(errorOf([&] { openRecordset(catalogue.path(), "select * from dorvi; delete from dorvi;"); }),
              ErrorNumber::StatementRefused);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    EXPECT_NO_THROW(openRecordset(catalogue.path(), "select * from dorvi; ;  -- fine\n"));
}

TEST(Connection, ErrorsNameTheFileAndTheProblem)
{
    TestCatalogue catalogue;
    const std::string missing = catalogue.folder().toStdString() + "/nessuno/dorvi.mdb";
    try {
        openConnection(missing);
        FAIL() << "a missing file opened";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::FileNotFound);
        EXPECT_NE(error.description().find(missing), std::string::npos) << error.description();
    }
    EXPECT_FALSE(std::filesystem::exists(missing)) << "opening must never create a file";

    auto connection = std::make_shared<Connection>();
    connection->setProvider("SQLOLEDB");
    connection->setConnectionString(catalogue.path());
    EXPECT_EQ(errorOf([&] { connection->open(); }), ErrorNumber::UnknownProvider);
    connection->setProvider("Microsoft.Jet.OLEDB.4.0");
    EXPECT_NO_THROW(connection->open());

    EXPECT_EQ(errorOf([&] { openRecordset(catalogue.path(), "select * from libri;"); }), ErrorNumber::TableMissing);
    EXPECT_EQ(errorOf([&] { openRecordset(catalogue.path(), "select * from dorvi where editore='x';"); }),
              ErrorNumber::ColumnMissing);
    EXPECT_EQ(errorOf([&] { openRecordset(catalogue.path(), "select * from dorvi where autore='x;"); }),
              ErrorNumber::StatementRefused);
}

class WriteBackTest : public ::testing::Test {
protected:
    TestCatalogue catalogue;
    std::shared_ptr<Recordset> rs = openRecordset(catalogue.path(), "select * from dorvi;");
    RecordingObserver observer;
    void SetUp() override { rs->setObserver(&observer); }
};

TEST_F(WriteBackTest, ChangedCellIsInTheFileAtOnce)
{
    rs->update(2, 2, std::string("Uno, nessuno e centomila"));
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=3"), "Uno, nessuno e centomila");
    EXPECT_EQ(text(rs->value(2, 2)), "Uno, nessuno e centomila");
    EXPECT_EQ(observer.events, std::vector<std::string>{"changed 2"});
}

TEST_F(WriteBackTest, CellTakesWhatTheFileStores)
{
    rs->update(0, 0, std::string("42")); // the key column converts typed digits to a number
    EXPECT_EQ(rs->value(0, 0), Value(std::int64_t(42)));
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=42"), "Alessandro Manzoni");
    EXPECT_EQ(errorOf([&] { rs->update(0, 0, std::string("abc")); }), ErrorNumber::ValueRefused);
    EXPECT_EQ(errorOf([&] { rs->update(0, 0, std::int64_t(2)); }), ErrorNumber::DuplicateKey);
    EXPECT_EQ(rs->value(0, 0), Value(std::int64_t(42)));
}

TEST_F(WriteBackTest, NullAndEmptyTextStayApart)
{
    rs->update(1, 3, std::monostate{});
    rs->update(2, 3, std::string());
    EXPECT_EQ(catalogue.scalar("select quote(genere) from dorvi where iddorvo=2"), "NULL");
    EXPECT_EQ(catalogue.scalar("select quote(genere) from dorvi where iddorvo=3"), "''");
}

TEST_F(WriteBackTest, NewRowGetsItsKeyFromTheDatabase)
{
    const std::size_t row = rs->addNew(2, std::string("Il Gattopardo"));
    EXPECT_EQ(row, 5u);
    EXPECT_EQ(rs->rowCount(), 6u);
    EXPECT_EQ(rs->value(row, 0), Value(std::int64_t(6)));
    EXPECT_TRUE(isNull(rs->value(row, 1)));
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=6"), "Il Gattopardo");
    rs->update(row, 1, std::string("Giuseppe Tomasi di Lampedusa"));
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=6"), "Giuseppe Tomasi di Lampedusa");
    EXPECT_EQ(observer.events, (std::vector<std::string>{"appending 5", "appended 5", "changed 5"}));
}

TEST_F(WriteBackTest, DeletedRowLeavesFileAndResult)
{
    rs->remove(1);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi where iddorvo=2"), "0");
    EXPECT_EQ(rs->rowCount(), 4u);
    EXPECT_EQ(text(rs->value(1, 2)), "Il fu Mattia Pascal");
    EXPECT_EQ(observer.events, (std::vector<std::string>{"removing 1", "removed 1"}));
}

TEST_F(WriteBackTest, ChangeByAnotherProgramIsNeverOverwritten)
{
    catalogue.exec("UPDATE dorvi SET titolo='Il piacere (ed. 1889)' WHERE iddorvo=2");
    EXPECT_EQ(errorOf([&] { rs->update(1, 2, std::string("Il Piacere")); }), ErrorNumber::RowChanged);
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=2"), "Il piacere (ed. 1889)");
    EXPECT_EQ(text(rs->value(1, 2)), "Il piacere (ed. 1889)") << "the row shows what the file holds";
    EXPECT_EQ(observer.events, std::vector<std::string>{"changed 1"});

    rs->update(1, 2, std::string("Il Piacere")); // after the reload the same edit goes through
    EXPECT_EQ(catalogue.scalar("select titolo from dorvi where iddorvo=2"), "Il Piacere");
}

TEST_F(WriteBackTest, LetterCaseChangedElsewhereCountsAsAChange)
{
    catalogue.exec("UPDATE dorvi SET autore='LUIGI PIRANDELLO' WHERE iddorvo=3");
    EXPECT_EQ(errorOf([&] { rs->update(2, 1, std::string("L. Pirandello")); }), ErrorNumber::RowChanged);
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=3"), "LUIGI PIRANDELLO");
}

TEST_F(WriteBackTest, OtherColumnChangedElsewhereDoesNotConflict)
{
    catalogue.exec("UPDATE dorvi SET genere='Classico' WHERE iddorvo=1");
    rs->update(0, 2, std::string("I Promessi Sposi"));
    EXPECT_EQ(catalogue.rows("select titolo, genere from dorvi where iddorvo=1"),
              (std::vector<std::vector<std::string>>{{"I Promessi Sposi", "Classico"}}));
    EXPECT_EQ(text(rs->value(0, 3)), "Classico");
}

TEST_F(WriteBackTest, RowGoneElsewhereIsDroppedNotRecreated)
{
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo=4");
    EXPECT_EQ(errorOf([&] { rs->update(3, 1, std::string("Dante")); }), ErrorNumber::RowGone);
    EXPECT_EQ(rs->rowCount(), 4u);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "4");
    EXPECT_EQ(observer.events, (std::vector<std::string>{"removing 3", "removed 3"}));
}

TEST_F(WriteBackTest, DeleteOfRowChangedElsewhereIsRefused)
{
    catalogue.exec("UPDATE dorvi SET genere='Poesia lirica' WHERE iddorvo=5");
    EXPECT_EQ(errorOf([&] { rs->remove(4); }), ErrorNumber::RowChanged);
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=5"), "Poesia lirica");
    EXPECT_EQ(rs->rowCount(), 5u);
}

TEST_F(WriteBackTest, NoTransactionStaysOpenBetweenWrites)
{
    rs->update(0, 3, std::string("Romanzo"));
    // Another writer gets the file at once: nothing of ours holds a lock.
    catalogue.exec("BEGIN EXCLUSIVE; UPDATE dorvi SET genere='x' WHERE iddorvo=2; COMMIT;");
    EXPECT_EQ(catalogue.scalar("select genere from dorvi where iddorvo=2"), "x");
}

TEST(WriteBackKeyless, RowsWithoutKeyAreMatchedOnEveryValue)
{
    TestCatalogue catalogue(TestCatalogue::Books{});
    catalogue.exec("CREATE TABLE note (testo TEXT, n INTEGER); INSERT INTO note VALUES ('a', 1), ('a', 1), ('b', 2)");
    auto rs = openRecordset(catalogue.path(), "select * from note;");
    ASSERT_TRUE(rs->isUpdatable());
    rs->update(1, 0, std::string("c"));
    // Which of two identical rows changes cannot matter; that exactly one does, does.
    EXPECT_EQ(catalogue.rows("select testo, n from note order by testo"),
              (std::vector<std::vector<std::string>>{{"a", "1"}, {"b", "2"}, {"c", "1"}}));
    rs->remove(2);
    EXPECT_EQ(catalogue.scalar("select count(*) from note"), "2");
    catalogue.exec("UPDATE note SET n=9 WHERE testo='a'");
    EXPECT_EQ(errorOf([&] { rs->update(0, 0, std::string("z")); }), ErrorNumber::RowGone);
}

class WriteProtected : public ::testing::TestWithParam<bool> {};

// Whether the file was read-only when it was opened, or was made read-only by
// another program while it was open for writing, no write reaches it.
TEST_P(WriteProtected, ReadsButRefusesEveryWrite)
{
    const bool sinceOpening = GetParam();
    TestCatalogue catalogue;
    if (!sinceOpening) {
        ASSERT_EQ(::chmod(catalogue.path().c_str(), 0444), 0);
    }
    auto rs = openRecordset(catalogue.path(), "select * from dorvi;");
    if (sinceOpening) {
        rs->update(1, 3, std::string("Romanzo decadente")); // writing works until then
        ASSERT_EQ(::chmod(catalogue.path().c_str(), 0444), 0);
    }
    EXPECT_EQ(rs->rowCount(), 5u);
    EXPECT_EQ(errorOf([&] { rs->update(0, 1, std::string("x")); }), ErrorNumber::ReadOnlyFile);
    EXPECT_EQ(errorOf([&] { rs->addNew(1, std::string("x")); }), ErrorNumber::ReadOnlyFile);
    EXPECT_EQ(errorOf([&] { rs->remove(0); }), ErrorNumber::ReadOnlyFile);
    EXPECT_EQ(text(rs->value(0, 1)), "Alessandro Manzoni");
    ::chmod(catalogue.path().c_str(), 0644);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi where autore='Alessandro Manzoni'"), "1");
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
}

INSTANTIATE_TEST_SUITE_P(When, WriteProtected, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MadeReadOnlyWhileOpen" : "ReadOnlyAtOpen"; });

// A cell's header holds its length and type in 7-bit groups: one more byte at 16,
// 2,048 and 262,144 bytes of text. A value on either side of each must come back
// whole, and the column after it must too.
class TextOnHeaderBoundary : public ::testing::TestWithParam<std::size_t> {};

TEST_P(TextOnHeaderBoundary, ComesBackWholeWithTheNextColumnIntact)
{
    TestCatalogue catalogue;
    std::string title;
    while (title.size() < GetParam())
        title += "Storia della colonna infame, ";
    title.resize(GetParam());
    catalogue.exec("UPDATE dorvi SET titolo='" + title + "' WHERE iddorvo=2");
    auto rs = openRecordset(catalogue.path(), "select * from dorvi;");
    EXPECT_EQ(text(rs->value(1, 2)), title);
    EXPECT_EQ(text(rs->value(1, 3)), "Romanzo");
    EXPECT_EQ(rs->value(2, 0), Value(std::int64_t(3)));

    rs->update(3, 2, title); // a row packed by a write, not by the fetch
    EXPECT_EQ(text(rs->value(3, 2)), title);
    EXPECT_EQ(text(rs->value(3, 3)), "Poema");
    EXPECT_EQ(text(rs->value(4, 1)), "Gabriele D'Annunzio");
}

INSTANTIATE_TEST_SUITE_P(Bytes, TextOnHeaderBoundary,
                         ::testing::Values(15, 16, 2046, 2047, 2048, 2049, 2063, 2064, 262143, 262144, 262145),
                         [](const auto& info) { return std::to_string(info.param); });

struct KeySchema {
    const char* name;
    const char* table;  ///< created in an empty catalogue, as `libri`
    const char* select;
    int assigned;       ///< the result column the engine assigns; -1: none
};

class AssignedKey : public ::testing::TestWithParam<KeySchema> {};

// The engine assigns the key exactly when it is the table's rowid: one column
// declared INTEGER, not kept in an index of its own.
TEST_P(AssignedKey, IsTheRowidAlone)
{
    TestCatalogue catalogue(TestCatalogue::Books{});
    catalogue.exec(GetParam().table);
    auto rs = openRecordset(catalogue.path(), GetParam().select);
    ASSERT_TRUE(rs->isUpdatable()) << rs->notUpdatableReason();
    for (int column = 0; column < rs->columnCount(); ++column)
        EXPECT_EQ(rs->isAssignedKey(column), column == GetParam().assigned) << column;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, AssignedKey,
    ::testing::Values(
        KeySchema{"IntegerPrimaryKey", "CREATE TABLE libri (id INTEGER PRIMARY KEY, t TEXT)", "select * from libri;", 0},
        KeySchema{"Autoincrement", "CREATE TABLE libri (id integer primary key autoincrement, t)", "select * from libri;", 0},
        KeySchema{"TableConstraint", "CREATE TABLE libri (t, id INTEGER, PRIMARY KEY (id DESC))", "select * from libri;", 1},
        KeySchema{"ColumnsReordered", "CREATE TABLE libri (id INTEGER PRIMARY KEY, t)", "select t, id from libri;", 1},
        KeySchema{"IntNotInteger", "CREATE TABLE libri (id INT PRIMARY KEY, t)", "select * from libri;", -1},
        KeySchema{"Descending", "CREATE TABLE libri (id INTEGER PRIMARY KEY DESC, t)", "select * from libri;", -1},
        KeySchema{"WithoutRowid", "CREATE TABLE libri (id INTEGER PRIMARY KEY, t) WITHOUT ROWID", "select * from libri;", -1},
        KeySchema{"TextKey", "CREATE TABLE libri (codice TEXT PRIMARY KEY, t)", "select * from libri;", -1},
        KeySchema{"TwoColumnKey", "CREATE TABLE libri (a INTEGER, b INTEGER, PRIMARY KEY (a, b))", "select * from libri;", -1},
        KeySchema{"NoKey", "CREATE TABLE libri (id INTEGER, t)", "select * from libri;", -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Recordset, ReadOnlyResultHasNoAssignedKey)
{
    TestCatalogue catalogue;
    auto rs = openRecordset(catalogue.path(), "select * from dorvi;", LockType::ReadOnly);
    EXPECT_FALSE(rs->isAssignedKey(0));
}

// A new book is one insert of every cell typed; the columns left out take the
// table's defaults, the key the engine's. A refused book leaves nothing behind.
TEST_F(WriteBackTest, NewBookIsOneInsertOfEveryCellGiven)
{
    catalogue.exec("CREATE TABLE writes (what TEXT);"
                   "CREATE TRIGGER inserted AFTER INSERT ON dorvi BEGIN INSERT INTO writes VALUES ('insert'); END;"
                   "CREATE TRIGGER updated AFTER UPDATE ON dorvi BEGIN INSERT INTO writes VALUES ('update'); END;");
    const std::size_t row = rs->addNew(Recordset::NewBook{{3, std::string("Romanzo")}, {1, std::string("Italo Svevo")}});
    EXPECT_EQ(row, 5u);
    EXPECT_EQ(catalogue.rows("select iddorvo, autore, quote(titolo), genere from dorvi where iddorvo = 6"),
              (std::vector<std::vector<std::string>>{{"6", "Italo Svevo", "NULL", "Romanzo"}}));
    EXPECT_EQ(catalogue.rows("select what from writes"), (std::vector<std::vector<std::string>>{{"insert"}}));
    EXPECT_EQ(rs->value(row, 0), Value(std::int64_t(6)));
    EXPECT_EQ(text(rs->value(row, 1)), "Italo Svevo");
    EXPECT_EQ(observer.events, (std::vector<std::string>{"appending 5", "appended 5"}));

    catalogue.refuse("genere", "NULL");
    EXPECT_EQ(errorOf([&] { rs->addNew(Recordset::NewBook{{1, std::string("Italo Calvino")}}); }),
              ErrorNumber::ValueRefused);
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "6");
    EXPECT_EQ(rs->rowCount(), 6u);
    EXPECT_EQ(observer.events.size(), 2u) << "nothing told of a book not written";
}
