#pragma once

#include <string_view>

namespace catalogue {

// A text without the blanks around it: spaces, tabs and line ends, as a number
// or a yes/no is typed or held by a source.
inline std::string_view withoutBlanks(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The same for a date, around which only spaces and tabs are taken away: a date
// broken over two lines is no date.
inline std::string_view withoutSpaces(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace catalogue
