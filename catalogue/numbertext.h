#pragma once

#include "value.h"

#include <optional>
#include <string>
#include <string_view>

namespace catalogue {

// The one rule for a number written as text, wherever it comes from: a cell or a
// field of the card typed by the user, or a value of a list being imported.
// Digits with a sign allowed, a decimal comma or point ("1,5", "12.50"), an
// exponent ("1e3"); spaces, tabs and line ends around it are ignored. A whole
// number that fits 64 bits is an integer, any other number a double. Nothing for
// text that is no number ("circa 1840", "1.234,5", "12bis", "inf"), which the
// caller refuses or keeps as given, saying so.
std::optional<Value> numberValue(std::string_view text);

// The Italian reason a typed text is refused by a field of numbers, quoting it.
std::string numberRefusal(std::string_view typed);

} // namespace catalogue
