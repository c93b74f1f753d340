// The formula guard of the CSV export and of the import that reads it back: what
// opens a formula in a spreadsheet (OWASP's list for CSV injection), and the
// apostrophe before it. A text already beginning with an apostrophe followed by
// such a character is guarded too, so the import's removal never takes away an
// apostrophe the text had.
#include "formulaguard.h"

namespace catalogue {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips the digits from `at`; returns how many there were.
std::size_t skipDigits(std::string_view text, std::size_t& at)
{
    const std::size_t start = at;
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at - start;
}

// A signed number as a spreadsheet reads one: "-3", "+2,5", "-.5", "-1e6".
bool plainNumber(std::string_view text)
{
    std::size_t at = text.starts_with('-') || text.starts_with('+') ? 1 : 0;
    std::size_t digits = skipDigits(text, at);
    if (at < text.size() && (text[at] == '.' || text[at] == ','))
        digits += skipDigits(text, ++at);
    if (digits == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '-' || text[at] == '+'))
            ++at;
        if (skipDigits(text, at) == 0)
            return false;
    }
    return at == text.size();
}

bool opensFormula(char c)
{
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

// An apostrophe as the guard writes it: before a formula's first character or
// before another apostrophe.
bool looksGuarded(std::string_view text)
{
    return text.size() > 1 && text[0] == '\'' && (opensFormula(text[1]) || text[1] == '\'');
}

} // namespace

bool needsFormulaGuard(std::string_view text)
{
    if (text.empty())
        return false;
    if (opensFormula(text.front()))
        return !plainNumber(text);
    return looksGuarded(text);
}

std::string_view withoutFormulaGuard(std::string_view text)
{
    return looksGuarded(text) ? text.substr(1) : text;
}

} // namespace catalogue
