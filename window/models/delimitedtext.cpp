// Delimited text for the clipboard and the spreadsheet export. Fields are scanned
// once; the common field, with nothing to quote or replace, is copied as it is,
// which keeps the export of a million rows close to the engine's own.
#include "delimitedtext.h"

#include "celltext.h"
#include "formulaguard.h"

#include <variant>

const DelimitedText::Dialect DelimitedText::clipboard{'\t', "\n", false, false};
const DelimitedText::Dialect DelimitedText::spreadsheet{';', "\r\n", true, true};

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

bool DelimitedText::opensFormula(std::string_view utf8) const
{
    return m_dialect.guardFormulas && catalogue::needsFormulaGuard(utf8);
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
