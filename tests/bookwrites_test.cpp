// The catalogue's writes for the import and the tools: books added one after
// another through one statement, a script run as one change, a transaction held
// by a connection; each told by what it leaves in the file when something refuses.
#include "bookinsert.h"
#include "connection.h"
#include "error.h"
#include "importtarget.h"
#include "opening.h"
#include "statement.h"
#include "transaction.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>

namespace fs = std::filesystem;
using catalogue::BookInsert;
using catalogue::ErrorNumber;

namespace {

// A new catalogue with the starter's table, in a folder of its own.
class File {
public:
    File()
    {
        std::string pattern = (fs::temp_directory_path() / "dorvi-writes-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp");
        m_folder = pattern;
        m_db = catalogue::openCatalogueFile(path(), catalogue::OpenMode::Create);
        catalogue::createBooksTable(m_db.get());
    }
    ~File()
    {
        m_db.reset();
        std::error_code error;
        fs::remove_all(m_folder, error);
    }
    std::string path() const { return (m_folder / "dorvi.mdb").string(); }
    sqlite3* db() const { return m_db.get(); }
    // One statement.
    void exec(const std::string& sql) const { catalogue::execute(m_db.get(), sql.c_str()); }
    std::string titles() const
    {
        catalogue::Statement all(m_db.get(), "SELECT ifnull(group_concat(titolo, '|'), '') FROM dorvi");
        all.step();
        return std::get<std::string>(catalogue::columnValue(all.handle(), 0));
    }

private:
    fs::path m_folder;
    catalogue::DatabaseHandle m_db;
};

BookInsert::Outcome add(BookInsert& insert, const catalogue::Value& author, const catalogue::Value& title)
{
    const std::vector<catalogue::Value> book = {author, title};
    insert.bindBook(book);
    return insert.add();
}

} // namespace

// Another program's triggers: one leaves a book out without a word, one refuses
// it, one takes back the whole transaction. Only the first and the last book
// are written, and the import goes on after a book left out or refused.
TEST(BookInsert, TellsABookAddedLeftOutOrRefusedFromAnEndedWrite)
{
    File file;
    file.exec("CREATE TRIGGER scarta BEFORE INSERT ON dorvi WHEN new.titolo = 'scartato' "
              "BEGIN SELECT RAISE(IGNORE); END");
    file.exec("CREATE TRIGGER rifiuta BEFORE INSERT ON dorvi WHEN new.titolo = 'rifiutato' "
              "BEGIN SELECT RAISE(ABORT, 'titolo vietato'); END");
    file.exec("CREATE TRIGGER ferma BEFORE INSERT ON dorvi WHEN new.titolo = 'STOP' "
              "BEGIN SELECT RAISE(ROLLBACK, 'basta'); END");
    const catalogue::Value levi = std::string("Primo Levi");
    {
        catalogue::Transaction transaction(file.db());
        BookInsert insert(file.db(), {"autore", "titolo"});
        EXPECT_EQ(add(insert, levi, std::string("La tregua")), BookInsert::Outcome::Added);
        const std::int64_t first = insert.addedBook();
        EXPECT_EQ(add(insert, levi, std::string("scartato")), BookInsert::Outcome::LeftOut);
        EXPECT_EQ(add(insert, levi, std::string("rifiutato")), BookInsert::Outcome::Refused);
        EXPECT_NE(insert.refusal().find("titolo vietato"), std::string::npos) << insert.refusal();
        EXPECT_EQ(add(insert, std::monostate{}, std::string("Se questo è un uomo")), BookInsert::Outcome::Added);
        EXPECT_GT(insert.addedBook(), first);

        EXPECT_EQ(catalogue::authorAndTitle(file.db(), first)[1], "La tregua");
        const auto anonymous = catalogue::authorAndTitle(file.db(), insert.addedBook());
        EXPECT_FALSE(anonymous[0]) << "a NULL author is none, not an empty text";
        EXPECT_FALSE(catalogue::authorAndTitle(file.db(), insert.addedBook() + 1)[1]);
        transaction.commit();
    }
    EXPECT_EQ(file.titles(), "La tregua|Se questo è un uomo");

    catalogue::Transaction transaction(file.db());
    BookInsert insert(file.db(), {"autore", "titolo"});
    try {
        add(insert, levi, std::string("STOP"));
        FAIL() << "a write that ended its transaction went by as one book's";
    } catch (const catalogue::Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::TransactionEnded);
    }
}

// A script that fails half-way leaves nothing of itself, and the connection is in
// no transaction afterwards: the next script runs (it used to be refused with
// "cannot start a transaction within a transaction").
TEST(ScriptAsOne, AFailedStatementLeavesNothingAndTheConnectionFree)
{
    File file;
    try {
        catalogue::runScriptAsOne(file.db(), "INSERT INTO dorvi (titolo) VALUES ('uno');\n"
                                             "INSERT INTO mancante VALUES (1);");
        FAIL() << "the script's failure was not told";
    } catch (const catalogue::Error& error) {
        EXPECT_NE(error.engineMessage().find("mancante"), std::string::npos) << error.engineMessage();
    }
    EXPECT_EQ(file.titles(), "");
    EXPECT_TRUE(sqlite3_get_autocommit(file.db()));
    catalogue::runScriptAsOne(file.db(), "INSERT INTO dorvi (titolo) VALUES ('due');");
    EXPECT_EQ(file.titles(), "due");
}

TEST(Transaction, HeldByAConnectionWritesItsFileOnlyWhenCommitted)
{
    File file;
    catalogue::Connection closed;
    try {
        catalogue::Transaction transaction(closed);
        FAIL() << "a transaction began on no file";
    } catch (const catalogue::Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::NotOpen);
    }

    catalogue::Connection connection;
    connection.setProvider(catalogue::Connection::catalogueProvider);
    connection.setConnectionString(file.path());
    connection.open();
    {
        catalogue::Transaction transaction(connection);
        catalogue::execute(connection.handle(), "INSERT INTO dorvi (titolo) VALUES ('lasciato')");
    }
    {
        catalogue::Transaction transaction(connection);
        catalogue::execute(connection.handle(), "INSERT INTO dorvi (titolo) VALUES ('confermato')");
        transaction.commit();
    }
    EXPECT_EQ(file.titles(), "confermato");
}
