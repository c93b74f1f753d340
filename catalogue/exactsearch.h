#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace catalogue {

// One of the window's exact searches: the books of `table` whose `column` equals
// `answer`. The window states it beside its statement text, which it keeps as
// "select * from <table> where <column>='<answer>';" with the quotes doubled.
struct ExactSearch {
    std::string table;
    std::string column;
    std::string answer; ///< as typed, quotes not doubled
};

// How the column's collation orders text, and so how its index is ordered.
enum class TextOrder {
    NoCase, ///< A-Z taken as a-z, every other byte as it is
    Binary, ///< byte for byte (BINARY, and RTRIM, which only adds trailing spaces)
};

// A statement with the text values to bind to ?1, ?2, ... in turn.
struct BoundSearch {
    std::string sql;
    std::vector<std::string> values;
    bool needsLetterRule = false; ///< calls same_letters(), see registerLetterRule
};

// The statement that finds the rows whose column equals the answer under the old
// engine's rule (case ignored for every letter, accents and spaces counting), and
// every row the column's own comparison finds. It keeps to the column's index:
// either the answer's few case variants looked up one by one, or, when they are too
// many, ranges over the variants of its first letters, confirmed by same_letters().
// `rangesAllowed` is false when the file's text is not UTF-8, whose byte order the
// ranges rely on; the letter rule then reads every row.
BoundSearch letterRuleSearch(const ExactSearch& search, TextOrder order, bool rangesAllowed = true);

// The statement for `search` on `db`, or nothing when the column is not text, has a
// collation of its own or does not exist: the source then runs as it is, and the
// engine reports what is wrong with it. Registers same_letters() when needed.
std::optional<BoundSearch> planExactSearch(sqlite3* db, const ExactSearch& search);

// Makes same_letters(value, answer) known on `db`: true when both are text that
// folds to the same key under the old engine's rule. Lives on the connection only,
// never in the file.
void registerLetterRule(sqlite3* db);

} // namespace catalogue
