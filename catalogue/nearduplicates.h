#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

struct sqlite3;

namespace catalogue {

// Every group of books of `dorvi` joined by the duplicate rule (areDuplicates),
// each in iddorvo order, the groups in the order of their first book. A group is
// the books linked by one duplicate after another, so a book is listed once: a
// copy without an ISBN of a book in two editions makes one group with both. One
// pass keeps a 64-bit hash of each book's ISBN and of its name (16 bytes each),
// sorted; only the books whose hashes meet another's are read again, and grouped
// by their keys, so two books are never grouped by a hash alone. A large
// catalogue is read in parts of at least `smallestPart` books side by side.
constexpr std::size_t defaultSmallestPart = 100'000;
std::vector<std::vector<std::int64_t>> findDuplicateGroups(sqlite3* db,
                                                           std::size_t smallestPart = defaultSmallestPart);

// The identities of a catalogue's books, for the notice when a book is written:
// built once, in memory, holding no connection, kept as sorted arrays of hashes
// (16 bytes an ISBN or a name) plus the books written since; a match is checked
// against the book in the file, so a book removed or changed since leaves behind
// only hashes that match nothing. Whoever keeps one makes it again when books
// change without passing through duplicateOf, or the fields change.
class NearDuplicateIndex {
public:
    explicit NearDuplicateIndex(sqlite3* db);

    // The first other book of the file `db` that the book `id` now in it
    // duplicates; the book is added to the index as it now is. The file is the
    // judge: a book changed or restored since the index was made is read as it is.
    std::optional<std::int64_t> duplicateOf(sqlite3* db, std::int64_t id);

    // Whether the index was made for the fields `db` has now: one made before the
    // catalogue had an isbn column (or after it lost one) reads the books wrongly.
    bool fitsFieldsOf(sqlite3* db) const;

private:
    bool m_hasIsbn = false;
    std::vector<std::pair<std::uint64_t, std::int64_t>> m_sorted;
    std::unordered_multimap<std::uint64_t, std::int64_t> m_added;
};

} // namespace catalogue
