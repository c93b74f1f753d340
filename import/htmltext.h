#pragma once

#include <string>

namespace bookimport {

// The text of an HTML fragment, as calibre and Tellico keep their comments:
// paragraphs, divisions, list items and <br> become line breaks, every other tag
// goes, character references are read ("&egrave;", "&#232;", "&#xE8;"), and runs
// of blank lines shrink to one. Text with no tag at all is returned as it is.
std::string plainText(const std::string& html);

} // namespace bookimport
