// Sorting a result by one column. Every cell becomes a byte key once, and the sort
// compares keys as plain bytes: comparing with a collator at each step costs about
// 20 comparisons a row, each decoding both texts again. A key is a type byte
// (numbers before text before bytes), then for a number its value in 8 bytes whose
// byte order is its numeric order, for text its fold with case and accents ignored
// and digit runs made comparable by length, then (only for text with letters
// beyond ASCII) a separator lower than any character and its fold with case alone
// ignored, so "Niccolo" sorts just before "Niccolò" and both before "Niccolo da".
// The sort moves small entries holding 8 bytes of the key, compared as one integer;
// entries still equal are sorted again on the next 8 bytes, so a comparison never
// walks a long common beginning.
#include "columnsort.h"

#include "fieldkind.h"
#include "fold.h"
#include "recordset.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>

namespace {

enum KeyType : char { Number = 1, Text = 2, Bytes = 3 };
constexpr char accentSeparator = 1;
// A run of digits sorts by its length first, written as one character '0' + length:
// up to 15 digits that character stays below ':' and ';' and reads as a digit in a
// key dump; a longer run (a code, never a quantity) takes a second byte.
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

// A date sorts as the day it names, however it was written (AAAA-MM-GG, or
// 8/12/2026 as another program may have typed it), before any text that is no
// date; the rest of the text (a time of day) then orders dates of the same day.
bool appendDateKey(std::string& out, std::string_view text)
{
    const auto date = readDate(text);
    if (!date)
        return false;
    out.push_back(Number);
    appendOrderedDouble(out, static_cast<double>(date->toJulianDay()));
    out.append(text);
    return true;
}

// A number held as text ("4" written by another program) sorts by its value.
bool appendNumberKey(std::string& out, std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return false;
    out.push_back(Number);
    appendOrderedDouble(out, value);
    return true;
}

bool appendKindKey(std::string& out, FieldKind kind, std::string_view text)
{
    if (kind == FieldKind::Date)
        return appendDateKey(out, text);
    if (kind == FieldKind::Stars || kind == FieldKind::Number || kind == FieldKind::Integer)
        return appendNumberKey(out, text);
    return false;
}

struct Entry {
    std::uint64_t prefix; ///< 8 bytes of the key, from the depth being sorted
    std::uint32_t start;  ///< where the key begins in the key buffer
    std::uint32_t length;
    int record;
};

// The 8 bytes of `key` from `depth` on, big-endian, zero-padded.
std::uint64_t prefixAt(std::string_view key, std::size_t depth)
{
    if (depth + 8 <= key.size()) {
        std::uint64_t bytes;
        std::memcpy(&bytes, key.data() + depth, 8);
        if constexpr (std::endian::native == std::endian::little)
            bytes = __builtin_bswap64(bytes);
        return bytes;
    }
    std::uint64_t prefix = 0;
    for (std::size_t i = depth; i < depth + 8; ++i)
        prefix = (prefix << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return prefix;
}

// How much of a key is left from `depth`, capped at 9: up to 8 the key ends within
// the prefix (a shorter key sorts first, its zero padding being no real bytes),
// 9 means the key goes on.
std::uint32_t restRank(const Entry& entry, std::size_t depth)
{
    return static_cast<std::uint32_t>(std::min<std::size_t>(entry.length - depth, 9));
}

// Sorts the entries 8 key bytes at a time: each run of entries still equal after
// those bytes is sorted again on the next 8. Keys that share long beginnings (many
// titles start alike) are thus compared as integers instead of by memcmp over
// their whole common part. The runs wait in a list, not on the call stack, since
// a key may be a megabyte long.
void sortEntries(std::vector<Entry>& entries, const char* keys)
{
    struct Run {
        Entry* first;
        Entry* last;
        std::size_t depth; ///< the keys of the run share their first `depth` bytes
    };
    std::vector<Run> runs{{entries.data(), entries.data() + entries.size(), 0}};
    while (!runs.empty()) {
        const Run run = runs.back();
        runs.pop_back();
        const std::size_t depth = run.depth;
        if (depth > 0) {
            for (Entry* entry = run.first; entry != run.last; ++entry)
                entry->prefix = prefixAt({keys + entry->start, entry->length}, depth);
        }
        std::sort(run.first, run.last, [depth](const Entry& a, const Entry& b) {
            if (a.prefix != b.prefix)
                return a.prefix < b.prefix;
            const std::uint32_t restA = restRank(a, depth), restB = restRank(b, depth);
            return restA != restB ? restA < restB : a.record < b.record;
        });
        for (Entry* first = run.first; first != run.last;) {
            Entry* end = first + 1;
            while (end != run.last && end->prefix == first->prefix && restRank(*end, depth) == restRank(*first, depth))
                ++end;
            if (end - first > 1 && restRank(*first, depth) == 9)
                runs.push_back({first, end, depth + 8});
            first = end;
        }
    }
}

// One slice of the records, keyed and sorted on its own.
struct SortedSlice {
    std::string keys;
    std::vector<Entry> entries;
    std::vector<int> empty; ///< the records with a NULL cell, in order
};

SortedSlice sortSlice(const catalogue::Recordset& recordset, int column, std::size_t first, std::size_t last)
{
    SortedSlice slice;
    // 24 bytes a key (its type byte and the folded text of a short name or title):
    // one reservation spares most of the copies of growing.
    slice.keys.reserve((last - first) * 24);
    slice.entries.reserve(last - first);
    std::string scratch;
    const FieldKind kind = fieldKind(recordset, column);
    for (std::size_t record = first; record < last; ++record) {
        const std::size_t start = slice.keys.size();
        // Text, nearly every cell of a catalogue, is read where it lies.
        if (const auto text = recordset.text(record, column)) {
            if (!appendKindKey(slice.keys, kind, *text))
                appendTextKey(slice.keys, scratch, *text);
        }
        else if (!appendKey(slice.keys, scratch, recordset.value(record, column))) {
            slice.empty.push_back(static_cast<int>(record));
            continue;
        }
        assert(slice.keys.size() <= UINT32_MAX);
        const std::string_view key(slice.keys.data() + start, slice.keys.size() - start);
        slice.entries.push_back({prefixAt(key, 0), static_cast<std::uint32_t>(start),
                                 static_cast<std::uint32_t>(key.size()), static_cast<int>(record)});
    }
    sortEntries(slice.entries, slice.keys.data());
    return slice;
}

// Large results are cut into one slice a processor, keyed and sorted side by side;
// the grid waits for all of them, so the records are only read meanwhile.
std::vector<SortedSlice> sortSlices(const catalogue::Recordset& recordset, int column, unsigned workers)
{
    // Slices of at least 50,000 records: a smaller result sorts in one thread, where
    // starting threads and merging their slices would cost more than they share.
    constexpr std::size_t smallestSlice = 50'000;
    const std::size_t records = recordset.rowCount();
    if (workers == 0)
        workers = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    const std::size_t slices = std::clamp<std::size_t>(records / smallestSlice, 1, workers);
    std::vector<SortedSlice> sorted(slices);
    std::vector<std::exception_ptr> failures(slices);
    const auto sortOne = [&](std::size_t slice) {
        try {
            sorted[slice] = sortSlice(recordset, column, records * slice / slices, records * (slice + 1) / slices);
        } catch (...) {
            failures[slice] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t slice = 1; slice < slices; ++slice)
        threads.emplace_back(sortOne, slice);
    sortOne(0);
    for (std::thread& thread : threads)
        thread.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
    return sorted;
}

// Merges the sorted slices; the slices follow the statement's order, so on equal
// keys the earlier slice's record comes first and equal cells keep that order.
std::vector<int> mergeSlices(const std::vector<SortedSlice>& slices)
{
    struct Cursor {
        const SortedSlice* slice;
        std::size_t at;
        std::string_view key() const
        {
            const Entry& entry = slice->entries[at];
            return {slice->keys.data() + entry.start, entry.length};
        }
    };
    std::vector<Cursor> cursors;
    std::size_t total = 0;
    for (const SortedSlice& slice : slices) {
        if (!slice.entries.empty())
            cursors.push_back({&slice, 0});
        total += slice.entries.size();
    }
    std::vector<int> records;
    records.reserve(total);
    while (!cursors.empty()) {
        std::size_t least = 0;
        for (std::size_t c = 1; c < cursors.size(); ++c) {
            if (cursors[c].key() < cursors[least].key())
                least = c;
        }
        Cursor& cursor = cursors[least];
        records.push_back(cursor.slice->entries[cursor.at].record);
        if (++cursor.at == cursor.slice->entries.size())
            cursors.erase(cursors.begin() + static_cast<std::ptrdiff_t>(least));
    }
    return records;
}

} // namespace

ColumnOrder sortByColumn(const catalogue::Recordset& recordset, int column, unsigned workers)
{
    const std::vector<SortedSlice> slices = sortSlices(recordset, column, workers);
    ColumnOrder order;
    order.records = mergeSlices(slices);
    order.valued = order.records.size();
    for (const SortedSlice& slice : slices)
        order.records.insert(order.records.end(), slice.empty.begin(), slice.empty.end());
    return order;
}
