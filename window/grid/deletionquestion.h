#pragma once

#include <QString>

#include <cstddef>
#include <vector>

namespace catalogue {
class Recordset;
}

// The question asked before deleting the books on `rows` of `shown` (in the order
// the grid shows them): it names the book, the books up to three, or the number
// and the first and last title, so nobody deletes a book they did not mean.
QString deletionQuestion(const catalogue::Recordset& shown, const std::vector<std::size_t>& rows);
