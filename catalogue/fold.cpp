// Letter folding: the keys under which the searches, the quick filter and the
// sort compare text. The tables come from Unicode (tools/foldtables.py); the code
// here only walks UTF-8. Text that is all ASCII, nearly every value in an Italian
// catalogue, never reaches the tables: it is lowered in one pass the compiler
// vectorizes, since the filter folds every cell of a million-row result.
#include "fold.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace catalogue {

namespace {

struct FoldPair {
    std::uint32_t from;
    std::uint32_t to;
};

struct PlainLetter {
    std::uint32_t from;
    std::uint8_t length;
    char bytes[8];
};

#include "foldtables.inc"

constexpr char32_t twoByteEnd = 0x800;

constexpr char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool isAscii(std::string_view text)
{
    unsigned char seen = 0;
    for (char c : text)
        seen |= static_cast<unsigned char>(c);
    return seen < 0x80;
}

void appendLowerAscii(std::string& out, std::string_view text)
{
    const std::size_t start = out.size();
    out.resize(start + text.size());
    std::transform(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(start), asciiLower);
}

const PlainLetter* plainLetter(char32_t c)
{
    const auto end = std::end(plainLetters);
    const auto found = std::lower_bound(std::begin(plainLetters), end, c,
                                        [](const PlainLetter& letter, char32_t key) { return letter.from < key; });
    return found != end && found->from == c ? found : nullptr;
}

void appendCaseFolded(std::string& out, char32_t c)
{
    appendUtf8(out, foldCase(c));
}

void appendPlain(std::string& out, char32_t c)
{
    if (const PlainLetter* letter = plainLetter(c))
        out.append(letter->bytes, letter->length);
    else
        appendUtf8(out, foldCase(c));
}

// Folds `text` onto `out` code point by code point with `appendFolded`; ASCII and
// invalid bytes need no table.
template <typename AppendFolded>
void appendFolded(std::string& out, std::string_view text, AppendFolded appendOne)
{
    if (isAscii(text)) {
        appendLowerAscii(out, text);
        return;
    }
    out.reserve(out.size() + text.size() + text.size() / 4);
    for (std::size_t at = 0; at < text.size();) {
        const char byte = text[at];
        if (static_cast<unsigned char>(byte) < 0x80) {
            out += asciiLower(byte);
            ++at;
            continue;
        }
        const Utf8Char c = readUtf8(text, at);
        if (c.valid)
            appendOne(out, c.value);
        else
            out += byte;
        at += c.length;
    }
}

} // namespace

Utf8Char readUtf8(std::string_view text, std::size_t at)
{
    const auto byteAt = [&](std::size_t i) -> unsigned {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
    };
    const unsigned lead = byteAt(0);
    if (lead < 0x80)
        return {lead, 1, true};
    const Utf8Char invalid{lead, 1, false};
    // The second byte's range rules out overlong forms, surrogates and code
    // points past U+10FFFF.
    std::size_t length = 0;
    char32_t value = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return invalid;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned next = byteAt(i);
        if (next < low || next > high)
            return invalid;
        low = 0x80;
        high = 0xBF;
        value = (value << 6) | (next & 0x3F);
    }
    return {value, length, true};
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t foldCase(char32_t c)
{
    if (c < 0x80)
        return static_cast<char32_t>(asciiLower(static_cast<char>(c)));
    if (c < twoByteEnd)
        return caseFoldTwoByte[c - 0x80];
    const auto end = std::end(caseFoldPairs);
    const auto found = std::lower_bound(std::begin(caseFoldPairs), end, c,
                                        [](const FoldPair& pair, char32_t key) { return pair.from < key; });
    return found != end && found->from == c ? found->to : c;
}

std::vector<char32_t> caseVariants(char32_t c)
{
    // Made once: every search asks this for each letter of its answer.
    static const std::unordered_map<char32_t, std::vector<char32_t>> byFold = [] {
        std::unordered_map<char32_t, std::vector<char32_t>> classes;
        for (char32_t candidate = 0; candidate < twoByteEnd; ++candidate)
            classes[foldCase(candidate)].push_back(candidate);
        for (const FoldPair& pair : caseFoldPairs)
            classes[pair.to].push_back(pair.from);
        for (auto& [folded, members] : classes) {
            // A fold beyond the two-byte range that no pair names is the letter itself.
            if (std::find(members.begin(), members.end(), folded) == members.end())
                members.push_back(folded);
            std::sort(members.begin(), members.end());
        }
        return classes;
    }();
    const auto found = byFold.find(foldCase(c));
    return found != byFold.end() ? found->second : std::vector<char32_t>{c};
}

std::string foldCase(std::string_view utf8)
{
    std::string out;
    appendFolded(out, utf8, appendCaseFolded);
    return out;
}

std::string foldCaseAndAccents(std::string_view utf8)
{
    std::string out;
    appendFoldCaseAndAccents(out, utf8);
    return out;
}

void appendFoldCaseAndAccents(std::string& out, std::string_view utf8)
{
    appendFolded(out, utf8, appendPlain);
}

bool isApostrophe(char32_t c)
{
    switch (c) {
    case U'\'': case U'`':
    case 0x02BC: // modifier letter apostrophe
    case 0x2018: case 0x2019: // single quotation marks, the typeset apostrophe
        return true;
    default:
        return false;
    }
}

void appendFoldWithPlainApostrophes(std::string& out, std::string_view utf8)
{
    const std::size_t from = out.size();
    appendFoldCaseAndAccents(out, utf8);
    if (isAscii(std::string_view(out).substr(from))) {
        std::replace(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), '`', '\'');
        return;
    }
    std::size_t kept = from;
    for (std::size_t at = from; at < out.size();) {
        const Utf8Char c = readUtf8(out, at);
        if (c.valid && isApostrophe(c.value)) {
            out[kept++] = '\'';
        } else {
            for (std::size_t i = 0; i < c.length; ++i)
                out[kept++] = out[at + i];
        }
        at += c.length;
    }
    out.resize(kept);
}

namespace {

// Marks inside or between words that a reader does not type: whether a name is
// written with them or without, it is the same name.
bool isJoiningPunctuation(char32_t c)
{
    if (isApostrophe(c))
        return true;
    switch (c) {
    case U'-': case U'.':
    case 0x00AD: // soft hyphen
    case 0x00B7: // middle dot
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: // hyphens and dashes
    case 0x2024: case 0x2027: // one dot leader, hyphenation point
    case 0x2212: // minus sign
        return true;
    default:
        return false;
    }
}

bool isAsciiJoiningPunctuation(char c)
{
    return c == '\'' || c == '-' || c == '.' || c == '`';
}

// Removes those marks from `out` from `from` on, in place. Most values hold none
// and no letter beyond ASCII: one scan finds that, and nothing moves.
void dropJoiningPunctuation(std::string& out, std::size_t from)
{
    const auto mayMark = [](char c) {
        return static_cast<unsigned char>(c) >= 0x80 || isAsciiJoiningPunctuation(c);
    };
    std::size_t at = static_cast<std::size_t>(std::find_if(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(),
                                                           mayMark) - out.begin());
    std::size_t kept = at;
    while (at < out.size()) {
        const auto byte = static_cast<unsigned char>(out[at]);
        const Utf8Char c = byte < 0x80 ? Utf8Char{byte, 1, true} : readUtf8(out, at);
        if (!(c.valid && isJoiningPunctuation(c.value))) {
            for (std::size_t i = 0; i < c.length; ++i)
                out[kept++] = out[at + i];
        }
        at += c.length;
    }
    out.resize(kept);
}

} // namespace

std::string filterFold(std::string_view utf8)
{
    std::string out;
    appendFilterFold(out, utf8);
    return out;
}

// ASCII text, nearly every value, is lowered and cleared of its marks in one pass.
void appendFilterFold(std::string& out, std::string_view utf8)
{
    std::size_t kept = out.size();
    if (!isAscii(utf8)) {
        appendFoldCaseAndAccents(out, utf8);
        dropJoiningPunctuation(out, kept);
        return;
    }
    out.resize(kept + utf8.size());
    for (const char c : utf8) {
        out[kept] = asciiLower(c);
        kept += isAsciiJoiningPunctuation(c) ? 0 : 1;
    }
    out.resize(kept);
}

} // namespace catalogue
