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

// How a column's text is stored. Standard fields follow their own rule (the
// ISBN as its 13 digits, dates as AAAA-MM-GG, the year, pages and rating as
// integers, letto as 0 or 1); any other column by its declared type: INTEGER
// and REAL columns take numbers, a decimal comma included, text columns text.
// Codes stay text: a leading zero is never dropped from a text column.
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

// A date written AAAA-MM-GG, AAAA/MM/GG (a time after it allowed), GG/MM/AAAA,
// GG-MM-AAAA or GG.MM.AAAA, as AAAA-MM-GG; nothing for anything else.
std::optional<std::string> isoDate(std::string_view text);

// A whole number written with digits alone, a sign allowed.
std::optional<std::int64_t> wholeNumber(std::string_view text);

} // namespace bookimport
