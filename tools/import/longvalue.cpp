// Memo and OLE values read whole through their chain of long-value pages; a chain
// that comes back on itself ends there, never followed forever.
#include "longvalue.h"

#include <algorithm>
#include <unordered_set>

namespace jetimport {

namespace {

constexpr std::size_t referenceSize = 12;
constexpr std::uint32_t lengthMask = 0x3FFFFFFF;
constexpr std::uint32_t inlineFlag = 0x80000000;
constexpr std::uint32_t singleRowFlag = 0x40000000;
// A damaged length must not make us reserve gigabytes before reading a byte.
constexpr std::size_t largestReservation = 16 * 1024 * 1024;

void appendUpTo(LongValue& value, std::string_view data, std::size_t length)
{
    value.bytes.append(data.substr(0, length - value.bytes.size()));
}

LongValue readChain(std::uint32_t pageRow, std::size_t length, const LongValueRowReader& readRow)
{
    LongValue value;
    value.bytes.reserve(std::min(length, largestReservation));
    // A chain that comes back to a row it has passed is damaged; it would never end.
    std::unordered_set<std::uint32_t> visited;
    while (value.bytes.size() < length && pageRow != 0 && visited.insert(pageRow).second) {
        const std::optional<std::string_view> row = readRow(pageRow);
        if (!row || row->size() < 4)
            break;
        const auto* next = reinterpret_cast<const unsigned char*>(row->data());
        pageRow = static_cast<std::uint32_t>(littleEndian32(Bytes(next, 4)));
        appendUpTo(value, row->substr(4), length);
    }
    value.complete = value.bytes.size() == length;
    return value;
}

} // namespace

LongValue readLongValue(Bytes reference, const LongValueRowReader& readRow)
{
    if (reference.size() < referenceSize)
        return {{}, false};
    const auto header = static_cast<std::uint32_t>(littleEndian32(reference));
    const std::size_t length = header & lengthMask;
    const auto pageRow = static_cast<std::uint32_t>(littleEndian32(reference.subspan(4)));
    const std::uint32_t kind = header & ~lengthMask;

    if (kind == inlineFlag) {
        const Bytes data = reference.subspan(referenceSize);
        const std::size_t kept = std::min(length, data.size());
        return {std::string(reinterpret_cast<const char*>(data.data()), kept), kept == length};
    }
    if (length == 0)
        return {};
    if (kind == singleRowFlag) {
        const std::optional<std::string_view> row = readRow(pageRow);
        if (!row)
            return {{}, false};
        const std::string_view data = row->substr(0, length);
        return {std::string(data), data.size() == length};
    }
    if (kind == 0)
        return readChain(pageRow, length, readRow);
    return {{}, false};
}

} // namespace jetimport
