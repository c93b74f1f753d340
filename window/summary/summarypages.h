#pragma once

#include "librarysummary.h"

#include <QDate>
#include <QPageLayout>

#include <functional>

class QPagedPaintDevice;
class QPainter;

// The summary on paper, laid out as the printed list: A4 with its margins and
// fonts, the title with the date and the number of books on every page, each
// count as its rows and bars, "Pagina N di M" at the foot. A count never splits
// across pages unless it is longer than a page, and then keeps its one scale.
class SummaryPages {
public:
    SummaryPages(catalogue::LibrarySummary summary, QDate date);

    QPageLayout pageLayout() const;
    // False when the device could not take the painting.
    bool paint(QPagedPaintDevice& device);
    // Paints the pages with `painter` on pages of `page` size in its units, calling
    // `newPage` between two pages.
    void paintPages(QPainter& painter, const QSizeF& page, const std::function<void()>& newPage);
    int pageCount() const { return m_pages; }

private:
    catalogue::LibrarySummary m_summary;
    QDate m_date;
    int m_pages = 0;
};
