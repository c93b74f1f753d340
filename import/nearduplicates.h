#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct sqlite3;

namespace bookimport {

// The import's duplicate rule (duplicateKey), widened for the window to books
// that are nearly the same: with no ISBN on either side, titles and authors that
// differ only in punctuation, spaces or a leading article ("Il", "La", "Lo", "L'",
// "I", "Gli", "Le", "Un", "Una", "Un'", "The", "A", "An"). Two books the import
// takes as duplicates always have the same near key.
std::optional<std::string> nearDuplicateKey(const std::optional<std::string>& isbn,
                                            const std::optional<std::string>& author,
                                            const std::optional<std::string>& title);

// Every group of two or more books of `dorvi` sharing a near key, each in
// iddorvo order, the groups in the order of their first book. One pass keeps a
// 64-bit hash and the key of each book (16 bytes), sorted; only books whose
// hashes meet are read again, so two books are never grouped by a hash alone.
// A large catalogue is read in parts of at least `smallestPart` books side by side.
constexpr std::size_t defaultSmallestPart = 100'000;
std::vector<std::vector<std::int64_t>> findDuplicateGroups(sqlite3* db,
                                                           std::size_t smallestPart = defaultSmallestPart);

// The near keys of a catalogue's books, for the notice when a book is written:
// built once, in memory, holding no connection, kept as a sorted array of hashes (16 bytes a book) plus
// the books written since; a match is checked against the book in the file.
class NearDuplicateIndex {
public:
    explicit NearDuplicateIndex(sqlite3* db);

    // Another book of the file `db` under the same near key as the book `id` now
    // in it; the book is added to the index under its present key. The file is the
    // judge: a book changed or restored since the index was made is read as it is.
    std::optional<std::int64_t> duplicateOf(sqlite3* db, std::int64_t id);

private:
    bool m_hasIsbn = false;
    std::vector<std::pair<std::uint64_t, std::int64_t>> m_sorted;
    std::unordered_multimap<std::uint64_t, std::int64_t> m_added;
};

} // namespace bookimport
