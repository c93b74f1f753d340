#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

// One pass over every book of `dorvi` cut into parts read side by side, each on a
// read-only connection of its own over a range of iddorvo. A pass that folds or
// counts a million books spends most of its time on one processor; two parts on
// two processors take a little over half as long.
//
// The pass stays whole, on the caller's connection, when cutting it could change
// what is read or would not pay: a catalogue of fewer than two parts' books, one
// not in a file (in memory), a connection inside a transaction (the others would
// not see its changes), or a table whose iddorvo is not the row's key.
class PartedScan {
public:
    // `smallestPart`: the fewest books worth a thread of their own.
    explicit PartedScan(sqlite3* db, std::size_t smallestPart = 100'000, unsigned processors = 0);

    std::size_t parts() const { return m_bounds.empty() ? 1 : m_bounds.size() - 1; }

    // Calls `scan(db, condition, part)` once for each part, side by side, and
    // waits for all: `condition` is an SQL condition on `dorvi` ("1" for the whole
    // table) that the part's statement adds to its WHERE. The first failure of
    // any part is thrown here, after every part has stopped.
    using Scan = std::function<void(sqlite3* db, const std::string& condition, std::size_t part)>;
    void run(const Scan& scan) const;

private:
    std::string condition(std::size_t part) const;

    sqlite3* m_db;
    std::string m_path;
    std::vector<std::int64_t> m_bounds; ///< part k is bounds[k] <= iddorvo < bounds[k + 1]
};

} // namespace catalogue
