// Records of a CSV or TSV file one at a time, the delimiter and the line ends as
// its first line shows; quoted fields keep delimiters and line breaks.
#include "delimitedreader.h"

#include "importfailure.h"

#include <algorithm>
#include <array>

namespace bookimport {

DelimitedReader::DelimitedReader(const std::string& path)
    : m_path(path), m_file(path)
{
    m_delimiter = guessDelimiter();
}

bool DelimitedReader::fill()
{
    if (m_ended)
        return false;
    m_buffer.erase(0, m_at);
    m_at = 0;
    if (!m_file.read(m_buffer))
        m_ended = true;
    return !m_ended;
}

// The delimiter the first line uses most, quoted text left out; a comma when it
// uses none (a file of one column). The first line also tells how lines end: a
// carriage return alone, as old Mac spreadsheets write, makes every unquoted one
// the end of a record.
char DelimitedReader::guessDelimiter()
{
    const auto lineEndKnown = [this] {
        const std::size_t end = m_buffer.find_first_of("\r\n");
        return end != std::string::npos && end + 1 < m_buffer.size();
    };
    while (!lineEndKnown() && fill()) {
    }
    std::array<std::size_t, 3> counts{};
    const std::array<char, 3> candidates{',', ';', '\t'};
    bool inQuotes = false;
    for (std::size_t at = 0; at < m_buffer.size(); ++at) {
        const char c = m_buffer[at];
        if (c == '"')
            inQuotes = !inQuotes;
        if (!inQuotes && (c == '\n' || c == '\r')) {
            if (c == '\r' && at + 1 < m_buffer.size() && m_buffer[at + 1] != '\n')
                m_lineEnd = '\r';
            break;
        }
        for (std::size_t i = 0; i < candidates.size(); ++i)
            counts[i] += !inQuotes && c == candidates[i];
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < counts.size(); ++i) {
        if (counts[i] > counts[best])
            best = i;
    }
    return candidates[best];
}

bool DelimitedReader::next(std::vector<std::string>& fields)
{
    fields.clear();
    if (m_at >= m_buffer.size() && !fill() && m_at >= m_buffer.size())
        return false;
    m_recordLine = m_line;
    fields.emplace_back();
    bool inQuotes = false;
    bool wasQuoted = false;
    for (;;) {
        if (m_at >= m_buffer.size() && !fill()) {
            if (inQuotes) {
                refuseSource("Il file " + quoted(m_path) + " finisce dentro un campo tra virgolette aperto alla riga " +
                             std::to_string(m_recordLine) +
                             ": è stato troncato. Esportarlo di nuovo per intero.");
            }
            return true;
        }
        const char c = m_buffer[m_at++];
        if (inQuotes) {
            if (c == '"') {
                if (m_at >= m_buffer.size())
                    fill();
                if (m_at < m_buffer.size() && m_buffer[m_at] == '"') {
                    fields.back() += '"';
                    ++m_at;
                } else {
                    inQuotes = false;
                }
            } else {
                // the run up to the closing quote at once
                const std::size_t end = std::min(m_buffer.find('"', m_at), m_buffer.size());
                m_line += static_cast<std::uint64_t>(std::count(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_at - 1),
                                                                m_buffer.begin() + static_cast<std::ptrdiff_t>(end),
                                                                m_lineEnd));
                fields.back().append(m_buffer, m_at - 1, end - (m_at - 1));
                m_at = end;
            }
        } else if (c == m_delimiter) {
            fields.emplace_back();
            wasQuoted = false;
        } else if (c == m_lineEnd) {
            ++m_line;
            if (!wasQuoted && !fields.back().empty() && fields.back().back() == '\r')
                fields.back().pop_back();
            return true;
        } else if (c == '"' && fields.back().empty() && !wasQuoted) {
            inQuotes = wasQuoted = true;
        } else if (c == '\r' && wasQuoted) {
            // the CR of a CRLF after a closing quote
        } else {
            // the run up to the next character that means something, at once:
            // copying byte by byte was a fifth of the import's own time
            std::size_t end = m_at;
            while (end < m_buffer.size()) {
                const char d = m_buffer[end];
                if (d == m_delimiter || d == m_lineEnd || d == '"' || d == '\r')
                    break;
                ++end;
            }
            fields.back().append(m_buffer, m_at - 1, end - (m_at - 1));
            m_at = end;
        }
    }
}

} // namespace bookimport
