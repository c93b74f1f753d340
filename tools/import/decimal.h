#pragma once

#include "jetvalues.h"
#include "value.h"

#include <cstdint>
#include <optional>
#include <string>

// Access Decimal (Jet 4 NUMERIC) values, converted exactly: integer arithmetic
// on the stored digits from end to end, never a floating-point number between.
namespace jetimport {

// A decimal as Jet stores it, 17 bytes: a sign byte, non-zero for a negative
// value, then the magnitude as four 32-bit little-endian words, the most
// significant word first. Access keeps at most 28 digits, so the first word is 0
// and the other three hold a 96-bit integer; the column's scale places the point.
struct StoredDecimal {
    bool negative = false;
    unsigned __int128 magnitude = 0;
};

// Nothing when there are fewer than 17 bytes.
std::optional<StoredDecimal> readDecimal(Bytes bytes);
// How many digits the magnitude has (1 for zero).
int decimalDigits(const StoredDecimal& value);
// Exact text with exactly scale digits after the point ("-1110.554", "0.00"); a
// zero is never "-0", whatever its sign byte.
std::string decimalText(const StoredDecimal& value, int scale);
// The value itself when it fits in a signed 64-bit integer (the scale aside).
std::optional<std::int64_t> decimalInteger(const StoredDecimal& value);

// A Decimal column as its table's definition declares it: at most `precision`
// digits, `scale` of them after the point.
struct DecimalType {
    int precision = 18;
    int scale = 0;

    // Scale 0 and at most 18 digits: every value fits in a 64-bit integer, and
    // the column is INTEGER. Otherwise it is exact TEXT.
    bool isInteger() const;
};

struct ConvertedDecimal {
    catalogue::Value value;
    std::string problem; ///< why the value is not as the column declares it; empty when it is
};

// The catalogue's value for a stored decimal: an integer for an integer column,
// otherwise the exact text. A value with more digits than the column allows
// (Access never writes one) is still written exactly, and named; one that does
// not fit the column's type, or bytes that are no decimal, are written as the
// stored bytes and named.
ConvertedDecimal convertDecimal(Bytes bytes, DecimalType type);

} // namespace jetimport
