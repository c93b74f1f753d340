#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

// The values of the book last added on `db`, one text a column of `columns` as a
// list shows them: empty for NULL, "(dati binari)" for bytes, the stored text or
// number otherwise. Empty texts when the book is no longer there. Throws Error.
std::vector<std::string> lastAddedBookTexts(sqlite3* db, const std::vector<std::string>& columns);

} // namespace catalogue
