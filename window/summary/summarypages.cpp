// Riepilogo on A4 pages: the title, date and count on every page, a count never
// split across pages unless longer than one.
#include "summarypages.h"

#include "barchart.h"
#include "cataloguepages.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>

#include <functional>

namespace {

constexpr double sectionGap = 120;

QString booksText(std::int64_t books)
{
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    return books == 1 ? QStringLiteral("1 libro")
                      : QStringLiteral("%1 libri").arg(italian.toString(static_cast<qlonglong>(books)));
}

} // namespace

SummaryPages::SummaryPages(catalogue::LibrarySummary summary, QDate date)
    : m_summary(std::move(summary)), m_date(date)
{
}

QPageLayout SummaryPages::pageLayout() const
{
    return cataloguePageLayout(QPageLayout::Portrait);
}

bool SummaryPages::paint(QPagedPaintDevice& device)
{
    QPainter painter(&device);
    if (!painter.isActive())
        return false;
    paintPages(painter, scaleToCataloguePage(painter, device), [&] { device.newPage(); });
    return painter.end();
}

// Laid out twice: once to count the pages, once to draw them with "di M" known.
void SummaryPages::paintPages(QPainter& painter, const QSizeF& page, const std::function<void()>& newPage)
{
    const double width = page.width();
    const double height = page.height();
    const QFont titleFont = cataloguePageFont(140, true), font = cataloguePageFont(90, false),
                headingFont = cataloguePageFont(110, true), footFont = cataloguePageFont(80, false);
    const double line = QFontMetricsF(font).lineSpacing() * 1.3;
    const double head = QFontMetricsF(titleFont).height() + 2 * line;
    const double foot = 2 * QFontMetricsF(footFont).height();
    const QLocale italian(QLocale::Italian, QLocale::Italy);

    const auto layOut = [&](bool draw, int pages) {
        int page = 0;
        double top = 0;
        const auto startPage = [&] {
            if (draw) {
                if (page > 0)
                    newPage();
                painter.setFont(titleFont);
                painter.drawText(QPointF(0, QFontMetricsF(titleFont).ascent()), QStringLiteral("Riepilogo del catalogo"));
                painter.setFont(font);
                painter.drawText(QPointF(0, QFontMetricsF(titleFont).height() + line),
                                 italian.toString(m_date, QStringLiteral("d MMMM yyyy")) + QStringLiteral(" · ") +
                                     booksText(m_summary.books));
                painter.setFont(footFont);
                const QString footText = QStringLiteral("Pagina %1 di %2").arg(page + 1).arg(pages);
                painter.drawText(QPointF((width - QFontMetricsF(footFont).horizontalAdvance(footText)) / 2,
                                         height - QFontMetricsF(footFont).descent()),
                                 footText);
            }
            top = head;
        };
        startPage();
        for (const catalogue::SummarySection& section : m_summary.sections) {
            const std::size_t lines = section.missing.empty() ? std::max<std::size_t>(1, section.counts.size()) : 1;
            const double needed = 2 * line + static_cast<double>(lines) * line;
            if (top > head && top + needed > height - foot) {
                ++page;
                startPage();
            }
            if (draw) {
                painter.setFont(headingFont);
                painter.drawText(QPointF(0, top + line), QString::fromStdString(section.title));
                painter.setFont(font);
            }
            top += 1.5 * line;
            std::size_t drawn = 0;
            const std::int64_t scale = BarChart::scaleOf(section.counts);
            const auto nextLines = [&] {
                return std::min(section.counts.size() - drawn,
                                static_cast<std::size_t>(std::max(1.0, (height - foot - top) / line)));
            };
            if (!section.missing.empty() || section.counts.empty()) {
                if (draw)
                    painter.drawText(QPointF(0, top + line * 0.75),
                                     section.missing.empty()
                                         ? QStringLiteral("Nessun libro.")
                                         : QStringLiteral("Il catalogo non ha il campo «%1».")
                                               .arg(QString::fromStdString(section.missing)));
                top += line;
            }
            while (drawn < section.counts.size()) {
                const std::size_t count = nextLines();
                if (draw) {
                    const std::vector<catalogue::SummaryCount> part(section.counts.begin() + static_cast<long>(drawn),
                                                                    section.counts.begin() +
                                                                        static_cast<long>(drawn + count));
                    BarChart::paintBars(painter, QRectF(0, top, width, static_cast<double>(count) * line), part, line,
                                        scale);
                }
                drawn += count;
                top += static_cast<double>(count) * line;
                if (drawn < section.counts.size()) {
                    ++page;
                    startPage();
                }
            }
            top += sectionGap;
        }
        return page + 1;
    };
    m_pages = layOut(false, 0);
    layOut(true, m_pages);
}
