#pragma once

#include "jetvalues.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace jetimport {

// The bytes of one row of a long-value page, by its page-and-row number (page in
// the upper 24 bits, row in the low 8); nothing when that row cannot be read. The
// view need only stay valid until the next call.
using LongValueRowReader = std::function<std::optional<std::string_view>(std::uint32_t pageRow)>;

struct LongValue {
    std::string bytes;
    bool complete = true; ///< false when the stored data ended before its declared length
};

// Reads a memo or OLE value whole. The row holds a 12-byte reference: a 32-bit
// length whose top two bits say where the data is (0x80: right after the
// reference; 0x40: in one long-value row; 0: in a chain of long-value rows, each
// starting with the page-and-row of the next), then the first page-and-row.
// The whole value is read, whatever its length; libmdb's own reader stops at its
// bind buffer.
LongValue readLongValue(Bytes reference, const LongValueRowReader& readRow);

} // namespace jetimport
