// A calibre library read as a source: opened read-only, its tables only, in one
// read transaction, so calibre's own functions never run.
#include "calibresource.h"

#include "htmltext.h"
#include "importfailure.h"
#include "readonlysource.h"

#include <cmath>
#include <filesystem>

namespace bookimport {

namespace {

// Authors in the library's order; calibre keeps a comma of a name as "|".
// Tags in calibre's own (alphabetical) order.
constexpr const char* booksQuery = R"(
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

// Every table the books are read from: each must be a real table.
const std::vector<std::string> booksTables = {
    "books", "authors", "books_authors_link", "identifiers", "books_publishers_link", "publishers",
    "books_series_link", "series", "books_languages_link", "languages", "books_ratings_link", "ratings",
    "books_tags_link", "tags", "comments"};

enum Field { Id, Title, Authors, Isbn, Publisher, Year, Series, SeriesIndex, Languages, Rating, Tags, Comments, Added };

const std::vector<std::string> calibreColumns = {"titolo", "autore", "isbn", "editore", "anno", "collana", "numero",
                                                 "lingua", "voto", "genere", "note", "aggiunto_il"};

std::optional<std::string> text(sqlite3_stmt* statement, int column)
{
    if (sqlite3_column_type(statement, column) == SQLITE_NULL)
        return std::nullopt;
    std::string value(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                      static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    if (value.empty())
        return std::nullopt;
    return value;
}

// 1.0 as "1", 1.5 as "1.5".
std::string seriesNumber(double index)
{
    if (index == std::floor(index) && std::fabs(index) < 1e15)
        return std::to_string(static_cast<long long>(index));
    char out[32];
    std::snprintf(out, sizeof out, "%g", index);
    return out;
}

catalogue::DatabaseHandle openReadOnly(const std::string& path, const std::atomic<bool>* stop = nullptr)
{
    return openReadOnlySource(path, "Impossibile aprire la biblioteca di calibre " + quoted(path) + ".", stop);
}

[[noreturn]] void locked(const std::string& path)
{
    refuseSource("La biblioteca di calibre " + quoted(path) +
                 " è bloccata da calibre, che la sta scrivendo. Chiudere calibre (o attendere che finisca) "
                 "e ripetere l'importazione.");
}

bool isBusy(int resultCode)
{
    return (resultCode & 0xFF) == SQLITE_BUSY || (resultCode & 0xFF) == SQLITE_LOCKED;
}

} // namespace

bool isCalibreLibrary(const std::string& path)
{
    const catalogue::DatabaseHandle db = openReadOnly(path);
    sqlite3_stmt* raw = nullptr;
    const char* sql = "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN "
                      "('books', 'authors', 'books_authors_link', 'identifiers', 'comments')";
    const int prepared = sqlite3_prepare_v2(db.get(), sql, -1, &raw, nullptr);
    catalogue::StatementHandle statement(raw);
    const int rc = prepared == SQLITE_OK ? sqlite3_step(raw) : prepared;
    if (isBusy(rc)) {
        // A locked file cannot be read to tell what it is; only a calibre library
        // is called metadata.db, and calibre is named only for one.
        if (std::filesystem::path(path).filename() == "metadata.db")
            locked(path);
        refuseSource("Il file " + quoted(path) + " è bloccato da un altro programma che lo sta scrivendo: "
                     "ripetere l'importazione quando ha finito.");
    }
    return rc == SQLITE_ROW && sqlite3_column_int(raw, 0) == 5;
}

CalibreSource::CalibreSource(const std::string& path, const std::atomic<bool>* stop)
    : m_path(path), m_stop(stop), m_db(openReadOnly(path, stop)), m_columns(calibreColumns)
{
    requireRealTables(m_db.get(), path, "La biblioteca di calibre", booksTables);
    if (const int rc = sqlite3_exec(m_db.get(), "BEGIN", nullptr, nullptr, nullptr); rc != SQLITE_OK)
        fail(rc);
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(m_db.get(), booksQuery, -1, &raw, nullptr);
    m_books.reset(raw);
    if (rc != SQLITE_OK)
        fail(rc);
}

void CalibreSource::fail(int resultCode) const
{
    if (stoppedBy(resultCode, m_stop))
        readingStopped();
    if (isBusy(resultCode))
        locked(m_path);
    refuseSource("La biblioteca di calibre " + quoted(m_path) + " non si può leggere: " + sqlite3_errmsg(m_db.get()) +
                 ".");
}

bool CalibreSource::next(SourceBook& book)
{
    sqlite3_stmt* s = m_books.get();
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        fail(rc);
    book.start("libro " + std::to_string(sqlite3_column_int64(s, Id)), m_columns.size());
    book.values[0] = text(s, Title);
    book.values[1] = text(s, Authors);
    book.values[2] = text(s, Isbn);
    book.values[3] = text(s, Publisher);
    // calibre writes the year 101 for "no date".
    if (const auto year = text(s, Year); year && *year != "0101")
        book.values[4] = year;
    book.values[5] = text(s, Series);
    if (book.values[5] && sqlite3_column_type(s, SeriesIndex) != SQLITE_NULL)
        book.values[6] = seriesNumber(sqlite3_column_double(s, SeriesIndex));
    book.values[7] = text(s, Languages);
    // calibre rates 0 to 10, half stars being odd numbers.
    if (const int rating = sqlite3_column_int(s, Rating); rating > 0) {
        book.values[8] = std::to_string((rating + 1) / 2);
        if (rating % 2)
            book.notes.push_back({"voto", "mezza stella di calibre (" + std::to_string(rating / 2) +
                                              ",5) arrotondata a " + std::to_string((rating + 1) / 2)});
    }
    book.values[9] = text(s, Tags);
    if (const auto comments = text(s, Comments))
        book.values[10] = plainText(*comments);
    book.values[11] = text(s, Added);
    return true;
}

} // namespace bookimport
