#pragma once

#include <string>
#include <string_view>

namespace catalogue {

// The text to place between single quotes in a statement so that the quoted value
// reads back as exactly `text`: every single quote is doubled. Throws Error when
// `text` holds a NUL character, which no quoted value can carry.
std::string quotedTextBody(std::string_view text);

// `name` as an SQL identifier in double quotes, any double quote in it doubled, so
// that a table or column of any name can be named in a statement.
std::string quotedIdentifier(std::string_view name);

} // namespace catalogue
