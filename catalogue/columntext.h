#pragma once

#include <optional>
#include <string_view>

struct sqlite3_stmt;

namespace catalogue {

// A column of the current row as the engine holds its text, with no copy; none
// for NULL. Valid until the statement steps again.
std::optional<std::string_view> columnText(sqlite3_stmt* statement, int index);

} // namespace catalogue
