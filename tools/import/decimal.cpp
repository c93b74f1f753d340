// Decimal values are carried digit for digit: the 17 stored bytes become a
// 128-bit integer, its digits come from exact division by ten, and the scale
// only says where the point goes. Access's own range (28 digits) is well inside
// 128 bits, so no stored value can overflow on the way.
#include "decimal.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace jetimport {

namespace {

constexpr std::size_t storedSize = 17;
constexpr int maximumDigits = 28; // Access refuses a larger precision
constexpr int largestIntegerDigits = 18; // 10^18 - 1 < 2^63 - 1 < 10^19 - 1

std::string magnitudeDigits(unsigned __int128 magnitude)
{
    std::string digits;
    do {
        digits += static_cast<char>('0' + static_cast<int>(magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return {digits.rbegin(), digits.rend()};
}

catalogue::Blob storedBytes(Bytes bytes)
{
    const Bytes stored = bytes.first(std::min(bytes.size(), storedSize));
    return {std::string(reinterpret_cast<const char*>(stored.data()), stored.size())};
}

} // namespace

std::optional<StoredDecimal> readDecimal(Bytes bytes)
{
    if (bytes.size() < storedSize)
        return std::nullopt;
    StoredDecimal value;
    value.negative = bytes[0] != 0;
    for (std::size_t word = 0; word < 4; ++word) {
        const std::size_t first = 1 + 4 * word;
        const std::uint32_t bits = static_cast<std::uint32_t>(bytes[first]) |
                                   static_cast<std::uint32_t>(bytes[first + 1]) << 8 |
                                   static_cast<std::uint32_t>(bytes[first + 2]) << 16 |
                                   static_cast<std::uint32_t>(bytes[first + 3]) << 24;
        value.magnitude = (value.magnitude << 32) | bits;
    }
    return value;
}

int decimalDigits(const StoredDecimal& value)
{
    return static_cast<int>(magnitudeDigits(value.magnitude).size());
}

std::string decimalText(const StoredDecimal& value, int scale)
{
    assert(scale >= 0);
    std::string digits = magnitudeDigits(value.magnitude);
    const auto fraction = static_cast<std::size_t>(scale);
    if (fraction > 0) {
        if (digits.size() <= fraction)
            digits.insert(0, fraction + 1 - digits.size(), '0');
        digits.insert(digits.size() - fraction, ".");
    }
    return (value.negative && value.magnitude != 0 ? "-" : "") + digits;
}

std::optional<std::int64_t> decimalInteger(const StoredDecimal& value)
{
    // The most negative 64-bit integer's magnitude is one more than the largest's.
    const auto largest = static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max());
    if (value.magnitude > largest + (value.negative ? 1 : 0))
        return std::nullopt;
    const auto magnitude = static_cast<std::uint64_t>(value.magnitude);
    return static_cast<std::int64_t>(value.negative ? 0 - magnitude : magnitude);
}

bool DecimalType::isInteger() const
{
    return scale == 0 && precision >= 1 && precision <= largestIntegerDigits;
}

ConvertedDecimal convertDecimal(Bytes bytes, DecimalType type)
{
    const std::optional<StoredDecimal> value = readDecimal(bytes);
    if (!value || type.scale < 0 || type.scale > maximumDigits) {
        return {storedBytes(bytes), "numero decimale illeggibile (" + std::to_string(bytes.size()) + " byte, scala " +
                                        std::to_string(type.scale) + "): scritti i byte memorizzati"};
    }
    ConvertedDecimal converted;
    const std::string text = decimalText(*value, type.scale);
    const int digits = decimalDigits(*value);
    const int allowed = type.precision >= 1 && type.precision <= maximumDigits ? type.precision : maximumDigits;
    const std::string tooLong = digits > allowed ? "numero decimale " + text + " con " + std::to_string(digits) +
                                                      " cifre, più delle " + std::to_string(allowed) + " della colonna"
                                                : std::string();
    if (!type.isInteger()) {
        converted.value = text;
        if (!tooLong.empty())
            converted.problem = tooLong + ": scritto esatto, come testo";
        return converted;
    }
    if (const std::optional<std::int64_t> integer = decimalInteger(*value)) {
        converted.value = *integer;
        if (!tooLong.empty())
            converted.problem = tooLong + ": scritto esatto, come intero";
        return converted;
    }
    // An integer column would turn the digits into an inexact real: the bytes
    // keep the value whole, and the report gives it in full.
    converted.value = storedBytes(bytes);
    converted.problem = tooLong + ", troppo grande per un intero di 64 bit: scritti i byte memorizzati";
    return converted;
}

} // namespace jetimport
