// A calibre library's books as rows of plain values: the library's tables joined
// in one query, its authors, languages and tags each gathered into one text.
#include "calibrebooks.h"

#include "handletypes.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

// Authors in the library's order; calibre keeps a comma of a name as "|".
// Tags in calibre's own (alphabetical) order.
constexpr std::string_view booksQuery = R"(
SELECT b.id, b.title,
  (SELECT group_concat(replace(name, '|', ','), ', ') FROM
     (SELECT a.name FROM books_authors_link l JOIN authors a ON a.id = l.author WHERE l.book = b.id ORDER BY l.id)),
  (SELECT val FROM identifiers WHERE book = b.id AND type = 'isbn'),
  (SELECT p.name FROM books_publishers_link l JOIN publishers p ON p.id = l.publisher WHERE l.book = b.id),
  substr(b.pubdate, 1, 4),
  (SELECT s.name FROM books_series_link l JOIN series s ON s.id = l.series WHERE l.book = b.id),
  b.series_index,
  (SELECT group_concat(lang_code, ', ') FROM
     (SELECT g.lang_code FROM books_languages_link l JOIN languages g ON g.id = l.lang_code
      WHERE l.book = b.id ORDER BY l.item_order)),
  (SELECT r.rating FROM books_ratings_link l JOIN ratings r ON r.id = l.rating WHERE l.book = b.id),
  (SELECT group_concat(name, ', ') FROM
     (SELECT t.name FROM books_tags_link l JOIN tags t ON t.id = l.tag WHERE l.book = b.id ORDER BY t.name)),
  (SELECT text FROM comments WHERE book = b.id),
  substr(b.timestamp, 1, 10)
FROM books b ORDER BY b.rowid)";

} // namespace

const std::vector<std::string>& calibreBookTables()
{
    static const std::vector<std::string> tables = {
        "books", "authors", "books_authors_link", "identifiers", "books_publishers_link", "publishers",
        "books_series_link", "series", "books_languages_link", "languages", "books_ratings_link", "ratings",
        "books_tags_link", "tags", "comments"};
    return tables;
}

SourceRows calibreBookRows(sqlite3* db, const std::atomic<bool>* stop)
{
    return SourceRows(db, booksQuery, stop);
}

CalibreCheck checkCalibreLibrary(sqlite3* db)
{
    sqlite3_stmt* raw = nullptr;
    const char* sql = "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN "
                      "('books', 'authors', 'books_authors_link', 'identifiers', 'comments')";
    const int prepared = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    const StatementHandle statement(raw);
    const int rc = prepared == SQLITE_OK ? sqlite3_step(raw) : prepared;
    if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
        return CalibreCheck::Locked;
    return rc == SQLITE_ROW && sqlite3_column_int(raw, 0) == 5 ? CalibreCheck::Library : CalibreCheck::NotLibrary;
}

} // namespace catalogue
