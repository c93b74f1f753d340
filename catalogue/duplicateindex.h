#pragma once

#include "bookidentity.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

// The books of a catalogue by their identity, and those an import adds as it
// goes, for the duplicate rule (areDuplicates). A book with an ISBN is kept under
// its ISBN and under its name, a book without one under its name in a table of
// its own: a book with an ISBN matches a book without one by name, never another
// edition. Each entry is a 64-bit hash and a key (iddorvo), 16 bytes in a table
// kept at most half full, never the texts: a hash that matches is checked against
// the book itself, so two different books whose hashes meet are never taken for
// each other.
class DuplicateIndex {
public:
    // Reads the identities of every book of `dorvi` (whose isbn column may be missing).
    explicit DuplicateIndex(sqlite3* db);

    // The iddorvo of a book already known that `book` duplicates, if any.
    std::optional<std::int64_t> find(const BookIdentity& book) const;
    // A book written with this identity.
    void add(const BookIdentity& book, std::int64_t id);

private:
    // The kinds of entry, each its own hash space.
    static constexpr char byIsbn = 'I';
    static constexpr char namedWithIsbn = 'N';
    static constexpr char namedWithoutIsbn = 'M';

    std::optional<std::int64_t> match(char kind, const std::string& key, const BookIdentity& book) const;
    void insert(char kind, const std::string& key, std::int64_t id);
    BookIdentity identityOfBook(std::int64_t id) const;

    struct Slot {
        std::uint64_t hash = 0; ///< 0: empty
        std::int64_t id = 0;
    };
    // Open addressing over one array: a look-up is one cache miss, where a node
    // map took two or more (a tenth of a 200,000-book import's own time).
    std::size_t slotOf(std::uint64_t hash) const;
    void grow();

    sqlite3* m_db;
    bool m_hasIsbn = false;
    std::vector<Slot> m_slots = std::vector<Slot>(1 << 16);
    std::size_t m_used = 0;
};

} // namespace catalogue
