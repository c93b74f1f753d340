#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "value.h"

// How a cell reads on screen, in the editor and on the clipboard: numbers without
// grouping, text as stored, NULL as nothing.
QString cellText(const catalogue::Value& value);

// The text with every control character other than tab, line feed and carriage
// return (C0 and DEL) replaced by its Control Pictures mark, "␀" for NUL: what the
// grid shows and what copying and exporting write, so that such a character is
// seen instead of vanishing or cutting the text short. The stored value never
// changes.
QString withVisibleControls(const QString& text);
// The same on UTF-8 bytes, appended to `out`.
void appendWithVisibleControls(std::string& out, std::string_view utf8);
// Whether `utf8` holds a character that withVisibleControls replaces.
bool holdsHiddenControls(std::string_view utf8);

// How a cell reads in a document for an Italian reader (the spreadsheet export, the
// printed list), as UTF-8 appended to `out`: integers as they are, reals with the
// decimal comma, text with its controls made visible, "(dati binari)" for bytes,
// NULL as nothing.
void appendDocumentText(std::string& out, const catalogue::Value& value);
QString documentText(const catalogue::Value& value);

// The beginning of `text` that the grid paints or measures: at most `length`
// UTF-16 units, ending where a grapheme cluster ends, then "…" when anything was
// left out. A cluster longer than `length` by itself (emoji joined by zero-width
// joiners without end, a letter under endless marks) is cut before one of its
// joiners, or else between two code points, never inside a surrogate pair.
QString leadingPart(const QString& text, qsizetype length);

// A cell as a screen reader reads it: its column's name, then what it holds,
// "vuoto" when it holds nothing, or what the new-row line is for.
QString cellReading(const QString& column, const QString& value, bool newRowLine);
