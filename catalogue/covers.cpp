// The covers' table: made at the first cover, read and written one book at a time,
// and swept of the covers whose books a deletion took away.
#include "covers.h"

#include "error.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

std::string textColumn(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

std::string blobColumn(sqlite3_stmt* statement, int column)
{
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
    return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                 : std::string();
}

Cover coverAt(sqlite3_stmt* statement)
{
    return Cover{sqlite3_column_int64(statement, 0), blobColumn(statement, 1), textColumn(statement, 2),
                 textColumn(statement, 3)};
}

// The catalogue's books are in `dorvi`, by iddorvo; a cover names its book so.
enum class BookKey { None, Searchable, Unindexed };

BookKey bookKeyOf(sqlite3* db, const std::string& table)
{
    if (sqlite3_stricmp(table.c_str(), "dorvi") != 0)
        return BookKey::None;
    Statement key(db, "SELECT pk FROM pragma_table_info('dorvi') WHERE name = 'iddorvo' COLLATE NOCASE");
    if (!key.step())
        return BookKey::None;
    if (sqlite3_column_int(key.handle(), 0) > 0)
        return BookKey::Searchable;
    Statement index(db, "SELECT 1 FROM pragma_index_list('dorvi') AS i, pragma_index_info(i.name) AS c "
                        "WHERE c.seqno = 0 AND c.name = 'iddorvo' COLLATE NOCASE AND i.partial = 0");
    return index.step() ? BookKey::Searchable : BookKey::Unindexed;
}

} // namespace

bool hasCoverTable(sqlite3* db)
{
    Statement table(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'copertine' COLLATE NOCASE");
    return table.step();
}

void storeCover(sqlite3* db, std::int64_t book, std::string_view image, std::string_view type,
                std::string_view source)
{
    if (image.empty())
        throw Error(ErrorNumber::ValueRefused, "Un'immagine vuota non può fare da copertina.");
    execute(db, "CREATE TABLE IF NOT EXISTS copertine (iddorvo INTEGER PRIMARY KEY, immagine BLOB NOT NULL, "
                "tipo TEXT, fonte TEXT)");
    Statement put(db, "INSERT OR REPLACE INTO copertine (iddorvo, immagine, tipo, fonte) VALUES (?1, ?2, ?3, ?4)");
    put.bind(1, Value(book));
    put.bind(2, Value(Blob{std::string(image)}));
    put.bind(3, type.empty() ? Value() : Value(std::string(type)));
    put.bind(4, source.empty() ? Value() : Value(std::string(source)));
    put.writeRows();
}

void storeCover(sqlite3* db, const Cover& cover)
{
    storeCover(db, cover.book, cover.image, cover.type, cover.source);
}

std::optional<Cover> readCover(sqlite3* db, std::int64_t book)
{
    if (!hasCoverTable(db))
        return std::nullopt;
    Statement read(db, "SELECT iddorvo, immagine, tipo, fonte FROM copertine WHERE iddorvo = ?1");
    read.bind(1, Value(book));
    if (!read.step())
        return std::nullopt;
    return coverAt(read.handle());
}

void removeCover(sqlite3* db, std::int64_t book)
{
    if (!hasCoverTable(db))
        return;
    Statement gone(db, "DELETE FROM copertine WHERE iddorvo = ?1");
    gone.bind(1, Value(book));
    gone.step();
}

std::vector<Cover> takeCoversOfDeletedBooks(sqlite3* db, const std::string& bookTable)
{
    std::vector<Cover> taken;
    if (!hasCoverTable(db))
        return taken;
    const BookKey key = bookKeyOf(db, bookTable);
    if (key == BookKey::None)
        return taken;
    // A cover is looked up in the books' key, one search each: a deletion of one book
    // of a million reads no more than the covers. A key without an index is read once.
    const char* gone = key == BookKey::Searchable
                           ? "NOT EXISTS (SELECT 1 FROM dorvi WHERE dorvi.iddorvo = copertine.iddorvo)"
                           : "iddorvo NOT IN (SELECT iddorvo FROM dorvi WHERE iddorvo IS NOT NULL)";
    Statement sweep(db, std::string("DELETE FROM copertine WHERE ") + gone +
                            " RETURNING iddorvo, immagine, tipo, fonte");
    while (sweep.step())
        taken.push_back(coverAt(sweep.handle()));
    return taken;
}

} // namespace catalogue
