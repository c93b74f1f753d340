#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

// One bar of the summary: what it counts, how many books, and the condition on
// `dorvi` that lists exactly those books.
struct SummaryCount {
    std::string label;
    std::int64_t books = 0;
    std::string where;
    bool apart = false; ///< books without a value: listed, but no measure for the other bars
};

// One count of the summary ("Per genere"…). A catalogue without the field keeps
// the section, with `missing` naming the field instead of counts.
struct SummarySection {
    std::string title;
    std::string subject; ///< what one bar is ("Genere"), or empty when its label says it
    std::string missing; ///< the absent column, or empty
    std::vector<SummaryCount> counts; ///< most books first
};

struct LibrarySummary {
    std::int64_t books = 0;
    std::vector<SummarySection> sections;
};

// Counts the books by genere, autore (the first 20), decade of anno, collocazione
// and read against unread, in one pass over `dorvi`: at a million books grouping
// five times in the engine took several seconds, one read and five maps well under
// one. Texts are grouped as the searches compare them (see ValueGroups), and a
// bar's books are those its condition lists. A large catalogue is read in parts of at least
// `smallestPart` books side by side. Throws Error.
LibrarySummary summarize(sqlite3* db, std::size_t smallestPart = 100'000);

// The first decade year of `year`: 1987 → 1980, -5 → -10.
std::int64_t decadeOf(std::int64_t year);
// The last year of the decade beginning with `first`: first + 9, or the largest integer.
std::int64_t decadeEnd(std::int64_t first);
// The decade beginning with `first` as read: "1980–1989", before Christ "1750–1741 a.C.".
std::string decadeLabel(std::int64_t first);

} // namespace catalogue
