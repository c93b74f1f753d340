#pragma once

#include "handletypes.h"
#include "opening.h"

#include <cstdint>
#include <string>

namespace catalogue {

// The catalogue an import writes its books into, opened as every file is, with a
// page cache large enough to keep the indexes' pages in memory while a large
// import fills them. Throws Error.
DatabaseHandle openImportTarget(const std::string& path, OpenMode mode);

// The largest rowid of `dorvi`, 0 when it has no book: the books an import adds
// are those after it. Throws Error.
std::int64_t lastBookRow(sqlite3* db);

// The statements that make a new catalogue's empty table, with every standard
// field, and its indexes (made after the books, which is quicker).
std::string newCatalogueTable();
std::string newCatalogueIndexes();

// Makes the table `dorvi` of a new catalogue, and its indexes. Throws Error.
void createBooksTable(sqlite3* db);
void createBooksIndexes(sqlite3* db);

// Runs `script`, statements that return no rows, as one transaction: a statement
// that fails leaves nothing of the script written. Throws Error carrying the
// engine's words for the failure.
void runScriptAsOne(sqlite3* db, const std::string& script);

} // namespace catalogue
