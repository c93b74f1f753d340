// The quick filter's index. It lives in the grid's row map for one result and is
// dropped with it. Invariant: m_spans[r] is record r's fold inside m_text, for the
// records folded so far (a prefix of the result); fields are joined by a line feed,
// which no typed word holds, so a word never matches across two fields. Folding a
// million books takes about a fifth of a second once; a keystroke then scans the
// folded text alone (about 60 MB at a million rows, 60 bytes a book).
#include "rowfilter.h"

#include "fieldnames.h"
#include "fold.h"
#include "isbn.h"
#include "recordset.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cassert>

namespace {

constexpr std::array namedColumns{"autore", "titolo", "genere"};
constexpr char fieldSeparator = '\n';

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Numbers go through the same fold as text, so "3.5" typed finds the real 3.5.
void appendCell(std::string& out, const catalogue::Value& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        catalogue::appendFilterFold(out, *text);
    else if (const auto* number = std::get_if<std::int64_t>(&value))
        catalogue::appendFilterFold(out, std::to_string(*number));
    else if (const auto* real = std::get_if<double>(&value))
        catalogue::appendFilterFold(out, QString::number(*real, 'g', 15).toStdString());
}

} // namespace

RowFilter::RowFilter(const catalogue::Recordset& recordset) : m_recordset(recordset)
{
    // Every text field: the three the catalogue began with, whatever their declared
    // type, and every column of text affinity (the standard fields' and one's own).
    for (int column = 0; column < recordset.columnCount(); ++column) {
        const std::string& name = recordset.columnName(column);
        const bool named = std::any_of(namedColumns.begin(), namedColumns.end(),
                                       [&](const char* filtered) { return catalogue::sameColumnName(name, filtered); });
        if (named || recordset.columnAffinity(column) == catalogue::Affinity::Text)
            m_columns.push_back(column);
    }
    if (m_columns.empty()) {
        for (int column = 0; column < recordset.columnCount(); ++column)
            m_columns.push_back(column);
    }
}

// An ISBN typed in any of its forms finds the 13 digits the catalogue keeps: the
// whole text read as one ("978 88 07 90007 5"), or a word of it ("88-04-12345-x").
std::vector<std::string> RowFilter::words(std::string_view typed)
{
    if (const catalogue::IsbnReading whole = catalogue::readIsbn(typed); whole.valid())
        return {whole.isbn13};
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < typed.size()) {
        while (at < typed.size() && isBlank(typed[at]))
            ++at;
        std::size_t end = at;
        while (end < typed.size() && !isBlank(typed[end]))
            ++end;
        const std::string_view typedWord = typed.substr(at, end - at);
        if (const catalogue::IsbnReading isbn = catalogue::readIsbn(typedWord); isbn.valid())
            words.push_back(isbn.isbn13);
        else if (std::string word = catalogue::filterFold(typedWord); !word.empty())
            words.push_back(std::move(word));
        at = end;
    }
    return words;
}

bool RowFilter::narrows(const std::vector<std::string>& now, const std::vector<std::string>& before)
{
    return std::all_of(before.begin(), before.end(), [&](const std::string& old) {
        return std::any_of(now.begin(), now.end(),
                           [&](const std::string& word) { return word.find(old) != std::string::npos; });
    });
}

RowFilter::Span RowFilter::foldRecord(std::size_t record)
{
    const std::size_t start = m_text.size();
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (i > 0)
            m_text.push_back(fieldSeparator);
        if (const auto text = m_recordset.text(record, m_columns[i]))
            catalogue::appendFilterFold(m_text, *text);
        else
            appendCell(m_text, m_recordset.value(record, m_columns[i]));
    }
    assert(m_text.size() <= UINT32_MAX);
    return {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(m_text.size() - start)};
}

void RowFilter::indexUpTo(std::size_t records)
{
    if (m_spans.size() >= records)
        return;
    m_spans.reserve(records);
    if (m_spans.empty())
        m_text.reserve(records * 64);
    while (m_spans.size() < records)
        m_spans.push_back(foldRecord(m_spans.size()));
}

bool RowFilter::foldAhead(std::size_t records, std::size_t batch)
{
    indexUpTo(std::min(records, m_spans.size() + batch));
    return m_spans.size() >= records;
}

std::string_view RowFilter::text(std::size_t record) const
{
    const Span span = m_spans[record];
    return {m_text.data() + span.start, span.length};
}

bool RowFilter::hasAll(std::string_view text, const std::vector<std::string>& words) const
{
    return std::all_of(words.begin(), words.end(),
                       [text](const std::string& word) { return text.find(word) != std::string_view::npos; });
}

void RowFilter::narrow(const std::vector<std::string>& words, std::vector<char>& flags)
{
    indexUpTo(flags.size());
    for (std::size_t record = 0; record < flags.size(); ++record) {
        if (flags[record] && !hasAll(text(record), words))
            flags[record] = 0;
    }
}

void RowFilter::recordsRemoved(std::size_t first, std::size_t count)
{
    if (first >= m_spans.size())
        return;
    const std::size_t last = std::min(first + count, m_spans.size());
    m_spans.erase(m_spans.begin() + static_cast<std::ptrdiff_t>(first),
                  m_spans.begin() + static_cast<std::ptrdiff_t>(last));
}

void RowFilter::recordChanged(std::size_t record)
{
    if (record < m_spans.size())
        m_spans[record] = foldRecord(record);
}
