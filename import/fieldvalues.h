#pragma once

#include "value.h"

#include <optional>
#include <string>
#include <string_view>

namespace bookimport {

// A value of the source as the catalogue stores it, and, when it could not be
// stored as its field asks, why: the value is then kept exactly as given.
struct StoredValue {
    catalogue::Value value;
    std::string change; ///< empty when stored as the field's rule says
};

// How a column's text is stored: by the catalogue's value rules for the field's
// kind (catalogue::fieldKindOf, catalogue::readValue), as the grid stores it, so a
// field of one's own declared DATE takes 8/12/2026 as 2026-12-08 and one declared
// BOOLEAN takes "sì" as 1. The year may also come as a whole date. Codes stay
// text: a leading zero is never dropped from a text column.
StoredValue storedValue(std::string_view column, std::string_view declaredType, const std::string& text);

// The same in two steps, the rule found once per column: a large import stores
// millions of values.
enum class ValueRule { Text, Isbn, Year, Whole, Decimal, YesNo, Stars, Date };
ValueRule valueRule(std::string_view column, std::string_view declaredType);
StoredValue storedValue(ValueRule rule, const std::string& text);

// A value the source holds as a number or as bytes, `text` its text. Bytes, and
// numbers in a column of no rule of its own, are stored exactly as they are; a
// standard field's rule still reads a number (an ISBN kept as digits, a vote
// rounded), and where the rule keeps the value as given it keeps its type.
StoredValue storedValue(ValueRule rule, const catalogue::Value& value, const std::string& text);

// A date as catalogue::readDate takes it, as AAAA-MM-GG; nothing for anything else.
std::optional<std::string> isoDate(std::string_view text);

// A whole number written with digits alone, a sign allowed.
std::optional<std::int64_t> wholeNumber(std::string_view text);

} // namespace bookimport
