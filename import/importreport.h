#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace bookimport {

// A book of the source named in the report: where it stands in the source, its
// author and title, and what happened to it.
struct ReportLine {
    std::string where;   ///< "riga 12"
    std::string book;    ///< «autore», «titolo»
    std::string column;  ///< for a changed value
    std::string text;    ///< the reason, or the book matched
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
    std::vector<ReportLine> changes;
    std::vector<ReportLine> duplicates; ///< skipped, or added anyway with --anche-doppioni
    std::vector<ReportLine> refusals;
    std::vector<std::pair<std::string, std::uint64_t>> ignoredColumns; ///< with their values not empty
    std::vector<std::string> addedColumns; ///< standard columns the catalogue lacked

    // 0 when every book was added or skipped as a duplicate, 1 when a value was
    // changed, a row refused or a column's values left out.
    int exitStatus() const;
};

// The report for the user, in Italian.
std::string reportText(const ImportReport& report);

} // namespace bookimport
