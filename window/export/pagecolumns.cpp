// The columns of the printed list, apart from the pages so that what takes room and
// how a value breaks are decided in one place. A column is never narrower than its
// widest word while the page has room for that, so words break only when a single
// word is wider than a column can be; a date, an ISBN, a number and a rating are
// kept whole, since half an ISBN on each line reads as two wrong ones.
#include "pagecolumns.h"

#include "celltext.h"
#include "isbn.h"
#include "recordset.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <functional>
#include <numeric>

namespace {

constexpr double maxNaturalWidth = 3000; ///< about 10.5 cm: wider values wrap
constexpr double maxWordWidth = 1500;    ///< about 5.3 cm: a longer word may break
constexpr std::size_t sampledRows = 2000; ///< rows measured for the widths

// NULL, or text of spaces alone: nothing to read on paper.
bool printsNothing(const catalogue::Value& value)
{
    if (catalogue::isNull(value))
        return true;
    const auto* text = std::get_if<std::string>(&value);
    return text && std::all_of(text->begin(), text->end(), [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); });
}

QString printedText(FieldKind kind, const catalogue::Value& value)
{
    if (kind == FieldKind::Date || kind == FieldKind::Stars) {
        const QString shown = shownText(kind, value);
        if (shown != cellText(value))
            return shown;
    } else if (kind == FieldKind::YesNo) {
        const auto state = checkState(value);
        if (state && *state != Qt::PartiallyChecked)
            return *state == Qt::Checked ? QStringLiteral("sì") : QStringLiteral("no");
    }
    return documentText(value);
}

QStringList words(const QString& line)
{
    QStringList found;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        const bool space = i == line.size() || line.at(i).isSpace();
        if (space && start >= 0) {
            found << line.mid(start, i - start);
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return found;
}

// `word` cut into pieces no wider than `width`, between its letters as they are
// seen (a letter and its accents stay together), each piece at least one letter;
// at most `maxPieces` of them (0: all). The letters' widths are added up, so a
// word of a megabyte costs one pass.
QStringList brokenWord(const QString& word, const QFontMetricsF& metrics, double width, qsizetype maxPieces)
{
    QStringList pieces;
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, word);
    qsizetype start = 0, end = 0;
    double used = 0;
    for (qsizetype next = letters.toNextBoundary(); next > 0; next = letters.toNextBoundary()) {
        const double advance = metrics.horizontalAdvance(word.mid(end, next - end));
        if (end > start && used + advance > width) {
            pieces << word.mid(start, end - start);
            if (maxPieces > 0 && pieces.size() >= maxPieces)
                return pieces;
            start = end;
            used = 0;
        }
        used += advance;
        end = next;
    }
    if (end > start)
        pieces << word.mid(start, end - start);
    return pieces;
}

// The lines of `text` in `width`; see PageColumns::wrapped.
QStringList wrappedLines(const QString& text, const QFontMetricsF& metrics, double width, bool whole,
                         qsizetype maxLines)
{
    const double space = metrics.horizontalAdvance(QLatin1Char(' '));
    QStringList lines;
    const auto room = [&] { return maxLines > 0 ? maxLines - lines.size() : 0; };
    const auto full = [&] { return maxLines > 0 && lines.size() >= maxLines; };
    for (QString paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraph.endsWith(QLatin1Char('\r')))
            paragraph.chop(1);
        if (full())
            break;
        if (metrics.horizontalAdvance(paragraph) <= width) {
            lines << paragraph;
            continue;
        }
        if (whole) {
            lines << brokenWord(paragraph, metrics, width, room());
            continue;
        }
        QString line;
        double used = 0;
        for (const QString& word : words(paragraph)) {
            const double advance = metrics.horizontalAdvance(word);
            if (!line.isEmpty() && used + space + advance <= width) {
                line += QLatin1Char(' ') + word;
                used += space + advance;
                continue;
            }
            if (!line.isEmpty())
                lines << line;
            if (full())
                break;
            line = word;
            used = advance;
            if (advance > width) {
                QStringList pieces = brokenWord(word, metrics, width, room() > 0 ? room() + 1 : 0);
                line = pieces.takeLast();
                used = metrics.horizontalAdvance(line);
                lines << pieces;
                if (full())
                    break;
            }
        }
        if (!line.isEmpty() && !full())
            lines << line;
    }
    return lines;
}

} // namespace

PageColumns::PageColumns(const RowsOnShow& shown, const QFont& font, const QFont& headingFont, double padding)
    : m_recordset(shown.recordset), m_font(font), m_headingFont(headingFont), m_padding(padding)
{
    const std::vector<int> columns = shown.columnsInOrder();
    for (int source : columns) {
        const bool holdsSomething = std::any_of(shown.rows.begin(), shown.rows.end(), [&](std::size_t row) {
            return !printsNothing(m_recordset->value(row, source));
        });
        if (holdsSomething || shown.rows.empty())
            m_columns.push_back({source, fieldKind(*m_recordset, source)});
    }
    if (m_columns.empty()) {
        for (int source : columns)
            m_columns.push_back({source, fieldKind(*m_recordset, source)});
    }
    for (Column& column : m_columns) {
        column.whole = column.kind == FieldKind::Date || column.kind == FieldKind::Number ||
                       column.kind == FieldKind::Integer ||
                       column.kind == FieldKind::Stars || column.kind == FieldKind::YesNo ||
                       catalogue::isIsbnColumn(m_recordset->columnName(column.source));
        measure(column, shown.rows);
    }
}

QString PageColumns::heading(std::size_t column) const
{
    return QString::fromStdString(m_recordset->columnName(m_columns[column].source));
}

QString PageColumns::text(std::size_t row, std::size_t column) const
{
    return printedText(m_columns[column].kind, m_recordset->value(row, m_columns[column].source));
}

bool PageColumns::alignsRight(std::size_t row, std::size_t column) const
{
    const catalogue::Value value = m_recordset->value(row, m_columns[column].source);
    const FieldKind kind = m_columns[column].kind;
    return kind != FieldKind::Stars && kind != FieldKind::YesNo &&
           (std::holds_alternative<std::int64_t>(value) || std::holds_alternative<double>(value));
}

// The heading and a spread sample of the values, so that a million rows cost the
// same as two thousand: the widest line, and the widest word (the whole value in
// a column kept whole).
void PageColumns::measure(Column& column, const std::vector<std::size_t>& rows) const
{
    const QFontMetricsF body(m_font), heading(m_headingFont);
    const QString name = QString::fromStdString(m_recordset->columnName(column.source));
    double widest = heading.horizontalAdvance(name);
    double widestWord = 0;
    for (const QString& word : words(name))
        widestWord = std::max(widestWord, heading.horizontalAdvance(word));
    const std::size_t step = std::max<std::size_t>(1, rows.size() / sampledRows);
    for (std::size_t i = 0; i < rows.size(); i += step) {
        const QString text = printedText(column.kind, m_recordset->value(rows[i], column.source));
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            const double advance = body.horizontalAdvance(line);
            widest = std::max(widest, advance);
            // A line no wider than the widest word so far holds no wider word.
            if (column.whole) {
                widestWord = std::max(widestWord, advance);
            } else if (advance > widestWord && widestWord < maxWordWidth) {
                for (const QString& word : words(line))
                    widestWord = std::max(widestWord, body.horizontalAdvance(word));
            }
        }
    }
    column.natural = std::min(widest, maxNaturalWidth) + 2 * m_padding;
    column.least = std::min({widestWord, widest, column.whole ? maxNaturalWidth : maxWordWidth}) + 2 * m_padding;
}

double PageColumns::naturalWidth() const
{
    return std::accumulate(m_columns.begin(), m_columns.end(), 0.0,
                           [](double sum, const Column& column) { return sum + column.natural; });
}

// Columns that fit keep their natural width and share what is left. When they do
// not fit, the widest give way first, down to a common width, but none below its
// widest word. When even the words do not fit, the columns kept whole keep their
// width and the columns of the longest words give way first, so that the fewest
// words break.
void PageColumns::fit(double width)
{
    const double natural = naturalWidth();
    if (m_columns.empty() || natural <= 0)
        return;
    if (natural <= width) {
        for (Column& column : m_columns)
            column.width = column.natural * width / natural;
        return;
    }
    double least = 0, wholeLeast = 0;
    for (const Column& column : m_columns) {
        least += column.least;
        wholeLeast += column.whole ? column.least : 0;
    }
    if (least < width) {
        shareUnderCap(width, [](const Column& c) { return c.least; }, [](const Column& c) { return c.natural; });
    } else if (wholeLeast < width && wholeLeast < least) {
        shareUnderCap(width, [](const Column& c) { return c.whole ? c.least : 0.0; },
                      [](const Column& c) { return c.least; });
    } else {
        for (Column& column : m_columns)
            column.width = column.least * width / least;
    }
}

// Each column as wide as `upper` allows under a cap common to all, never below
// `lower`: the cap is the one that fills `width`.
void PageColumns::shareUnderCap(double width, const std::function<double(const Column&)>& lower,
                                const std::function<double(const Column&)>& upper)
{
    const auto widthUnder = [&](const Column& column, double cap) {
        return std::max(lower(column), std::min(upper(column), cap));
    };
    double low = 0, high = 0;
    for (const Column& column : m_columns)
        high = std::max(high, upper(column));
    for (int step = 0; step < 40; ++step) {
        const double cap = (low + high) / 2;
        double sum = 0;
        for (const Column& column : m_columns)
            sum += widthUnder(column, cap);
        (sum > width ? high : low) = cap;
    }
    for (Column& column : m_columns)
        column.width = widthUnder(column, low);
}

QStringList PageColumns::wrapped(const QString& text, const QFont& font, std::size_t column, int maxLines) const
{
    return wrappedLines(text, QFontMetricsF(font), m_columns[column].width - 2 * m_padding, m_columns[column].whole,
                        maxLines);
}

QStringList PageColumns::headingLines(std::size_t column) const
{
    return wrappedLines(heading(column), QFontMetricsF(m_headingFont), m_columns[column].width - 2 * m_padding, false,
                        0);
}
