#pragma once

#include <string_view>

namespace catalogue {

// The apostrophe that keeps a text from being run as a formula when a spreadsheet
// opens the CSV export, and its removal when the import reads that CSV back. The
// two are one rule, so every text comes back exactly as it went out.

// Whether `text` is written behind an apostrophe: it begins with `=`, `+`, `-`,
// `@`, a tab or a carriage return and is not a plain number ("-3", "+2,5"), or it
// begins with an apostrophe that the reading would otherwise take for a guard.
bool needsFormulaGuard(std::string_view text);

// `text` as read from such a file: without the apostrophe a guard put before it.
std::string_view withoutFormulaGuard(std::string_view text);

} // namespace catalogue
