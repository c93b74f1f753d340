#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

// The columns of `dorvi` declared with a default value (DEFAULT 'A1'): a book
// written without a value for one of them must leave it out of its INSERT, or it
// gets NULL instead of the default. Throws Error.
std::vector<std::string> columnsWithDefault(sqlite3* db);

} // namespace catalogue
