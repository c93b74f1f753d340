// Delimited text for the clipboard and the spreadsheet export. Fields are scanned
// once; the common field, with nothing to quote or replace, is copied as it is,
// which keeps the export of a million rows close to the engine's own.
#include "delimitedtext.h"

#include "celltext.h"

#include <variant>

const DelimitedText::Dialect DelimitedText::clipboard{'\t', "\n", false, false};
const DelimitedText::Dialect DelimitedText::spreadsheet{';', "\r\n", true, true};

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

} // namespace

void DelimitedText::startField()
{
    if (m_lineStarted)
        m_bytes += m_dialect.separator;
    m_lineStarted = true;
}

bool DelimitedText::needsQuotes(std::string_view utf8) const
{
    if (!m_dialect.quoteEveryQuote && utf8.starts_with('"'))
        return true;
    for (char c : utf8) {
        if (c == m_dialect.separator || c == '\n' || c == '\r' || (c == '"' && m_dialect.quoteEveryQuote))
            return true;
    }
    return false;
}

// The characters OWASP names for CSV injection: each makes a spreadsheet read
// the cell as a formula, or hides one after it.
bool DelimitedText::opensFormula(std::string_view utf8) const
{
    if (!m_dialect.guardFormulas || utf8.empty())
        return false;
    switch (utf8.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
        return !plainNumber(utf8);
    default:
        return false;
    }
}

void DelimitedText::addText(std::string_view utf8)
{
    startField();
    const bool quoted = needsQuotes(utf8);
    if (quoted)
        m_bytes += '"';
    if (opensFormula(utf8))
        m_bytes += '\'';
    if (quoted && utf8.find('"') != std::string_view::npos) {
        std::string doubled;
        doubled.reserve(utf8.size() + 8);
        for (char c : utf8) {
            doubled += c;
            if (c == '"')
                doubled += '"';
        }
        appendWithVisibleControls(m_bytes, doubled);
    } else if (holdsHiddenControls(utf8)) {
        appendWithVisibleControls(m_bytes, utf8);
    } else {
        m_bytes.append(utf8);
    }
    if (quoted)
        m_bytes += '"';
}

void DelimitedText::addValue(const catalogue::Value& value)
{
    if (const auto* text = std::get_if<std::string>(&value)) {
        addText(*text);
        return;
    }
    // Numbers, bytes and NULL never hold a separator, a quote or a line break.
    startField();
    appendDocumentText(m_bytes, value);
}

void DelimitedText::endLine()
{
    m_bytes.append(m_dialect.lineEnd);
    m_lineStarted = false;
}
