// Values quoted in messages. A title of a megabyte made the deletion question take
// seconds to lay out, and an unclosed right-to-left override in a title turned the
// rest of the question around; both are settled here, once, for every message.
// The clusters follow Unicode's extended grapheme cluster rules (UAX #29) with the
// properties ICU keeps; only the code points before the cut are ever looked at.
#include "messagetext.h"

#include <unicode/uchar.h>

namespace catalogue {

namespace {

constexpr char32_t zwj = 0x200D;
constexpr char32_t lri = 0x2066, rli = 0x2067, fsi = 0x2068, pdi = 0x2069;
const std::string fsiUtf8 = "\u2068", pdiUtf8 = "\u2069", ellipsis = "\u2026";

struct CodePoint {
    char32_t value;
    std::size_t size;
};

// One code point of `text` at `at`; a byte that starts no valid sequence counts as
// one code point of its own, so any bytes can be cut safely.
CodePoint decode(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char first = byte(0);
    std::size_t size = first < 0x80 ? 1 : (first >> 5) == 0x6 ? 2 : (first >> 4) == 0xE ? 3 : (first >> 3) == 0x1E ? 4 : 0;
    if (size == 0 || at + size > text.size())
        return {0xFFFD, 1};
    char32_t value = size == 1 ? first : first & (0x7F >> size);
    for (std::size_t i = 1; i < size; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return {0xFFFD, 1};
        value = (value << 6) | (byte(i) & 0x3F);
    }
    return {value, size};
}

int breakClass(char32_t c)
{
    return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK);
}

bool pictographic(char32_t c)
{
    return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_EXTENDED_PICTOGRAPHIC);
}

// What the rules need to know of the text before the next code point.
struct Context {
    int before = -1;
    bool emoji = false;        ///< in ExtPict Extend*
    bool emojiJoiner = false;  ///< just after ExtPict Extend* ZWJ
    std::size_t indicators = 0; ///< regional indicators in a row
};

bool joined(const Context& context, int after, char32_t next)
{
    const int before = context.before;
    if (before == U_GCB_CR && after == U_GCB_LF)
        return true;
    if (before == U_GCB_CONTROL || before == U_GCB_CR || before == U_GCB_LF)
        return false;
    if (after == U_GCB_CONTROL || after == U_GCB_CR || after == U_GCB_LF)
        return false;
    if (before == U_GCB_L && (after == U_GCB_L || after == U_GCB_V || after == U_GCB_LV || after == U_GCB_LVT))
        return true;
    if ((before == U_GCB_LV || before == U_GCB_V) && (after == U_GCB_V || after == U_GCB_T))
        return true;
    if ((before == U_GCB_LVT || before == U_GCB_T) && after == U_GCB_T)
        return true;
    if (after == U_GCB_EXTEND || after == U_GCB_ZWJ || after == U_GCB_SPACING_MARK || before == U_GCB_PREPEND)
        return true;
    if (context.emojiJoiner && pictographic(next))
        return true;
    return before == U_GCB_REGIONAL_INDICATOR && after == U_GCB_REGIONAL_INDICATOR && context.indicators % 2 == 1;
}

void advance(Context& context, int breakClass, char32_t c)
{
    context.emojiJoiner = context.emoji && c == zwj;
    context.emoji = pictographic(c) || (context.emoji && breakClass == U_GCB_EXTEND);
    context.indicators = breakClass == U_GCB_REGIONAL_INDICATOR ? context.indicators + 1 : 0;
    context.before = breakClass;
}

bool paragraphSeparator(char32_t c)
{
    return c == '\n' || c == '\r' || (c >= 0x1C && c <= 0x1E) || c == 0x85 || c == 0x2029;
}

} // namespace

std::size_t graphemePrefix(std::string_view utf8, std::size_t characters, bool* whole)
{
    Context context;
    std::size_t clusters = 0, inCluster = 0, lastJoiner = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const CodePoint point = decode(utf8, at);
        const int kind = breakClass(point.value);
        if (clusters == 0 || !joined(context, kind, point.value)) {
            if (++clusters > characters) {
                if (whole)
                    *whole = false;
                return at;
            }
            inCluster = 0;
            lastJoiner = 0;
        } else if (inCluster >= longestCluster) {
            // Past any real character: the cut keeps the whole emoji before the
            // last joiner, or else as much as the limit allows.
            if (whole)
                *whole = false;
            return lastJoiner > 0 ? lastJoiner : at;
        }
        if (point.value == zwj && context.emoji)
            lastJoiner = at;
        ++inCluster;
        advance(context, kind, point.value);
        at += point.size;
    }
    if (whole)
        *whole = true;
    return utf8.size();
}

std::string quotedInMessage(std::string_view utf8)
{
    bool whole = true;
    std::string_view kept = utf8.substr(0, graphemePrefix(utf8, quotedCharacters, &whole));
    if (!whole)
        kept = kept.substr(0, graphemePrefix(kept, quotedCharacters - 1));
    std::string quoted = fsiUtf8;
    quoted.reserve(kept.size() + 16);
    std::size_t openIsolates = 0;
    for (std::size_t at = 0; at < kept.size();) {
        const CodePoint point = decode(kept, at);
        if (paragraphSeparator(point.value)) {
            quoted += ' ';
        } else if (point.value == pdi && openIsolates == 0) {
            // A closing isolate with no opening one in the value would close ours.
        } else {
            if (point.value == lri || point.value == rli || point.value == fsi)
                ++openIsolates;
            else if (point.value == pdi)
                --openIsolates;
            quoted.append(kept.substr(at, point.size));
        }
        at += point.size;
    }
    // Our PDI closes every embedding and override opened inside the value, but only
    // once the isolates the value opened are closed too.
    for (; openIsolates > 0; --openIsolates)
        quoted += pdiUtf8;
    if (!whole)
        quoted += ellipsis;
    return quoted + pdiUtf8;
}

} // namespace catalogue
