// The plain text of the HTML comments calibre and Tellico keep: blocks become line
// breaks, references are read, text with no tag stays as it is.
#include "htmltext.h"

#include "fold.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace bookimport {

namespace {

struct NamedReference {
    std::string_view name;
    char32_t character;
};

// The references editors write for the letters of Western European languages.
constexpr NamedReference references[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
    {"nbsp", 0xA0},    {"agrave", 0xE0},  {"aacute", 0xE1},  {"egrave", 0xE8},  {"eacute", 0xE9},
    {"igrave", 0xEC},  {"iacute", 0xED},  {"ograve", 0xF2},  {"oacute", 0xF3},  {"ugrave", 0xF9},
    {"uacute", 0xFA},  {"Agrave", 0xC0},  {"Egrave", 0xC8},  {"Eacute", 0xC9},  {"Igrave", 0xCC},
    {"Ograve", 0xD2},  {"Ugrave", 0xD9},  {"ccedil", 0xE7},  {"Ccedil", 0xC7},  {"ntilde", 0xF1},
    {"auml", 0xE4},    {"ouml", 0xF6},    {"uuml", 0xFC},    {"Auml", 0xC4},    {"Ouml", 0xD6},
    {"Uuml", 0xDC},    {"szlig", 0xDF},   {"laquo", 0xAB},   {"raquo", 0xBB},   {"rsquo", 0x2019},
    {"lsquo", 0x2018}, {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"hellip", 0x2026}, {"ndash", 0x2013},
    {"mdash", 0x2014}, {"euro", 0x20AC},  {"copy", 0xA9},    {"deg", 0xB0},
};

// How many line breaks a tag makes: a paragraph's start and end one each (so
// paragraphs stand apart by a blank line), a line break, list item, row or
// division one at its start, any other tag none.
int lineBreaks(std::string_view tag)
{
    const bool closing = tag.starts_with('/');
    std::string name;
    for (const char c : tag.substr(closing ? 1 : 0)) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            break;
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const char* block : {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote"}) {
        if (name == block)
            return 1;
    }
    for (const char* line : {"br", "li", "tr", "div"}) {
        if (name == line)
            return closing ? 0 : 1;
    }
    return 0;
}

// '<' opens a tag only before a letter, '/' or '!': "3 < 4" is text.
bool opensTag(std::string_view text, std::size_t at)
{
    if (at + 1 >= text.size())
        return false;
    const char next = text[at + 1];
    return std::isalpha(static_cast<unsigned char>(next)) || next == '/' || next == '!';
}

// Where the last '>' stands, or npos: a '<' after it can close no tag, so each
// '<' is judged by one comparison instead of a search to the end of the text
// (a million "<a" without '>' took 14 s that way).
std::size_t lastClose(std::string_view text)
{
    return text.rfind('>');
}

bool looksLikeHtml(std::string_view text)
{
    const std::size_t close = lastClose(text);
    if (close == std::string_view::npos)
        return false;
    for (std::size_t at = text.find('<'); at != std::string_view::npos && at < close; at = text.find('<', at + 1)) {
        if (opensTag(text, at))
            return true;
    }
    return false;
}

// Reads the reference starting at `at` (the '&'); returns its length, 0 if none.
std::size_t appendReference(std::string& out, std::string_view html, std::size_t at)
{
    // The longest reference read is "&#x10FFFF;": the ';' is looked for only that
    // far, so a text of a million '&' is read in one pass.
    constexpr std::size_t longest = 10;
    const std::size_t end = html.substr(0, at + longest + 1).find(';', at);
    if (end == std::string_view::npos)
        return 0;
    const std::string_view body = html.substr(at + 1, end - at - 1);
    if (body.starts_with('#') && body.size() > 1) {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string digits(body.substr(hex ? 2 : 1));
        char* stop = nullptr;
        const unsigned long code = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
        if (digits.empty() || *stop || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return 0;
        catalogue::appendUtf8(out, static_cast<char32_t>(code));
        return end - at + 1;
    }
    for (const NamedReference& reference : references) {
        if (reference.name == body) {
            catalogue::appendUtf8(out, reference.character);
            return end - at + 1;
        }
    }
    return 0;
}

void trimLines(std::string& text)
{
    std::string out;
    std::size_t newlines = 0;
    for (const char c : text) {
        if (c == '\n') {
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            ++newlines;
            continue;
        }
        if (newlines) {
            if (!out.empty())
                out.append(std::min<std::size_t>(newlines, 2), '\n');
            newlines = 0;
        }
        if (c == ' ' && (out.empty() || out.back() == '\n'))
            continue;
        out += c;
    }
    text = std::move(out);
}

} // namespace

std::string plainText(const std::string& html)
{
    if (!looksLikeHtml(html))
        return html;
    std::string out;
    const std::string_view text(html);
    const std::size_t lastTagEnd = lastClose(text);
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        // A '<' that no '>' follows is text, like "3 < 4".
        if (c == '<' && at < lastTagEnd && opensTag(text, at)) {
            const std::size_t close = text.find('>', at);
            out.append(static_cast<std::size_t>(lineBreaks(text.substr(at + 1, close - at - 1))), '\n');
            at = close + 1;
        } else if (c == '&') {
            const std::size_t length = appendReference(out, text, at);
            if (!length)
                out += c;
            at += length ? length : 1;
        } else {
            // Line breaks in HTML source are spaces; only the tags break lines.
            out += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
            ++at;
        }
    }
    // Runs of spaces from the source's indentation become one.
    std::string single;
    for (const char c : out) {
        if (c == ' ' && !single.empty() && single.back() == ' ')
            continue;
        single += c;
    }
    trimLines(single);
    return single;
}

} // namespace bookimport
