// Sorting a result by one column. Every cell becomes a byte key once, and the sort
// compares keys as plain bytes: comparing with a collator at each step costs about
// 20 comparisons a row, each decoding both texts again. A key is a type byte
// (numbers before text before bytes), then for a number its value in 8 bytes whose
// byte order is its numeric order, for text its fold with case and accents ignored
// and digit runs made comparable by length, then (only for text with letters
// beyond ASCII) a separator lower than any character and its fold with case alone
// ignored, so "Niccolo" sorts just before "Niccolò" and both before "Niccolo da".
// The sort moves small entries holding the key's first 8 bytes, which settle most
// comparisons without touching the keys themselves.
#include "columnsort.h"

#include "fold.h"
#include "recordset.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace {

enum KeyType : char { Number = 1, Text = 2, Bytes = 3 };
constexpr char accentSeparator = 1;
constexpr std::size_t longestShortRun = 15;

void appendBigEndian(std::string& out, std::uint64_t bits)
{
    for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

// IEEE doubles order as unsigned integers once negatives are inverted and the
// sign bit of positives set.
void appendOrderedDouble(std::string& out, double value)
{
    if (value == 0)
        value = 0; // -0 and 0 are the same number
    const auto bits = std::bit_cast<std::uint64_t>(value);
    appendBigEndian(out, (bits >> 63) ? ~bits : bits | (std::uint64_t(1) << 63));
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Each run of digits becomes its length, then its digits without leading zeros,
// so a longer number sorts after a shorter one: "2" < "10", and "007" = "7".
void appendNatural(std::string& out, std::string_view folded)
{
    std::size_t at = 0;
    while (at < folded.size()) {
        if (!isDigit(folded[at])) {
            out.push_back(folded[at++]);
            continue;
        }
        std::size_t end = at;
        while (end < folded.size() && isDigit(folded[end]))
            ++end;
        while (at + 1 < end && folded[at] == '0')
            ++at;
        const std::size_t length = end - at;
        if (length <= longestShortRun) {
            out.push_back(static_cast<char>('0' + length));
        } else {
            out.push_back(static_cast<char>('0' + longestShortRun + 1));
            out.push_back(static_cast<char>(std::min<std::size_t>(length, 255)));
        }
        out.append(folded.substr(at, length));
        at = end;
    }
}

void appendTextKey(std::string& out, std::string& scratch, std::string_view text)
{
    out.push_back(Text);
    scratch.clear();
    catalogue::appendFoldCaseAndAccents(scratch, text);
    appendNatural(out, scratch);
    if (!isAscii(text)) {
        out.push_back(accentSeparator);
        out += catalogue::foldCase(text);
    }
}

// Appends the key of `value` to `out`; false for NULL, which has none.
bool appendKey(std::string& out, std::string& scratch, const catalogue::Value& value)
{
    return std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return false;
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                out.push_back(Number);
                appendOrderedDouble(out, static_cast<double>(v));
                appendBigEndian(out, static_cast<std::uint64_t>(v) ^ (std::uint64_t(1) << 63));
            } else if constexpr (std::is_same_v<T, double>) {
                out.push_back(Number);
                appendOrderedDouble(out, v);
            } else if constexpr (std::is_same_v<T, std::string>) {
                appendTextKey(out, scratch, v);
            } else {
                out.push_back(Bytes);
                out += v.bytes;
            }
            return true;
        },
        value);
}

struct Entry {
    std::uint64_t prefix; ///< the key's first 8 bytes, big-endian, zero-padded
    std::uint32_t start;  ///< where the key begins in the key buffer
    std::uint32_t length;
    int record;
};

std::uint64_t prefixOf(std::string_view key)
{
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i)
        prefix = (prefix << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return prefix;
}

} // namespace

ColumnOrder sortByColumn(const catalogue::Recordset& recordset, int column)
{
    const std::size_t records = recordset.rowCount();
    std::string keys;
    keys.reserve(records * 24);
    std::string scratch;
    std::vector<Entry> entries;
    entries.reserve(records);
    std::vector<int> empty;
    for (std::size_t record = 0; record < records; ++record) {
        const std::size_t start = keys.size();
        if (!appendKey(keys, scratch, recordset.value(record, column))) {
            empty.push_back(static_cast<int>(record));
            continue;
        }
        assert(keys.size() <= UINT32_MAX);
        const std::string_view key(keys.data() + start, keys.size() - start);
        entries.push_back({prefixOf(key), static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(key.size()),
                           static_cast<int>(record)});
    }
    const char* bytes = keys.data();
    std::sort(entries.begin(), entries.end(), [bytes](const Entry& a, const Entry& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        // The first 8 bytes are equal (or zero padding of a shorter key): compare the rest.
        const std::size_t skipA = std::min<std::size_t>(8, a.length);
        const std::size_t skipB = std::min<std::size_t>(8, b.length);
        const std::string_view restA(bytes + a.start + skipA, a.length - skipA);
        const std::string_view restB(bytes + b.start + skipB, b.length - skipB);
        const int order = restA.compare(restB);
        return order != 0 ? order < 0 : a.record < b.record;
    });
    ColumnOrder order;
    order.records.reserve(records);
    for (const Entry& entry : entries)
        order.records.push_back(entry.record);
    order.valued = entries.size();
    order.records.insert(order.records.end(), empty.begin(), empty.end());
    return order;
}
