#pragma once

#include "sourcerows.h"

#include <atomic>
#include <string>
#include <vector>

namespace catalogue {

// The books of another catalogue's table `dorvi`, open on `db` (see
// openSourceFile): each row its rowid first, then the values of `columns` (names
// of `dorvi`'s columns) in that order, the books in the order of the table itself.
// Throws SourceReadError.
SourceRows sourceCatalogueRows(sqlite3* db, const std::vector<std::string>& columns, const std::atomic<bool>* stop);

} // namespace catalogue
