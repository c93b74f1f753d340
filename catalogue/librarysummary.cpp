// The counts of Riepilogo in one pass over `dorvi`; each bar carries the condition
// that lists exactly the books it counts.
#include "librarysummary.h"

#include "fieldnames.h"
#include "partedscan.h"
#include "sqltext.h"
#include "standardfields.h"
#include "statement.h"
#include "valuegroups.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <unordered_map>
#include <sqlite3.h>

namespace catalogue {

namespace {

constexpr std::size_t topAuthors = 20;

struct Field {
    const char* title;
    const char* column;
    const char* subject;
};
constexpr Field genre{"Per genere", "genere", "Genere"};
constexpr Field author{"Per autore (i primi 20)", "autore", "Autore"};
constexpr Field decade{"Per decennio di pubblicazione", "anno", "Decennio"};
constexpr Field shelf{"Per collocazione", "collocazione", "Collocazione"};
constexpr Field read{"Letti e non letti", "letto", ""};

// The column of `dorvi` named so (letter case ignored), as the table spells it.
std::optional<std::string> presentColumn(const std::vector<std::string>& columns, std::string_view name)
{
    for (const std::string& column : columns) {
        if (sameColumnName(column, name))
            return column;
    }
    return std::nullopt;
}

// A count of texts as stored; NULL counts apart. Grouping waits until every part
// of the catalogue is counted, so each distinct text is folded once.
class TextTally {
public:
    void add(sqlite3_stmt* s, int index)
    {
        if (sqlite3_column_type(s, index) == SQLITE_NULL) {
            ++m_nulls;
            return;
        }
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, index));
        count(std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(s, index))), 1);
    }

    void merge(const TextTally& other)
    {
        for (const auto& [value, books] : other.m_counts)
            count(value, books);
        m_nulls += other.m_nulls;
    }

    std::vector<SummaryCount> counts(const std::string& column, ValueGroups::Parts parts, std::size_t limit,
                                     const char* blankLabel) const
    {
        ValueGroups groups(column, parts);
        for (const auto& [value, books] : m_counts)
            groups.add(value, books);
        groups.addNull(m_nulls);
        return groups.counts(limit, blankLabel);
    }

private:
    // Looked up by the engine's own bytes: a text is copied the first time it is
    // seen, not once for each of a million books.
    void count(std::string_view value, std::int64_t books)
    {
        if (const auto found = m_counts.find(value); found != m_counts.end())
            found->second += books;
        else
            m_counts.emplace(value, books);
    }

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    std::unordered_map<std::string, std::int64_t, Hash, std::equal_to<>> m_counts;
    std::int64_t m_nulls = 0;
};

// Every count of one pass, over the whole table or one part of it.
struct Tallies {
    TextTally genres, authors, shelves;
    std::map<std::int64_t, std::int64_t> decades;
    std::int64_t noYear = 0, readBooks = 0, unread = 0, unsaid = 0, books = 0;

    // One row of (genere, autore, anno, collocazione, letto).
    void add(sqlite3_stmt* s)
    {
        ++books;
        genres.add(s, 0);
        authors.add(s, 1);
        if (sqlite3_column_type(s, 2) == SQLITE_INTEGER)
            ++decades[decadeOf(sqlite3_column_int64(s, 2))];
        else
            ++noYear;
        shelves.add(s, 3);
        if (sqlite3_column_type(s, 4) == SQLITE_NULL)
            ++unsaid;
        else if (sqlite3_column_int64(s, 4) != 0)
            ++readBooks;
        else
            ++unread;
    }

    void merge(const Tallies& other)
    {
        genres.merge(other.genres);
        authors.merge(other.authors);
        shelves.merge(other.shelves);
        for (const auto& [first, count] : other.decades)
            decades[first] += count;
        noYear += other.noYear;
        readBooks += other.readBooks;
        unread += other.unread;
        unsaid += other.unsaid;
        books += other.books;
    }
};

std::string columnOrNull(const std::optional<std::string>& column)
{
    return column ? quotedIdentifier(*column) : "NULL";
}

// Read, unread or not said, by the very comparisons the bars list their books
// with: a value that is no number ("sì" kept by an old import) falls on the bar
// that lists it, not on "Non letti" because it reads as 0 when made a number.
std::string readState(const std::optional<std::string>& column)
{
    if (!column)
        return "NULL";
    const std::string letto = quotedIdentifier(*column);
    return "CASE WHEN " + letto + " IS NULL THEN NULL WHEN " + letto + " = 0 THEN 0 ELSE 1 END";
}

} // namespace

// A year no book has, read from a damaged or hostile file, still gets a decade:
// at the ends of the integers the decade is cut short rather than wrapped round.
std::int64_t decadeOf(std::int64_t year)
{
    const std::int64_t intoDecade = ((year % 10) + 10) % 10;
    return year < std::numeric_limits<std::int64_t>::min() + intoDecade ? std::numeric_limits<std::int64_t>::min()
                                                                         : year - intoDecade;
}

std::int64_t decadeEnd(std::int64_t first)
{
    return first > std::numeric_limits<std::int64_t>::max() - 9 ? std::numeric_limits<std::int64_t>::max() : first + 9;
}

std::string decadeLabel(std::int64_t first)
{
    const std::int64_t last = decadeEnd(first);
    if (first >= 0)
        return std::to_string(first) + "\u2013" + std::to_string(last);
    // Negated as unsigned: the first year before Christ may be the smallest integer.
    const auto yearsBefore = [](std::int64_t year) { return std::to_string(0ULL - static_cast<unsigned long long>(year)); };
    return yearsBefore(first) + "\u2013" + yearsBefore(last) + " a.C.";
}

LibrarySummary summarize(sqlite3* db, std::size_t smallestPart)
{
    const std::vector<std::string> columns = catalogueColumns(db);
    const auto genreColumn = presentColumn(columns, genre.column);
    const auto authorColumn = presentColumn(columns, author.column);
    const auto yearColumn = presentColumn(columns, decade.column);
    const auto shelfColumn = presentColumn(columns, shelf.column);
    const auto readColumn = presentColumn(columns, read.column);

    const std::string rows = "SELECT " + columnOrNull(genreColumn) + ", " + columnOrNull(authorColumn) + ", " +
                             columnOrNull(yearColumn) + ", " + columnOrNull(shelfColumn) + ", " +
                             readState(readColumn) + " FROM dorvi WHERE ";
    const PartedScan scan(db, smallestPart);
    std::vector<Tallies> parts(scan.parts());
    scan.run([&](sqlite3* partDb, const std::string& condition, std::size_t part) {
        Statement statement(partDb, rows + condition);
        while (statement.step())
            parts[part].add(statement.handle());
    });
    for (std::size_t part = 1; part < parts.size(); ++part)
        parts.front().merge(parts[part]);
    const auto& [genres, authors, shelves, decades, noYear, readBooks, unread, unsaid, books] = parts.front();

    LibrarySummary summary;
    summary.books = books;
    const auto section = [&](const Field& field, const std::optional<std::string>& column) {
        SummarySection result{field.title, field.subject, column ? std::string() : std::string(field.column), {}};
        return result;
    };
    SummarySection genreSection = section(genre, genreColumn);
    if (genreColumn)
        genreSection.counts = genres.counts(*genreColumn, ValueGroups::Parts::CommaList, SIZE_MAX, "(senza genere)");
    SummarySection authorSection = section(author, authorColumn);
    if (authorColumn)
        authorSection.counts = authors.counts(*authorColumn, ValueGroups::Parts::Whole, topAuthors, "(senza autore)");
    SummarySection decadeSection = section(decade, yearColumn);
    if (yearColumn) {
        const std::string year = quotedIdentifier(*yearColumn);
        for (const auto& [first, count] : decades)
            decadeSection.counts.push_back({decadeLabel(first), count,
                                            "typeof(" + year + ") = 'integer' AND " + year + " BETWEEN " +
                                                std::to_string(first) + " AND " + std::to_string(decadeEnd(first))});
        if (noYear > 0)
            decadeSection.counts.push_back({"(senza anno)", noYear, "typeof(" + year + ") <> 'integer'", true});
    }
    SummarySection shelfSection = section(shelf, shelfColumn);
    if (shelfColumn)
        shelfSection.counts = shelves.counts(*shelfColumn, ValueGroups::Parts::Whole, SIZE_MAX, "(senza collocazione)");
    SummarySection readSection = section(read, readColumn);
    if (readColumn) {
        const std::string letto = quotedIdentifier(*readColumn);
        readSection.counts = {{"Letti", readBooks, letto + " IS NOT NULL AND " + letto + " <> 0"},
                              {"Non letti", unread, letto + " = 0"},
                              {"Non detto", unsaid, letto + " IS NULL"}};
    }
    summary.sections = {std::move(genreSection), std::move(authorSection), std::move(decadeSection),
                        std::move(shelfSection), std::move(readSection)};
    return summary;
}

} // namespace catalogue
