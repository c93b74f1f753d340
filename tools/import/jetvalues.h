#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Decoders for the values Jet stores, from the bytes of a row. Every one works on
// the stored bytes, never on libmdb's formatted text (see jettable.cpp for why).
namespace jetimport {

using Bytes = std::span<const unsigned char>;

// Text in UTF-8 and whether some stored character had no faithful equivalent
// (then the replacement character or the byte's Latin-1 reading stands for it).
struct DecodedText {
    std::string utf8;
    bool replaced = false;
};

std::int16_t littleEndian16(Bytes bytes);
std::int32_t littleEndian32(Bytes bytes);
std::int64_t littleEndian64(Bytes bytes);
double storedDouble(Bytes bytes);
float storedSingle(Bytes bytes);

// Jet 4 text: UTF-16LE, or "compressed" when it starts with FF FE.
DecodedText decodeJet4Text(Bytes bytes);
// UTF-16 code units to UTF-8; pairs of surrogates become one character.
DecodedText utf16ToUtf8(const std::u16string& units);

// A Jet date is a count of days from 1899-12-30, the fraction being the time of
// day; before that day the whole part counts back while the fraction still runs
// forward (-1.25 is 1899-12-29 06:00). Gives "YYYY-MM-DD HH:MM:SS", with ".mmm"
// when there are milliseconds, or nothing outside Jet's years 100 to 9999.
std::optional<std::string> jetDateText(double days);

// Currency is a count of ten-thousandths: kept exact as "-1234.5600".
std::string currencyText(std::int64_t tenThousandths);

// Replication ID (GUID), the way Access shows it: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
std::string guidText(Bytes bytes);

// A single-precision value as the double that prints like it: 444.555f becomes
// 444.555, not 444.55499267578125. Converting back to single gives the same value.
double singleAsDouble(float value);

} // namespace jetimport
