// The grouping of one field's stored values into the summary's bars. It lives for
// one summary and holds views of texts its caller keeps; nothing is read from the
// file here. Every book counted in a group is listed by that group's condition and
// no other book is.
#include "valuegroups.h"

#include "fold.h"
#include "sqltext.h"

#include <algorithm>
#include <set>

namespace catalogue {

namespace {

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool validUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Char c = readUtf8(text, at);
        if (!c.valid)
            return false;
        at += c.length;
    }
    return true;
}

// A text as a literal: quoted when it can travel through the window's Unicode
// strings unchanged, else as its bytes, so a damaged value is still listed.
std::string textLiteral(std::string_view text)
{
    if (validUtf8(text) && text.find('\0') == std::string_view::npos)
        return "'" + quotedTextBody(text) + "'";
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string hex = "CAST(X'";
    for (const char byte : text) {
        hex += digits[static_cast<unsigned char>(byte) >> 4];
        hex += digits[static_cast<unsigned char>(byte) & 0xF];
    }
    return hex + "' AS TEXT)";
}

// The spelling most books use; of two as common, the one sorting first (capitals
// before small letters).
std::string commonSpelling(const std::map<std::string, std::int64_t, std::less<>>& spellings)
{
    auto best = spellings.begin();
    for (auto it = spellings.begin(); it != spellings.end(); ++it) {
        if (it->second > best->second)
            best = it;
    }
    return best->first;
}

} // namespace

ValueGroups::ValueGroups(std::string column, Parts parts) : m_column(std::move(column)), m_parts(parts)
{
}

std::vector<std::string_view> ValueGroups::partsOf(std::string_view stored) const
{
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t comma = m_parts == Parts::CommaList ? stored.find(',') : std::string_view::npos;
        if (const std::string_view part = trimmed(stored.substr(0, comma)); !part.empty())
            parts.push_back(part);
        if (comma == std::string_view::npos)
            return parts;
        stored.remove_prefix(comma + 1);
    }
}

void ValueGroups::add(std::string_view stored, std::int64_t books)
{
    std::set<std::string> seen; // "Giallo, giallo" is one genre for its book
    for (const std::string_view part : partsOf(stored)) {
        std::string key = foldCase(part);
        if (!seen.insert(key).second)
            continue;
        Group& group = m_groups[std::move(key)];
        group.books += books;
        group.spellings[std::string(part)] += books;
        group.stored.push_back(stored);
    }
    if (seen.empty()) {
        m_blank += books;
        m_blankStored.push_back(stored);
    }
}

std::string ValueGroups::storedCondition(std::vector<std::string_view> stored) const
{
    std::sort(stored.begin(), stored.end());
    std::string list;
    for (const std::string_view value : stored)
        list += (list.empty() ? "" : ", ") + textLiteral(value);
    return quotedIdentifier(m_column) + " COLLATE BINARY IN (" + list + ")";
}

// Ranked before anything is spelled out: of ten thousand authors only the first
// twenty get a label and a condition.
std::vector<SummaryCount> ValueGroups::counts(std::size_t limit, const std::string& blankLabel) const
{
    std::vector<const Group*> ranked;
    ranked.reserve(m_groups.size() + 1);
    for (const auto& [key, group] : m_groups)
        ranked.push_back(&group);
    const Group blank{{}, m_blank + m_nulls, m_blankStored};
    if (blank.books > 0)
        ranked.push_back(&blank);
    // The groups come in the order of their keys, so books alone decide.
    std::stable_sort(ranked.begin(), ranked.end(), [](const Group* a, const Group* b) { return a->books > b->books; });
    if (ranked.size() > limit)
        ranked.resize(limit);
    std::vector<SummaryCount> counts;
    for (const Group* group : ranked) {
        if (group != &blank) {
            counts.push_back({commonSpelling(group->spellings), group->books, storedCondition(group->stored)});
            continue;
        }
        std::string where = quotedIdentifier(m_column) + " IS NULL";
        if (!m_blankStored.empty())
            where = "(" + where + " OR " + storedCondition(m_blankStored) + ")";
        counts.push_back({blankLabel, blank.books, where, true});
    }
    return counts;
}

} // namespace catalogue
