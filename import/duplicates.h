#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace bookimport {

// What makes two books the same: the same ISBN-13 or, when neither has an ISBN,
// the same author and title with letter case, accents and runs of spaces
// ignored. A book with no ISBN, author or title has no key and matches nothing.
std::optional<std::string> duplicateKey(const std::optional<std::string>& isbn,
                                        const std::optional<std::string>& author,
                                        const std::optional<std::string>& title);

// The books of a catalogue by key, and those an import adds as it goes. Keeps a
// 64-bit hash and a key (iddorvo) per book, 16 bytes in a table kept at most
// half full, never the texts: a hash
// that matches is checked against the book itself, so two different books whose
// hashes meet are never taken for each other.
class DuplicateIndex {
public:
    // Reads the keys of every book of `dorvi` (whose isbn column may be missing).
    explicit DuplicateIndex(sqlite3* db);

    // The iddorvo of the book already known under this key, if any.
    std::optional<std::int64_t> find(const std::string& key) const;
    // A book written under this key.
    void add(const std::string& key, std::int64_t id);

private:
    std::optional<std::string> keyOfBook(std::int64_t id) const;

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

} // namespace bookimport
