#pragma once

#include "loanledger.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace bookimport {

// A heading a source has more than once: the column carried and those left out.
struct RepeatedColumn {
    std::string heading;
    std::size_t used = 0;             ///< the column carried, counted from 1 as a spreadsheet does
    std::vector<std::size_t> leftOut; ///< the others, counted from 1
    std::uint64_t values = 0;         ///< values not empty in those left out, read so far

    bool operator==(const RepeatedColumn&) const = default;
};

// A book of the source named in the report: where it stands in the source, its
// author and title, and what happened to it.
struct ReportLine {
    std::string where;   ///< "riga 12"
    std::string book;    ///< «autore», «titolo»
    std::string column;  ///< for a changed value
    std::string text;    ///< the reason, or the book matched
};

// The lines of one kind: the first `listed` kept, the rest only counted, so that
// what a report holds is the same for a file of a thousand books as for one of ten
// million (a duplicate's line with its texts is some 340 bytes: 200,000 skipped
// books held about 70 MiB).
class ReportLines {
public:
    static constexpr std::size_t listed = 10'000;

    // Whether a new line would only be counted: its text need not be made.
    bool full() const { return m_lines.size() >= listed; }
    void push_back(ReportLine line)
    {
        ++m_total;
        if (!full())
            m_lines.push_back(std::move(line));
    }
    // A line beyond those listed, counted without its text.
    void countUnlisted() { ++m_total; }

    bool empty() const { return m_total == 0; }
    std::size_t size() const { return m_lines.size(); } ///< the lines listed
    std::uint64_t total() const { return m_total; }
    std::uint64_t unlisted() const { return m_total - m_lines.size(); }
    const ReportLine& operator[](std::size_t at) const { return m_lines[at]; }
    auto begin() const { return m_lines.begin(); }
    auto end() const { return m_lines.end(); }

private:
    std::vector<ReportLine> m_lines;
    std::uint64_t m_total = 0;
};

// What an import did. Every book read is added, skipped as a duplicate or
// refused: read == added + skipped + refused.
struct ImportReport {
    std::string kind;
    std::uint64_t read = 0;
    std::uint64_t added = 0;
    std::uint64_t skipped = 0;      ///< duplicates not added
    std::uint64_t refused = 0;
    std::uint64_t changedBooks = 0; ///< books written with a value changed
    ReportLines changes;
    ReportLines duplicates; ///< skipped, or added anyway with --anche-doppioni
    ReportLines refusals;
    std::vector<std::pair<std::string, std::uint64_t>> ignoredColumns; ///< with their values not empty
    std::vector<RepeatedColumn> repeatedColumns;
    std::vector<std::string> addedColumns; ///< standard columns the catalogue lacked
    // The lines the import wrote in the loans' table for the books it brought in
    // lent, kept only when ImportOptions::keepLoanLines asks: Annulla takes them
    // back with the books.
    catalogue::LedgerChanges loanLines;

    // 0 when every book was added or skipped as a duplicate, 1 when a value was
    // changed, a row refused or a column's values left out.
    int exitStatus() const;
};

// Who reads the report: the window never speaks of the command line's options.
enum class ReportReader { CommandLine, Window };

// The report for the user, in Italian.
std::string reportText(const ImportReport& report, ReportReader reader = ReportReader::CommandLine);

} // namespace bookimport
