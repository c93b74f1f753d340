// The layout of a delimited file recognised from its heading line (a spreadsheet's,
// Goodreads', LibraryThing's); a heading carried nowhere is reported, never dropped.
#include "delimitedlayout.h"

#include "fieldnames.h"
#include "fold.h"
#include "formulaguard.h"
#include "importfailure.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace bookimport {

namespace {

using Combine = ColumnRule::Combine;
using Clean = ColumnRule::Clean;

std::string_view trimmedHeading(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::string headingKey(std::string_view text)
{
    return catalogue::foldCase(trimmedHeading(text));
}

class Heading {
public:
    explicit Heading(const std::vector<std::string>& fields)
    {
        for (const std::string& field : fields)
            m_keys.push_back(headingKey(field));
    }
    std::optional<std::size_t> find(std::string_view name) const
    {
        const auto found = std::find(m_keys.begin(), m_keys.end(), headingKey(name));
        if (found == m_keys.end())
            return std::nullopt;
        return static_cast<std::size_t>(found - m_keys.begin());
    }
    bool has(std::initializer_list<const char*> names) const
    {
        return std::all_of(names.begin(), names.end(), [&](const char* name) { return find(name).has_value(); });
    }
    std::size_t size() const { return m_keys.size(); }

private:
    std::vector<std::string> m_keys;
};

struct Source {
    const char* column;
    std::initializer_list<const char*> headings;
    Combine combine = Combine::First;
    Clean clean = Clean::None;
};

// The Goodreads library export's heading: Book Id, Title, Author, Author l-f,
// Additional Authors, ISBN, ISBN13, My Rating, …, Exclusive Shelf, My Review, …
const std::initializer_list<Source> goodreads = {
    {"titolo", {"Title"}},
    {"autore", {"Author", "Additional Authors"}, Combine::Comma},
    {"isbn", {"ISBN13", "ISBN"}, Combine::First, Clean::Guard},
    {"editore", {"Publisher"}},
    {"anno", {"Year Published"}},
    {"pagine", {"Number of Pages"}},
    {"voto", {"My Rating"}, Combine::First, Clean::Rating},
    {"letto", {"Exclusive Shelf"}, Combine::First, Clean::Shelf},
    {"genere", {"Bookshelves"}},
    {"note", {"Private Notes", "My Review"}, Combine::Lines},
    {"aggiunto_il", {"Date Added"}},
};

// LibraryThing's export, tab-separated or CSV: Book Id, Title, Sort Character,
// Primary Author, …, Publication, Date, Review, Rating, Comment, …
const std::initializer_list<Source> libraryThing = {
    {"titolo", {"Title"}},
    {"autore", {"Primary Author", "Secondary Author"}, Combine::Comma},
    {"isbn", {"ISBN", "ISBNs"}, Combine::First, Clean::Brackets},
    {"editore", {"Publication"}},
    {"anno", {"Date"}},
    {"pagine", {"Page Count"}},
    {"voto", {"Rating"}, Combine::First, Clean::Rating},
    {"genere", {"Tags"}},
    {"collocazione", {"Collections"}},
    {"lingua", {"Languages"}},
    {"note", {"Comment", "Private Comment", "Review"}, Combine::Lines},
    {"prestato_a", {"Lending Patron"}},
    {"prestato_il", {"Lending Start"}},
    {"aggiunto_il", {"Entry Date"}},
};

// A heading names the column the engine would take it for; only when there is
// none, one that differs in the letter case of other letters ("CITTÀ" for
// "città"), since a heading is typed by a person. Two columns the engine tells
// apart are never taken for one another.
std::optional<std::string> sameColumn(const std::vector<std::string>& columns, std::string_view name)
{
    const std::string_view trimmed = trimmedHeading(name);
    for (const std::string& column : columns) {
        if (catalogue::sameColumnName(column, trimmed))
            return column;
    }
    return std::nullopt;
}

std::optional<std::string> foldedColumn(const std::vector<std::string>& columns, std::string_view name)
{
    const std::string key = headingKey(name);
    for (const std::string& column : columns) {
        if (headingKey(column) == key)
            return column;
    }
    return std::nullopt;
}

std::optional<std::string> columnNamed(const std::vector<std::string>& columns, std::string_view name)
{
    if (auto column = sameColumn(columns, name))
        return column;
    return foldedColumn(columns, name);
}

void setRule(std::vector<ColumnRule>& rules, ColumnRule rule)
{
    const auto same = std::find_if(rules.begin(), rules.end(),
                                   [&](const ColumnRule& other) { return other.column == rule.column; });
    if (same != rules.end())
        *same = std::move(rule);
    else
        rules.push_back(std::move(rule));
}

std::vector<ColumnRule> exportRules(const Heading& heading, std::initializer_list<Source> sources,
                                    const std::vector<std::string>& columns)
{
    std::vector<ColumnRule> rules;
    for (const Source& source : sources) {
        const auto column = columnNamed(columns, source.column);
        ColumnRule rule{column.value_or(""), {}, source.combine, source.clean};
        for (const char* name : source.headings) {
            if (const auto field = heading.find(name))
                rule.fields.push_back(*field);
        }
        if (column && !rule.fields.empty())
            rules.push_back(std::move(rule));
    }
    return rules;
}

std::vector<ColumnRule> rulesByName(const std::vector<std::string>& fields, const std::vector<std::string>& columns)
{
    std::vector<ColumnRule> rules;
    std::vector<bool> placed(fields.size());
    // The headings naming a column as the engine does first: "città" fills "città"
    // even after a "CITTÀ" that would only fold to it.
    using Find = std::optional<std::string> (*)(const std::vector<std::string>&, std::string_view);
    for (const Find find : {Find{&sameColumn}, Find{&foldedColumn}}) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const auto column = placed[i] ? std::nullopt : find(columns, fields[i]);
            // The key is the catalogue's to give: an export's iddorvo is not carried.
            const bool filled = column && std::any_of(rules.begin(), rules.end(), [&](const ColumnRule& rule) {
                                    return rule.column == *column;
                                });
            if (column && !filled && !catalogue::sameColumnName(*column, "iddorvo")) {
                rules.push_back({*column, {i}, Combine::First, Clean::Formula});
                placed[i] = true;
            }
        }
    }
    return rules;
}

[[noreturn]] void noHeading(const std::vector<std::string>& fields, const std::string& path)
{
    std::string first;
    for (const std::string& field : fields)
        first += (first.empty() ? "" : " | ") + field;
    if (first.size() > 120)
        first = first.substr(0, 117) + "...";
    throw HeadingNamesNoField("La prima riga di " + quoted(path) +
                              " non è un'intestazione con i nomi dei campi: " + quoted(first) +
                              ". Aggiungere in cima una riga con i nomi delle colonne (ad esempio "
                              "autore;titolo;genere;isbn) oppure indicare con --campo COLONNA=INTESTAZIONE quale "
                              "colonna va in quale campo.");
}

// The fields carried nowhere, one entry for each heading: a heading repeated a
// hundred thousand times is one line of the report, not a hundred thousand.
void sortLeftOut(DelimitedLayout& layout, const std::vector<std::string>& fields)
{
    std::vector<bool> used(fields.size());
    for (const ColumnRule& rule : layout.rules) {
        for (const std::size_t field : rule.fields)
            used[field] = true;
    }
    std::unordered_map<std::string, std::vector<std::size_t>> byHeading;
    std::vector<std::string> order;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string key = headingKey(fields[i]);
        auto& same = byHeading[key];
        if (same.empty())
            order.push_back(std::move(key));
        same.push_back(i);
    }
    for (const std::string& key : order) {
        const std::vector<std::size_t>& same = byHeading[key];
        std::vector<std::size_t> leftOut;
        std::copy_if(same.begin(), same.end(), std::back_inserter(leftOut), [&](std::size_t i) { return !used[i]; });
        if (leftOut.empty() || key == "iddorvo")
            continue;
        const auto carried = std::find_if(same.begin(), same.end(), [&](std::size_t i) { return used[i]; });
        if (carried == same.end())
            layout.ignored.push_back(std::move(leftOut));
        else
            layout.repeated.push_back({*carried, std::move(leftOut)});
    }
}

} // namespace

DelimitedLayout delimitedLayout(const std::vector<std::string>& fields, const std::vector<std::string>& columns,
                                const std::vector<std::pair<std::string, std::string>>& mapped,
                                const std::string& path)
{
    const Heading heading(fields);
    DelimitedLayout layout;
    if (heading.has({"Book Id", "Title", "Author", "Exclusive Shelf"})) {
        layout = {"Goodreads", exportRules(heading, goodreads, columns), {}, true};
    } else if (heading.has({"Title", "Primary Author"})) {
        layout = {"LibraryThing", exportRules(heading, libraryThing, columns), {}, false};
    } else {
        layout = {"testo delimitato", rulesByName(fields, columns), {}, false};
    }
    for (const auto& [columnName, headingName] : mapped) {
        const auto column = columnNamed(columns, columnName);
        if (!column)
            refuseSource("--campo: il catalogo non ha la colonna " + quoted(columnName) + ".");
        const auto field = heading.find(headingName);
        if (!field)
            refuseSource("--campo: " + quoted(path) + " non ha la colonna d'intestazione " + quoted(headingName) + ".");
        setRule(layout.rules, {*column, {*field}, Combine::First, Clean::Formula});
    }
    if (layout.rules.empty())
        noHeading(fields, path);
    if (layout.kind == "testo delimitato")
        sortLeftOut(layout, fields);
    return layout;
}

std::optional<std::string> cleaned(const std::string& text, ColumnRule::Clean clean)
{
    std::string value = text;
    switch (clean) {
    case Clean::None:
        break;
    case Clean::Formula:
        // Our own export guards a text that a spreadsheet would take for a formula.
        value = std::string(catalogue::withoutFormulaGuard(value));
        break;
    case Clean::Guard:
        // Goodreads writes ="0131103628" so that spreadsheets keep the zeros.
        if (value.size() >= 3 && value.starts_with("=\"") && value.ends_with('"'))
            value = value.substr(2, value.size() - 3);
        break;
    case Clean::Brackets: {
        // LibraryThing: [0131103628], or a list "9780131103627, 0131103628".
        if (value.starts_with('[') && value.ends_with(']'))
            value = value.substr(1, value.size() - 2);
        if (const auto comma = value.find(','); comma != std::string::npos)
            value.resize(comma);
        break;
    }
    case Clean::Rating:
        if (value == "0")
            return std::nullopt;
        break;
    case Clean::Shelf:
        if (!value.empty())
            value = value == "read" ? "1" : "0";
        break;
    }
    if (value.empty())
        return std::nullopt;
    return value;
}

} // namespace bookimport
