#pragma once

#include "sourcerows.h"

#include <atomic>
#include <string>
#include <vector>

namespace catalogue {

// What a calibre library's metadata.db holds of each book, one row a book, in the
// library's own order.
namespace calibre {
enum Column {
    Id,          ///< calibre's number of the book
    Title,
    Authors,     ///< in the library's order, ", " between them
    Isbn,
    Publisher,
    Year,        ///< four digits; calibre writes 0101 for "no date"
    Series,
    SeriesIndex, ///< a real number
    Languages,   ///< language codes, ", " between them
    Rating,      ///< 0 to 10, half stars being odd numbers
    Tags,        ///< in calibre's (alphabetical) order, ", " between them
    Comments,    ///< HTML
    Added,       ///< yyyy-mm-dd
};
} // namespace calibre

// Every table of a calibre library the books are read from: each must be a real
// table (see firstComputedTable).
const std::vector<std::string>& calibreBookTables();

// The books of the calibre library open on `db` (see openSourceFile), in the
// columns of calibre::Column. Only its tables are read, never a view nor a trigger
// that would call calibre's own functions. Throws SourceReadError.
SourceRows calibreBookRows(sqlite3* db, const std::atomic<bool>* stop);

// What an SQLite file open on `db` is to an import that asks for a calibre library.
enum class CalibreCheck {
    Library,    ///< it holds a calibre library's tables
    NotLibrary, ///< it does not, or they cannot be read
    Locked,     ///< another program holds it while it writes: it cannot be told
};
CalibreCheck checkCalibreLibrary(sqlite3* db);

} // namespace catalogue
