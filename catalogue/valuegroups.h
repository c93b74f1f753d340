#pragma once

#include "librarysummary.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

// The values of one field as the summary counts them: grouped under the letter
// rule of the exact searches (letter case ignored, accents kept), so "Science
// Fiction" and "science fiction" are one bar under the spelling most books use;
// in a list field each value between commas counts once for its book (Goodreads
// writes its shelves so). Each group's condition names the stored values it took,
// so its books are exactly those counted, whatever the column's collation.
class ValueGroups {
public:
    enum class Parts { Whole, CommaList };

    ValueGroups(std::string column, Parts parts);

    // `books` books hold `stored`, as the engine gave it. The text must outlive
    // counts(): only a view of it is kept.
    void add(std::string_view stored, std::int64_t books);
    // `books` books hold NULL.
    void addNull(std::int64_t books) { m_nulls += books; }

    // Most books first (then by name), at most `limit`; books with no value count
    // under `blankLabel`, kept out of the bars' scale.
    std::vector<SummaryCount> counts(std::size_t limit, const std::string& blankLabel) const;

private:
    struct Group {
        std::map<std::string, std::int64_t, std::less<>> spellings;
        std::int64_t books = 0;
        std::vector<std::string_view> stored;
    };

    std::vector<std::string_view> partsOf(std::string_view stored) const;
    std::string storedCondition(std::vector<std::string_view> stored) const;

    std::string m_column;
    Parts m_parts;
    std::map<std::string, Group> m_groups; ///< by folded key
    std::int64_t m_blank = 0;              ///< books whose value is spaces (or commas) only
    std::vector<std::string_view> m_blankStored;
    std::int64_t m_nulls = 0;
};

} // namespace catalogue
