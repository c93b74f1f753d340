#pragma once

#include <optional>
#include <sqlite3.h>
#include <string_view>

namespace catalogue {

// A column of the current row as the engine holds its text, with no copy; none
// for NULL. Valid until the statement steps again.
inline std::optional<std::string_view> columnText(sqlite3_stmt* statement, int index)
{
    const unsigned char* text = sqlite3_column_text(statement, index);
    if (!text)
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(text),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, index)));
}

} // namespace catalogue
