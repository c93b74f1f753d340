// Pages of the printed list. Everything is laid out in tenths of a point (720 to
// the inch) with fonts sized in the same units, so a page looks the same on a
// printer, in the preview and in a PDF whatever their resolution. A paint lays the
// pages out first (each row's height from its wrapped lines) and then draws them,
// so every foot knows the number of pages.
#include "cataloguepages.h"

#include "recordset.h"
#include "windowservices.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace {

constexpr double unitsPerInch = cataloguePageUnitsPerInch;
constexpr double unitsPerMm = unitsPerInch / 25.4;
constexpr double marginMm = 12;
constexpr double cellPadX = 30, cellPadY = 12;
constexpr double titleGap = 20, headGap = 60, footGap = 60;
constexpr std::size_t rowsBetweenReports = 256;

QFont sizedFont(int tenthsOfPoint, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(tenthsOfPoint);
    font.setBold(bold);
    // No ligatures, so "fi" stays two letters that a search of the PDF, or a copy
    // from it, finds as typed.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

double pageWidth(QPageLayout::Orientation orientation)
{
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    const double across = orientation == QPageLayout::Portrait ? a4.width() : a4.height();
    return (across - 2 * marginMm) * unitsPerMm;
}

} // namespace

CataloguePages::CataloguePages(RowsOnShow shown, QDate date)
    : m_shown(std::move(shown)),
      m_date(date),
      m_titleFont(sizedFont(140, true)),
      m_font(sizedFont(90, false)),
      m_headingFont(sizedFont(90, true)),
      m_footFont(sizedFont(80, false)),
      m_lineHeight(QFontMetricsF(m_font).lineSpacing()),
      // Printed as shown: the columns hidden in the grid are left out, the rest in its order.
      m_columns(m_shown, m_font, m_headingFont, cellPadX)
{
    const double natural = m_columns.naturalWidth();
    m_orientation = natural > pageWidth(QPageLayout::Portrait) ? QPageLayout::Landscape : QPageLayout::Portrait;
}

QPageLayout cataloguePageLayout(QPageLayout::Orientation orientation)
{
    return QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(marginMm, marginMm, marginMm, marginMm),
                       QPageLayout::Millimeter);
}

void prepareCataloguePdf(QPdfWriter& writer, const QPageLayout& layout, const QString& title)
{
    writer.setPageLayout(layout);
    writer.setResolution(300);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Gestione Dorvi"));
}

QSizeF scaleToCataloguePage(QPainter& painter, const QPagedPaintDevice& device)
{
    const QRect area = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const double scale = device.logicalDpiX() / unitsPerInch;
    painter.scale(scale, scale);
    return QSizeF(area.width() / scale, area.height() / scale);
}

QFont cataloguePageFont(int tenthsOfPoint, bool bold)
{
    return sizedFont(tenthsOfPoint, bold);
}

QPageLayout CataloguePages::pageLayout() const
{
    return cataloguePageLayout(m_orientation);
}

// The lines of a value in its column; a value longer than a whole page ends with
// a mark on the page's last line.
QStringList CataloguePages::cellLines(const QString& text, std::size_t column) const
{
    QStringList lines = m_columns.wrapped(text, m_font, column, m_bodyLines > 0 ? m_bodyLines + 1 : 0);
    if (m_bodyLines > 0 && lines.size() > m_bodyLines) {
        lines.resize(m_bodyLines);
        lines.back() += QChar(0x2026);
    }
    return lines;
}

CataloguePages::Row CataloguePages::rowCells(std::size_t index) const
{
    Row row;
    const std::size_t source = m_shown.rows[index];
    for (std::size_t column = 0; column < m_columns.count(); ++column)
        row.push_back({cellLines(m_columns.text(source, column), column), m_columns.alignsRight(source, column)});
    return row;
}

CataloguePages::Row CataloguePages::headingCells() const
{
    Row row;
    for (std::size_t column = 0; column < m_columns.count(); ++column)
        row.push_back({m_columns.headingLines(column), false});
    return row;
}

double CataloguePages::rowHeight(const Row& row) const
{
    qsizetype lines = 1;
    for (const Cell& cell : row)
        lines = std::max(lines, cell.lines.size());
    return static_cast<double>(lines) * m_lineHeight + 2 * cellPadY;
}

void CataloguePages::paginate(double bodyHeight, Progress* progress)
{
    m_pageStarts.assign(1, 0);
    double used = 0;
    for (std::size_t i = 0; i < m_shown.rows.size(); ++i) {
        if (progress && i % rowsBetweenReports == 0 && !progress->advance(static_cast<qint64>(i)))
            return;
        const double height = rowHeight(rowCells(i));
        if (used > 0 && used + height > bodyHeight) {
            m_pageStarts.push_back(i);
            used = 0;
        }
        used += height;
    }
}

double CataloguePages::paintRow(QPainter& painter, const Row& row, const QFont& font, double top) const
{
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    double left = 0;
    for (std::size_t column = 0; column < row.size(); ++column) {
        const Cell& cell = row[column];
        double baseline = top + cellPadY + metrics.ascent();
        for (const QString& line : cell.lines) {
            const double x = cell.alignRight ? left + m_columns.width(column) - cellPadX - metrics.horizontalAdvance(line)
                                             : left + cellPadX;
            painter.drawText(QPointF(x, baseline), line);
            baseline += m_lineHeight;
        }
        left += m_columns.width(column);
    }
    return rowHeight(row);
}

void CataloguePages::paintPage(QPainter& painter, int page, double width, double height) const
{
    const QFontMetricsF title(m_titleFont), foot(m_footFont);
    painter.setFont(m_titleFont);
    double top = title.ascent();
    painter.drawText(QPointF(0, top), QStringLiteral("Catalogo dei libri"));
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    const qsizetype books = static_cast<qsizetype>(m_shown.rows.size());
    const QString count = books == 1 ? QStringLiteral("1 libro") : QStringLiteral("%1 libri").arg(italian.toString(books));
    painter.setFont(m_font);
    top += title.descent() + titleGap + QFontMetricsF(m_font).ascent();
    painter.drawText(QPointF(0, top), italian.toString(m_date, QStringLiteral("d MMMM yyyy")) + QStringLiteral(" · ") + count);
    top += QFontMetricsF(m_font).descent() + headGap;

    top += paintRow(painter, headingCells(), m_headingFont, top);
    painter.setPen(QPen(Qt::black, 5));
    painter.drawLine(QPointF(0, top), QPointF(width, top));
    painter.setPen(QPen(Qt::black));

    const std::size_t first = m_pageStarts[static_cast<std::size_t>(page)];
    const std::size_t end = static_cast<std::size_t>(page) + 1 < m_pageStarts.size()
        ? m_pageStarts[static_cast<std::size_t>(page) + 1] : m_shown.rows.size();
    for (std::size_t i = first; i < end; ++i)
        top += paintRow(painter, rowCells(i), m_font, top);

    painter.setFont(m_footFont);
    const QString footText = QStringLiteral("Pagina %1 di %2").arg(page + 1).arg(pageCount());
    painter.drawText(QPointF((width - foot.horizontalAdvance(footText)) / 2, height - foot.descent()), footText);
}

bool CataloguePages::paint(QPagedPaintDevice& device, Progress* progress)
{
    QPainter painter(&device);
    if (!painter.isActive())
        return false;
    const QSizeF page = scaleToCataloguePage(painter, device);
    const double width = page.width();
    const double height = page.height();

    m_columns.fit(width);
    const double titleHeight = QFontMetricsF(m_titleFont).height() + titleGap + m_lineHeight + headGap;
    const double footHeight = footGap + QFontMetricsF(m_footFont).height();
    m_bodyLines = 0;
    const double headingHeight = rowHeight(headingCells());
    const double bodyHeight = height - titleHeight - headingHeight - footHeight;
    m_bodyLines = std::max(1, static_cast<int>((bodyHeight - 2 * cellPadY) / m_lineHeight));
    paginate(bodyHeight, progress);
    const auto rows = static_cast<qint64>(m_shown.rows.size());
    if (progress && !progress->advance(rows))
        return false;

    for (int page = 0; page < pageCount(); ++page) {
        if (page > 0)
            device.newPage();
        if (progress && !progress->advance(rows + static_cast<qint64>(m_pageStarts[static_cast<std::size_t>(page)])))
            return false;
        paintPage(painter, page, width, height);
    }
    return painter.end() && (!progress || progress->advance(2 * rows));
}
