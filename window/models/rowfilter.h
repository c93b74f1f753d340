#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {
class Recordset;
}

// The quick filter's text: for each record the fold (case, accents, apostrophes,
// hyphens and dots ignored: catalogue::filterFold) of its author, title, genre and
// every other text field, back to back in one buffer. It is made at the first filtering, grows with the
// result, and follows edits and deletions; a result without those columns is
// filtered on every column it has.
class RowFilter {
public:
    explicit RowFilter(const catalogue::Recordset& recordset);

    // The folded words of what the user typed; none when it is blank.
    static std::vector<std::string> words(std::string_view typed);
    // Whether every record that has all of `now` also has all of `before`, so the
    // records matching `before` are the only ones worth testing.
    static bool narrows(const std::vector<std::string>& now, const std::vector<std::string>& before);

    // Clears the flag of each flagged record that lacks one of `words`. `flags` has
    // one entry a record of the result.
    void narrow(const std::vector<std::string>& words, std::vector<char>& flags);

    // Folds up to `batch` more of the first `records` records ahead of any filtering;
    // true once all of them are folded.
    bool foldAhead(std::size_t records, std::size_t batch);

    void recordsRemoved(std::size_t first, std::size_t count);
    void recordChanged(std::size_t record);

private:
    struct Span {
        std::uint32_t start;
        std::uint32_t length;
    };

    void indexUpTo(std::size_t records);
    Span foldRecord(std::size_t record);
    std::string_view text(std::size_t record) const;
    bool hasAll(std::string_view text, const std::vector<std::string>& words) const;

    const catalogue::Recordset& m_recordset;
    std::vector<int> m_columns;
    std::string m_text;         ///< the folded records; an edited one is folded anew at the end
    std::vector<Span> m_spans;  ///< one a record, for the first m_spans.size() records
};
