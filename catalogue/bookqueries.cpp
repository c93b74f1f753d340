// The statements the window's tools need, each behind a name saying what it
// reads; ids are written as numbers only, so no listing can become another statement.
#include "bookqueries.h"

#include "librarysummary.h"
#include "loans.h"
#include "sqltext.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

std::string textOf(sqlite3_stmt* statement, int column)
{
    const unsigned char* value = sqlite3_column_text(statement, column);
    return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
}

} // namespace

BookListing listingInOrder(const std::vector<std::int64_t>& ids)
{
    // The books in the order given, through a JSON array the engine walks: a
    // statement of the ids alone, however many, with no table made in the file.
    std::string list;
    for (const std::int64_t id : ids)
        list += (list.empty() ? "" : ",") + std::to_string(id);
    return {"SELECT dorvi.* FROM json_each('[" + list +
            "]') AS doppioni JOIN dorvi ON dorvi.iddorvo = doppioni.value ORDER BY doppioni.key;"};
}

BookListing listingOfBooksOut()
{
    return {booksOutStatement()};
}

BookListing listingOfCount(const SummaryCount& count)
{
    return {"SELECT * FROM dorvi WHERE " + count.where + ";"};
}

std::string wholeCatalogueStatement()
{
    return "select * from dorvi;";
}

std::string bookTotalStatement()
{
    return "select count(iddorvo)as Totale_dorvi from dorvi;";
}

std::string searchStatement(const std::string& column, const std::string& typed)
{
    return "select * from dorvi where " + column + "='" + quotedTextBody(typed) + "';";
}

std::int64_t bookCount(sqlite3* db)
{
    Statement count(db, "SELECT count(*) FROM dorvi");
    count.step();
    return sqlite3_column_int64(count.handle(), 0);
}

std::optional<TitleAndAuthor> titleAndAuthor(sqlite3* db, std::int64_t id)
{
    Statement book(db, "SELECT titolo, autore FROM dorvi WHERE iddorvo = ?");
    book.bind(1, id);
    if (!book.step())
        return std::nullopt;
    return TitleAndAuthor{textOf(book.handle(), 0), textOf(book.handle(), 1)};
}

} // namespace catalogue
