// Decoders for the values Jet stores, always from the row's bytes, never from
// libmdb's formatted text.
#include "jetvalues.h"

#include "fold.h"

#include <array>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace jetimport {

using catalogue::appendUtf8;

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;
constexpr long long millisecondsPerDay = 86'400'000;
// 0100-01-01 and 9999-12-31, Jet's first and last days.
constexpr double firstJetDay = -657434.0;
constexpr double dayAfterLastJetDay = 2958466.0;

std::uint64_t unsignedLittleEndian(Bytes bytes, std::size_t count)
{
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Compressed text switches between one byte per character (the character's code
// is the byte) and two, at every zero byte; it starts with one byte per character.
std::u16string expandCompressed(Bytes bytes, bool& replaced)
{
    std::u16string units;
    bool oneByte = true;
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] == 0) {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            units += static_cast<char16_t>(bytes[i++]);
        } else if (i + 1 < bytes.size()) {
            units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
            i += 2;
        } else {
            replaced = true; // half a character at the end
            break;
        }
    }
    return units;
}

std::string twoDigits(unsigned value)
{
    std::array<char, 3> text{};
    std::snprintf(text.data(), text.size(), "%02u", value % 100);
    return text.data();
}

} // namespace

std::int16_t littleEndian16(Bytes bytes)
{
    return static_cast<std::int16_t>(unsignedLittleEndian(bytes, 2));
}

std::int32_t littleEndian32(Bytes bytes)
{
    return static_cast<std::int32_t>(unsignedLittleEndian(bytes, 4));
}

std::int64_t littleEndian64(Bytes bytes)
{
    return static_cast<std::int64_t>(unsignedLittleEndian(bytes, 8));
}

double storedDouble(Bytes bytes)
{
    return std::bit_cast<double>(unsignedLittleEndian(bytes, 8));
}

float storedSingle(Bytes bytes)
{
    return std::bit_cast<float>(static_cast<std::uint32_t>(unsignedLittleEndian(bytes, 4)));
}

DecodedText utf16ToUtf8(const std::u16string& units)
{
    DecodedText text;
    text.utf8.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        if (isHighSurrogate(unit) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
            appendUtf8(text.utf8, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendUtf8(text.utf8, replacementCharacter);
            text.replaced = true;
        } else {
            appendUtf8(text.utf8, unit);
        }
    }
    return text;
}

DecodedText decodeJet4Text(Bytes bytes)
{
    bool replaced = false;
    std::u16string units;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        units = expandCompressed(bytes.subspan(2), replaced);
    } else {
        replaced = bytes.size() % 2 != 0;
        units.reserve(bytes.size() / 2);
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    DecodedText text = utf16ToUtf8(units);
    text.replaced = text.replaced || replaced;
    return text;
}

std::optional<std::string> jetDateText(double days)
{
    if (!std::isfinite(days) || days < firstJetDay || days >= dayAfterLastJetDay)
        return std::nullopt;
    const double whole = std::trunc(days);
    long long dayCount = static_cast<long long>(whole);
    long long milliseconds = std::llround(std::fabs(days - whole) * millisecondsPerDay);
    if (milliseconds >= millisecondsPerDay) {
        milliseconds -= millisecondsPerDay;
        ++dayCount;
    }

    using namespace std::chrono;
    const year_month_day date{sys_days{year{1899} / 12 / 30} + std::chrono::days{dayCount}};
    const long long seconds = milliseconds / 1000;
    std::array<char, 8> yearText{};
    std::snprintf(yearText.data(), yearText.size(), "%04d", static_cast<int>(date.year()));
    std::string text = std::string(yearText.data()) + "-" + twoDigits(unsigned(date.month())) + "-" +
                       twoDigits(unsigned(date.day())) + " " + twoDigits(unsigned(seconds / 3600)) + ":" +
                       twoDigits(unsigned(seconds / 60 % 60)) + ":" + twoDigits(unsigned(seconds % 60));
    if (const long long fraction = milliseconds % 1000; fraction != 0) {
        std::array<char, 8> fractionText{};
        std::snprintf(fractionText.data(), fractionText.size(), ".%03lld", fraction);
        text += fractionText.data();
    }
    return text;
}

std::string currencyText(std::int64_t tenThousandths)
{
    const bool negative = tenThousandths < 0;
    // Through unsigned arithmetic, so the most negative value has a magnitude too.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(tenThousandths)
                                             : static_cast<std::uint64_t>(tenThousandths);
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%s%llu.%04llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    return text.data();
}

std::string guidText(Bytes bytes)
{
    std::array<char, 40> text{};
    std::snprintf(text.data(), text.size(),
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  bytes[3], bytes[2], bytes[1], bytes[0], bytes[5], bytes[4], bytes[7], bytes[6],
                  bytes[8], bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text.data();
}

double singleAsDouble(float value)
{
    if (!std::isfinite(value))
        return value;
    std::array<char, 64> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value);
    double widened = value;
    std::from_chars(text.data(), written.ptr, widened);
    return widened;
}

} // namespace jetimport
