#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class ToolHost;

namespace catalogue {
class Recordset;
}

// The books a tool acts on: those selected in the grid, or the one under the
// cursor when none is, each as its row in the result shown and its iddorvo.
struct ChosenBook {
    std::size_t row = 0;
    std::int64_t id = 0;
};

// The iddorvo of the book on `row` of `result`; none without the column.
std::optional<std::int64_t> bookIdAt(const catalogue::Recordset& result, std::size_t row);

// The books the host's grid has chosen, in the grid's order, as rows of the result
// it shows; none when its result has no iddorvo or nothing is chosen.
std::vector<ChosenBook> chosenBooks(ToolHost& host);

// The rows of `result` holding the books `ids`, found again by iddorvo after a new listing.
std::vector<ChosenBook> findBooks(const catalogue::Recordset& result, const std::vector<std::int64_t>& ids);
