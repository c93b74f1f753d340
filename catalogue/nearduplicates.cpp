// Duplicates in a whole catalogue: the groups of Trova doppioni and the index of
// the notice below the grid, both by the one rule of bookidentity.h. What stays in
// memory is hashes and keys, 16 bytes an ISBN or a name; the texts are read again
// only for the books whose hashes meet.
#include "nearduplicates.h"

#include "bookidentity.h"
#include "fieldnames.h"
#include "partedscan.h"
#include "standardfields.h"
#include "statement.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <sqlite3.h>

namespace catalogue {

namespace {

constexpr char byIsbn = 'I';
constexpr char byName = 'N';

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

void addHashes(HashedBooks& books, const BookIdentity& identity, std::int64_t id)
{
    if (identity.hasIsbn())
        books.emplace_back(identityHash(byIsbn, identity.isbn), id);
    if (identity.hasName())
        books.emplace_back(identityHash(byName, identity.name), id);
}

// (hash, iddorvo) of the ISBN and the name of the books of `dorvi` meeting
// `condition`, sorted.
HashedBooks hashBooks(sqlite3* db, bool isbn, const std::string& condition)
{
    HashedBooks books;
    catalogue::Statement all(db, std::string(booksStatement(isbn)) + " WHERE " + condition);
    sqlite3_stmt* s = all.handle();
    IdentityMaker maker;
    BookIdentity identity;
    while (all.step()) {
        maker.makeFromRow(identity, s, 1);
        addHashes(books, identity, sqlite3_column_int64(s, 0));
    }
    std::sort(books.begin(), books.end());
    return books;
}

// The same for every book. Folding is most of the pass, so a large catalogue is
// hashed in parts side by side.
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
    BookIdentity of(std::int64_t id)
    {
        BookIdentity identity;
        m_book.reset();
        m_book.bind(1, id);
        if (m_book.step()) {
            sqlite3_stmt* s = m_book.handle();
            m_maker.makeFromRow(identity, s, 0);
        }
        return identity;
    }

private:
    catalogue::Statement m_book;
    IdentityMaker m_maker;
};

// The books whose ISBN or name hash meets another book's, in iddorvo order.
std::vector<std::int64_t> candidates(const HashedBooks& books)
{
    std::vector<std::int64_t> ids;
    for (std::size_t first = 0; first < books.size();) {
        std::size_t end = first + 1;
        while (end < books.size() && books[end].first == books[first].first)
            ++end;
        for (std::size_t i = first; end - first > 1 && i < end; ++i)
            ids.push_back(books[i].second);
        first = end;
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

// Books joined into groups, each the root of a tree of the books it is joined to.
class Joined {
public:
    explicit Joined(std::size_t books) : m_parent(books) { std::iota(m_parent.begin(), m_parent.end(), 0); }
    std::size_t root(std::size_t book)
    {
        while (m_parent[book] != book)
            book = m_parent[book] = m_parent[m_parent[book]];
        return book;
    }
    void join(std::size_t a, std::size_t b) { m_parent[root(a)] = root(b); }

private:
    std::vector<std::size_t> m_parent;
};

// The groups among `ids` by their identities read from the file: the same ISBN
// joins; a book without an ISBN joins every book of its name.
std::vector<std::vector<std::int64_t>> groupsOf(const std::vector<std::int64_t>& ids,
                                                const std::vector<BookIdentity>& identities)
{
    Joined joined(ids.size());
    std::unordered_map<std::string_view, std::size_t> firstOfIsbn;
    std::unordered_map<std::string_view, std::vector<std::size_t>> ofName;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const BookIdentity& book = identities[i];
        if (book.hasIsbn()) {
            const auto [at, fresh] = firstOfIsbn.emplace(book.isbn, i);
            if (!fresh)
                joined.join(i, at->second);
        }
        if (book.hasName())
            ofName[book.name].push_back(i);
    }
    for (const auto& [name, books] : ofName) {
        const bool anyWithoutIsbn = std::any_of(books.begin(), books.end(),
                                                [&](std::size_t i) { return !identities[i].hasIsbn(); });
        for (std::size_t k = 1; anyWithoutIsbn && k < books.size(); ++k)
            joined.join(books[k], books[0]);
    }
    std::unordered_map<std::size_t, std::vector<std::int64_t>> byRoot;
    for (std::size_t i = 0; i < ids.size(); ++i)
        byRoot[joined.root(i)].push_back(ids[i]); // ids are in order, so each group is too
    std::vector<std::vector<std::int64_t>> groups;
    for (auto& [root, group] : byRoot) {
        if (group.size() > 1)
            groups.push_back(std::move(group));
    }
    std::sort(groups.begin(), groups.end());
    return groups;
}

} // namespace

std::vector<std::vector<std::int64_t>> findDuplicateGroups(sqlite3* db, std::size_t smallestPart)
{
    const bool isbn = hasIsbn(db);
    const std::vector<std::int64_t> ids = candidates(hashedBooks(db, isbn, smallestPart));
    BookKeys keys(db, isbn);
    std::vector<BookIdentity> identities;
    identities.reserve(ids.size());
    for (const std::int64_t id : ids)
        identities.push_back(keys.of(id));
    return groupsOf(ids, identities);
}

NearDuplicateIndex::NearDuplicateIndex(sqlite3* db)
    : m_hasIsbn(hasIsbn(db)), m_sorted(hashedBooks(db, m_hasIsbn, defaultSmallestPart))
{
}

bool NearDuplicateIndex::fitsFieldsOf(sqlite3* db) const
{
    return hasIsbn(db) == m_hasIsbn;
}

std::optional<std::int64_t> NearDuplicateIndex::duplicateOf(sqlite3* db, std::int64_t id)
{
    BookKeys keys(db, m_hasIsbn);
    const BookIdentity book = keys.of(id);
    HashedBooks hashes;
    addHashes(hashes, book, id);
    std::vector<std::int64_t> candidates;
    for (const auto& [hash, self] : hashes) {
        bool known = false;
        for (auto at = std::lower_bound(m_sorted.begin(), m_sorted.end(), std::make_pair(hash, INT64_MIN));
             at != m_sorted.end() && at->first == hash; ++at) {
            candidates.push_back(at->second);
            known = known || at->second == id;
        }
        const auto [from, to] = m_added.equal_range(hash);
        for (auto at = from; at != to; ++at) {
            candidates.push_back(at->second);
            known = known || at->second == id;
        }
        if (!known)
            m_added.emplace(hash, id);
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (const std::int64_t candidate : candidates) {
        if (candidate != id && areDuplicates(book, keys.of(candidate)))
            return candidate;
    }
    return std::nullopt;
}

} // namespace catalogue
