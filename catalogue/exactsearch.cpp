// The window's exact searches under the old engine's letter rule. The window keeps
// writing "select * from dorvi where autore='…';" and states the search beside it;
// a result set given a search runs the statement made here instead: the same rows the
// column's own comparison finds, and also those that differ from the answer only
// in the case of letters beyond A-Z ("NICCOLÒ" = "Niccolò", "È" = "è"). Nothing is
// stored in the file: the one function the statement may call is registered on the
// connection, so the stock sqlite3 shell reads and writes the catalogue as before.
#include "exactsearch.h"

#include "fieldschema.h"

#include "fold.h"
#include "sqltext.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace catalogue {

namespace {

// At most this many spellings are looked up one by one. A name with two accented
// capitals has 4; "I promessi sposi" has 16 through its s (ſ, the long s, folds to
// s). Each costs one index probe, about a microsecond at a million rows.
constexpr std::size_t maxSpellings = 32;

// The spellings of the letter at `at` that the column's order tells apart: its case
// variants, less the capitals A-Z where the order takes them as small letters.
std::vector<std::string> spellingsAt(std::string_view answer, std::size_t at, TextOrder order, std::size_t& length)
{
    const Utf8Char c = readUtf8(answer, at);
    length = c.length;
    if (!c.valid)
        return {std::string(answer.substr(at, 1))};
    std::vector<std::string> spellings;
    for (char32_t variant : caseVariants(c.value)) {
        if (order == TextOrder::NoCase && variant >= U'A' && variant <= U'Z')
            continue;
        std::string spelling;
        appendUtf8(spelling, variant);
        spellings.push_back(std::move(spelling));
    }
    return spellings;
}

// The smallest text above every text that begins with `prefix`, byte for byte;
// nothing when every text beginning with it qualifies.
std::optional<std::string> successor(std::string prefix)
{
    while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF)
        prefix.pop_back();
    if (prefix.empty())
        return std::nullopt;
    prefix.back() = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
    return prefix;
}

std::string parameter(std::size_t number)
{
    return "?" + std::to_string(number);
}

bool hasTextAffinity(const char* declaredType)
{
    return affinityOf(declaredType ? declaredType : "") == Affinity::Text;
}

std::optional<TextOrder> textOrderOf(const char* collation)
{
    const std::string_view name = collation ? collation : "BINARY";
    const auto is = [&](std::string_view known) {
        return std::equal(name.begin(), name.end(), known.begin(), known.end(),
                          [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
    };
    if (is("NOCASE"))
        return TextOrder::NoCase;
    if (is("BINARY") || is("RTRIM"))
        return TextOrder::Binary;
    return std::nullopt;
}

// The ranges compare bytes, which follow the letters' order only in UTF-8.
bool storesUtf8(sqlite3* db)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA encoding", -1, &raw, nullptr) != SQLITE_OK)
        return false;
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    if (sqlite3_step(raw) != SQLITE_ROW)
        return false;
    const auto* encoding = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
    return encoding && std::string_view(encoding) == "UTF-8";
}

std::string_view textOf(sqlite3_value* value)
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return bytes ? std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value))) : std::string_view();
}

// same_letters(value, answer). The answer's key is folded once a statement and
// kept with it.
void sameLetters(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) != SQLITE_TEXT || sqlite3_value_type(arguments[1]) != SQLITE_TEXT) {
        sqlite3_result_int(context, 0);
        return;
    }
    try {
        std::string folded;
        const auto* key = static_cast<const std::string*>(sqlite3_get_auxdata(context, 1));
        if (!key) {
            folded = foldCase(textOf(arguments[1]));
            key = &folded;
            sqlite3_set_auxdata(context, 1, new std::string(folded),
                                [](void* kept) { delete static_cast<std::string*>(kept); });
        }
        sqlite3_result_int(context, foldCase(textOf(arguments[0])) == *key);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    }
}

} // namespace

BoundSearch letterRuleSearch(const ExactSearch& search, TextOrder order, bool rangesAllowed)
{
    const std::string column = quotedIdentifier(search.column);
    const std::string select = "SELECT * FROM " + quotedIdentifier(search.table) + " WHERE ";
    const std::string_view answer = search.answer;

    // The spellings of the answer's leading letters, as far as they stay few.
    std::vector<std::string> spellings{std::string()};
    std::size_t at = 0;
    while (at < answer.size()) {
        std::size_t length = 0;
        const std::vector<std::string> choices = spellingsAt(answer, at, order, length);
        if (spellings.size() * choices.size() > maxSpellings)
            break;
        std::vector<std::string> longer;
        longer.reserve(spellings.size() * choices.size());
        for (const std::string& spelling : spellings) {
            for (const std::string& choice : choices)
                longer.push_back(spelling + choice);
        }
        spellings = std::move(longer);
        at += length;
    }

    BoundSearch bound;
    if (at == answer.size()) {
        std::string list;
        for (std::size_t i = 0; i < spellings.size(); ++i)
            list += (i ? ", " : "") + parameter(i + 1);
        bound.sql = select + column + " IN (" + list + ")";
        bound.values = std::move(spellings);
        return bound;
    }

    bound.needsLetterRule = true;
    std::string ranges;
    if (rangesAllowed) {
        for (const std::string& prefix : spellings) {
            std::string range = column + " >= " + parameter(bound.values.size() + 1);
            bound.values.push_back(prefix);
            if (std::optional<std::string> above = successor(prefix)) {
                range += " AND " + column + " < " + parameter(bound.values.size() + 1);
                bound.values.push_back(std::move(*above));
            }
            ranges += (ranges.empty() ? "(" : " OR ") + range;
        }
        ranges += ") AND ";
    }
    const std::string answerParameter = parameter(bound.values.size() + 1);
    bound.values.emplace_back(answer);
    bound.sql = select + ranges + "(" + column + " = " + answerParameter + " OR same_letters(" + column + ", " +
                answerParameter + "))";
    return bound;
}

std::optional<BoundSearch> planExactSearch(sqlite3* db, const ExactSearch& search)
{
    const char* declaredType = nullptr;
    const char* collation = nullptr;
    if (sqlite3_table_column_metadata(db, nullptr, search.table.c_str(), search.column.c_str(), &declaredType,
                                      &collation, nullptr, nullptr, nullptr) != SQLITE_OK ||
        !hasTextAffinity(declaredType)) {
        return std::nullopt;
    }
    const std::optional<TextOrder> order = textOrderOf(collation);
    if (!order)
        return std::nullopt;
    BoundSearch bound = letterRuleSearch(search, *order);
    if (bound.needsLetterRule) {
        if (!storesUtf8(db))
            bound = letterRuleSearch(search, *order, false);
        registerLetterRule(db);
    }
    return bound;
}

void registerLetterRule(sqlite3* db)
{
    sqlite3_create_function_v2(db, "same_letters", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                               sameLetters, nullptr, nullptr, nullptr);
}

} // namespace catalogue
