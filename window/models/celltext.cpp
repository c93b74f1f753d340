// The text forms of a cell, shared by the grid, the clipboard and the exports so
// that all of them read the same.
#include "celltext.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <type_traits>

namespace {

// Tab, line feed and carriage return lay text out; every other C0 character and
// DEL has no glyph of its own.
bool isHiddenControl(unsigned code)
{
    return (code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0x7F;
}

// U+2400 + code for C0, U+2421 for DEL.
char16_t controlPicture(unsigned code)
{
    return code == 0x7F ? u'\u2421' : static_cast<char16_t>(0x2400 + code);
}

// Where a cluster that began before `length` must be cut: before the last
// zero-width joiner at or before it, else at the last code point boundary.
qsizetype insideCluster(const QString& text, qsizetype length)
{
    const qsizetype joiner = text.lastIndexOf(QChar(0x200D), length);
    if (joiner > 0)
        return joiner;
    return text.at(length).isLowSurrogate() ? length - 1 : length;
}

} // namespace

QString leadingPart(const QString& text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    // The finder reads its whole text at once; only the part near the cut matters,
    // since whether a cluster ends at `length` depends on what comes before it and
    // on the character right after. A whole megabyte took milliseconds a cell.
    constexpr qsizetype lookAhead = 8;
    const QStringView near = QStringView(text).left(length + lookAhead);
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, near.data(), near.size());
    clusters.setPosition(length);
    qsizetype cut = clusters.isAtBoundary() ? length : clusters.toPreviousBoundary();
    if (cut <= 0)
        cut = insideCluster(text, length);
    return text.left(cut) + QChar(0x2026);
}

QString cellText(const catalogue::Value& value)
{
    return std::visit(
        [](const auto& v) -> QString {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return QString();
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return QString::number(v);
            else if constexpr (std::is_same_v<T, double>)
                return QString::number(v, 'g', 15);
            else if constexpr (std::is_same_v<T, std::string>)
                return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
            else
                return QStringLiteral("(dati binari, %1 byte)").arg(v.bytes.size());
        },
        value);
}

QString withVisibleControls(const QString& text)
{
    const auto hidden = [](QChar c) { return isHiddenControl(c.unicode()); };
    if (std::none_of(text.begin(), text.end(), hidden))
        return text;
    QString shown = text;
    for (QChar& c : shown) {
        if (hidden(c))
            c = QChar(controlPicture(c.unicode()));
    }
    return shown;
}

bool holdsHiddenControls(std::string_view utf8)
{
    // Every byte of a multi-byte UTF-8 sequence is 0x80 or above, so a byte below
    // 0x80 is always a whole character.
    return std::any_of(utf8.begin(), utf8.end(), [](char c) { return isHiddenControl(static_cast<unsigned char>(c)); });
}

void appendWithVisibleControls(std::string& out, std::string_view utf8)
{
    for (char c : utf8) {
        const auto code = static_cast<unsigned char>(c);
        if (!isHiddenControl(code)) {
            out += c;
            continue;
        }
        const char16_t mark = controlPicture(code); // U+2400..U+2421: three UTF-8 bytes
        out += static_cast<char>(0xE0 | (mark >> 12));
        out += static_cast<char>(0x80 | ((mark >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (mark & 0x3F));
    }
}

void appendDocumentText(std::string& out, const catalogue::Value& value)
{
    std::visit(
        [&out](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::int64_t>) {
                char digits[24];
                out.append(digits, std::to_chars(digits, std::end(digits), v).ptr);
            } else if constexpr (std::is_same_v<T, double>) {
                // As the grid shows it (15 significant digits), with the Italian comma.
                char digits[40];
                char* end = std::to_chars(digits, std::end(digits), v, std::chars_format::general, 15).ptr;
                std::replace(digits, end, '.', ',');
                out.append(digits, end);
            } else if constexpr (std::is_same_v<T, std::string>) {
                appendWithVisibleControls(out, v);
            } else if constexpr (std::is_same_v<T, catalogue::Blob>) {
                out += "(dati binari)";
            }
        },
        value);
}

QString documentText(const catalogue::Value& value)
{
    std::string text;
    appendDocumentText(text, value);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString cellReading(const QString& column, const QString& value, bool newRowLine)
{
    if (newRowLine)
        return QStringLiteral("%1: riga per un libro nuovo").arg(column);
    return QStringLiteral("%1: %2").arg(column, value.isEmpty() ? QStringLiteral("vuoto") : value);
}
