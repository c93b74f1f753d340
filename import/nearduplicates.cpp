#include "nearduplicates.h"

#include "duplicates.h"
#include "fieldnames.h"
#include "fold.h"
#include "partedscan.h"
#include "standardfields.h"
#include "statement.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace bookimport {

namespace {

// Folded, as foldCaseAndAccents leaves them, each with the character that ends it.
constexpr std::array<std::string_view, 13> articles{"il ", "la ", "lo ", "l'", "i ", "gli ", "le ",
                                                    "un ", "una ", "un'", "the ", "a ", "an "};

bool isWordByte(unsigned char c)
{
    // Bytes of multi-byte characters are letters of some script: kept.
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c >= 0x80;
}

bool blank(std::string_view text)
{
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// Letters and digits only, with a leading article dropped: "L'Odissea" and
// "Odissea.", "Il  nome della rosa" and "Nome della rosa!" read the same.
// Appended to `out`; `folded` is the caller's buffer, so a pass over a million
// books allocates nothing per book.
void appendNearText(std::string& out, std::string& folded, std::string_view text)
{
    folded.clear();
    catalogue::appendFoldCaseAndAccents(folded, text);
    // Typographic apostrophes as the plain one, before the article is read.
    for (std::size_t at; (at = folded.find("\xE2\x80\x99")) != std::string::npos;) {
        folded[at] = '\'';
        folded.erase(at + 1, 2);
    }
    const std::size_t start = folded.find_first_not_of(" \t\r\n");
    std::string_view rest = start == std::string::npos ? std::string_view() : std::string_view(folded).substr(start);
    for (const std::string_view article : articles) {
        if (rest.size() > article.size() && rest.substr(0, article.size()) == article) {
            rest.remove_prefix(article.size());
            break;
        }
    }
    for (const char c : rest) {
        if (isWordByte(static_cast<unsigned char>(c)))
            out += c;
    }
}

std::optional<std::string> owned(std::optional<std::string_view> text)
{
    return text ? std::optional<std::string>(std::string(*text)) : std::nullopt;
}

// The near key of a book made in `key`, whose buffer is reused; false when the
// book has none. nearDuplicateKey says what the key is.
bool makeNearKey(std::string& key, std::string& folded, std::optional<std::string_view> isbn,
                 std::optional<std::string_view> author, std::optional<std::string_view> title)
{
    const auto exact = [&] {
        const std::optional<std::string> made = duplicateKey(owned(isbn), owned(author), owned(title));
        key = made.value_or(std::string());
        return made.has_value();
    };
    // An ISBN decides alone, as in the import.
    if ((isbn && !blank(*isbn)) || !author || !title || blank(*author) || blank(*title))
        return exact();
    key.assign(1, 'N');
    appendNearText(key, folded, *author);
    key += '\x1F';
    appendNearText(key, folded, *title);
    // A title of punctuation only keeps its exact key rather than matching every other.
    return key[1] == '\x1F' || key.back() == '\x1F' ? exact() : true;
}

std::uint64_t hashOf(const std::string& key)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::optional<std::string_view> column(sqlite3_stmt* statement, int index)
{
    const unsigned char* text = sqlite3_column_text(statement, index);
    if (!text)
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(text),
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, index)));
}

bool hasIsbn(sqlite3* db)
{
    return catalogue::hasColumn(catalogue::catalogueColumns(db), "isbn");
}

const char* booksStatement(bool isbn)
{
    return isbn ? "SELECT iddorvo, isbn, autore, titolo FROM dorvi" : "SELECT iddorvo, NULL, autore, titolo FROM dorvi";
}

const char* bookStatement(bool isbn)
{
    return isbn ? "SELECT isbn, autore, titolo FROM dorvi WHERE iddorvo = ?"
                : "SELECT NULL, autore, titolo FROM dorvi WHERE iddorvo = ?";
}

using HashedBooks = std::vector<std::pair<std::uint64_t, std::int64_t>>;

// (hash, iddorvo) of the books of `dorvi` meeting `condition` that have a key, sorted.
HashedBooks hashBooks(sqlite3* db, bool isbn, const std::string& condition)
{
    HashedBooks books;
    catalogue::Statement all(db, std::string(booksStatement(isbn)) + " WHERE " + condition);
    sqlite3_stmt* s = all.handle();
    std::string key;
    std::string folded;
    while (all.step()) {
        if (makeNearKey(key, folded, column(s, 1), column(s, 2), column(s, 3)))
            books.emplace_back(hashOf(key), sqlite3_column_int64(s, 0));
    }
    std::sort(books.begin(), books.end());
    return books;
}

// (hash, iddorvo) of every book with a key, sorted. Folding is most of the pass,
// so a large catalogue is hashed in parts side by side.
HashedBooks hashedBooks(sqlite3* db, bool isbn, std::size_t smallestPart)
{
    const catalogue::PartedScan scan(db, smallestPart);
    std::vector<HashedBooks> parts(scan.parts());
    scan.run([&](sqlite3* partDb, const std::string& condition, std::size_t part) {
        parts[part] = hashBooks(partDb, isbn, condition);
    });
    HashedBooks books = std::move(parts.front());
    for (std::size_t part = 1; part < parts.size(); ++part) {
        const auto middle = books.insert(books.end(), parts[part].begin(), parts[part].end());
        std::inplace_merge(books.begin(), middle, books.end());
    }
    return books;
}

class BookKeys {
public:
    BookKeys(sqlite3* db, bool isbn) : m_book(db, bookStatement(isbn)) {}
    std::optional<std::string> of(std::int64_t id)
    {
        m_book.reset();
        m_book.bind(1, id);
        if (!m_book.step())
            return std::nullopt;
        sqlite3_stmt* s = m_book.handle();
        std::string key;
        std::string folded;
        if (!makeNearKey(key, folded, column(s, 0), column(s, 1), column(s, 2)))
            return std::nullopt;
        return key;
    }

private:
    catalogue::Statement m_book;
};

} // namespace

std::optional<std::string> nearDuplicateKey(const std::optional<std::string>& isbn,
                                            const std::optional<std::string>& author,
                                            const std::optional<std::string>& title)
{
    const auto view = [](const std::optional<std::string>& text) {
        return text ? std::optional<std::string_view>(*text) : std::nullopt;
    };
    std::string key;
    std::string folded;
    if (!makeNearKey(key, folded, view(isbn), view(author), view(title)))
        return std::nullopt;
    return key;
}

std::vector<std::vector<std::int64_t>> findDuplicateGroups(sqlite3* db, std::size_t smallestPart)
{
    const bool isbn = hasIsbn(db);
    const auto books = hashedBooks(db, isbn, smallestPart);
    BookKeys keys(db, isbn);
    std::vector<std::vector<std::int64_t>> groups;
    for (std::size_t first = 0; first < books.size();) {
        std::size_t end = first + 1;
        while (end < books.size() && books[end].first == books[first].first)
            ++end;
        if (end - first > 1) {
            // Books whose hashes meet, split by their keys read again.
            std::vector<std::pair<std::string, std::int64_t>> keyed;
            for (std::size_t i = first; i < end; ++i) {
                if (auto key = keys.of(books[i].second))
                    keyed.emplace_back(std::move(*key), books[i].second);
            }
            std::sort(keyed.begin(), keyed.end());
            for (std::size_t a = 0; a < keyed.size();) {
                std::size_t b = a + 1;
                while (b < keyed.size() && keyed[b].first == keyed[a].first)
                    ++b;
                if (b - a > 1) {
                    std::vector<std::int64_t> group;
                    for (std::size_t i = a; i < b; ++i)
                        group.push_back(keyed[i].second);
                    groups.push_back(std::move(group));
                }
                a = b;
            }
        }
        first = end;
    }
    std::sort(groups.begin(), groups.end());
    return groups;
}

NearDuplicateIndex::NearDuplicateIndex(sqlite3* db)
    : m_hasIsbn(hasIsbn(db)), m_sorted(hashedBooks(db, m_hasIsbn, defaultSmallestPart))
{
}

std::optional<std::int64_t> NearDuplicateIndex::duplicateOf(sqlite3* db, std::int64_t id)
{
    BookKeys keys(db, m_hasIsbn);
    const std::optional<std::string> key = keys.of(id);
    if (!key)
        return std::nullopt;
    const std::uint64_t hash = hashOf(*key);
    std::vector<std::int64_t> candidates;
    for (auto at = std::lower_bound(m_sorted.begin(), m_sorted.end(), std::make_pair(hash, INT64_MIN));
         at != m_sorted.end() && at->first == hash; ++at)
        candidates.push_back(at->second);
    const auto [from, to] = m_added.equal_range(hash);
    for (auto at = from; at != to; ++at)
        candidates.push_back(at->second);
    std::optional<std::int64_t> found;
    for (const std::int64_t candidate : candidates) {
        if (candidate != id && (!found || candidate < *found) && keys.of(candidate) == key)
            found = candidate;
    }
    if (std::find(candidates.begin(), candidates.end(), id) == candidates.end())
        m_added.emplace(hash, id);
    return found;
}

} // namespace bookimport
