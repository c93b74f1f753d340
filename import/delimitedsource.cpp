// A CSV or TSV file read as a source, its headings matched to the catalogue's
// columns by its layout or by the user's choice.
#include "delimitedsource.h"

#include "importfailure.h"

#include <algorithm>

namespace bookimport {

namespace {

bool blank(const std::vector<std::string>& fields)
{
    return std::all_of(fields.begin(), fields.end(), [](const std::string& field) { return field.empty(); });
}

std::optional<std::string> combined(const ColumnRule& rule, const std::vector<std::string>& fields)
{
    std::optional<std::string> result;
    const char* separator = rule.combine == ColumnRule::Combine::Comma ? ", " : "\n\n";
    for (const std::size_t index : rule.fields) {
        if (index >= fields.size())
            continue;
        const std::optional<std::string> value = cleaned(fields[index], rule.clean);
        if (!value)
            continue;
        if (rule.combine == ColumnRule::Combine::First)
            return value;
        result = result ? *result + separator + *value : *value;
    }
    return result;
}

} // namespace

DelimitedSource::DelimitedSource(const std::string& path, const std::vector<std::string>& columns,
                                 const std::vector<std::pair<std::string, std::string>>& mapped)
    : m_reader(path)
{
    if (!m_reader.next(m_heading) || blank(m_heading))
        refuseSource("Il file " + quoted(path) + " è vuoto: non ha né un'intestazione né libri.");
    m_layout = delimitedLayout(m_heading, columns, mapped, path);
    for (const ColumnRule& rule : m_layout.rules)
        m_columns.push_back(rule.column);
    m_ignoredValues.assign(m_layout.ignored.size(), 0);
    m_repeatedValues.assign(m_layout.repeated.size(), 0);
}

std::string delimitedKind(char delimiter)
{
    return std::string("testo delimitato (") + (delimiter == '\t' ? "tabulazione" : std::string(1, delimiter)) + ")";
}

std::string DelimitedSource::kind() const
{
    return m_layout.kind != "testo delimitato" ? m_layout.kind : delimitedKind(m_reader.delimiter());
}

bool DelimitedSource::next(SourceBook& book)
{
    do {
        if (!m_reader.next(m_fields))
            return false;
    } while (blank(m_fields));
    book.start("riga " + std::to_string(m_reader.line()), m_layout.rules.size());
    checkWidth(book);
    for (std::size_t i = 0; i < m_layout.rules.size(); ++i)
        book.values[i] = combined(m_layout.rules[i], m_fields);
    for (std::size_t i = 0; i < m_layout.ignored.size(); ++i)
        m_ignoredValues[i] += valuesIn(m_layout.ignored[i]);
    for (std::size_t i = 0; i < m_layout.repeated.size(); ++i)
        m_repeatedValues[i] += valuesIn(m_layout.repeated[i].leftOut);
    return true;
}

std::uint64_t DelimitedSource::valuesIn(const std::vector<std::size_t>& fields) const
{
    return static_cast<std::uint64_t>(std::count_if(fields.begin(), fields.end(), [&](std::size_t index) {
        return index < m_fields.size() && !m_fields[index].empty();
    }));
}

void DelimitedSource::checkWidth(SourceBook& book) const
{
    const std::size_t width = m_heading.size();
    if (m_fields.size() < width && m_layout.strictWidth) {
        refuseSource("Il file " + m_layout.kind + " " + quoted(m_reader.path()) + " si interrompe alla riga " +
                     std::to_string(m_reader.line()) + ": ha " + std::to_string(m_fields.size()) +
                     " campi invece di " + std::to_string(width) +
                     ". Il file è stato troncato: esportarlo di nuovo per intero e ripetere l'importazione.");
    }
    if (m_fields.size() > width &&
        std::any_of(m_fields.begin() + static_cast<std::ptrdiff_t>(width), m_fields.end(),
                    [](const std::string& field) { return !field.empty(); })) {
        book.refusal = "ha " + std::to_string(m_fields.size()) + " campi ma l'intestazione ne nomina " +
                       std::to_string(width) + " (un separatore di troppo?): non scritta";
    }
}

std::vector<std::pair<std::string, std::uint64_t>> DelimitedSource::ignoredColumns() const
{
    std::vector<std::pair<std::string, std::uint64_t>> ignored;
    for (std::size_t i = 0; i < m_layout.ignored.size(); ++i)
        ignored.emplace_back(m_heading[m_layout.ignored[i].front()], m_ignoredValues[i]);
    return ignored;
}

std::vector<RepeatedColumn> DelimitedSource::repeatedColumns() const
{
    std::vector<RepeatedColumn> repeated;
    for (std::size_t i = 0; i < m_layout.repeated.size(); ++i) {
        const RepeatedHeading& heading = m_layout.repeated[i];
        RepeatedColumn column{m_heading[heading.used], heading.used + 1, {}, m_repeatedValues[i]};
        for (const std::size_t field : heading.leftOut)
            column.leftOut.push_back(field + 1);
        repeated.push_back(std::move(column));
    }
    return repeated;
}

} // namespace bookimport
