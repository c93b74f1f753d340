#pragma once

#include <cstddef>
#include <vector>

namespace catalogue {
class Recordset;
}

// The records of a result in the order of one column, as an Italian reader sorts:
// numbers by value and before any text; text with letter case ignored, accented
// letters beside their plain letter (the plain one first), and numbers inside the
// text by value ("Libro 2" before "Libro 10"); empty (NULL) cells last. In a date
// column a date sorts as the day it names, however written; in a number or rating
// column a number held as text sorts by its value. Equal cells
// keep the statement's order.
struct ColumnOrder {
    std::vector<int> records; ///< every record of the result, in order
    std::size_t valued = 0;   ///< how many lead `records` before the empty cells
};

// A large result is sorted in slices, one a worker thread (up to `workers`, one a
// processor by default), that are merged at the end.
ColumnOrder sortByColumn(const catalogue::Recordset& recordset, int column, unsigned workers = 0);
