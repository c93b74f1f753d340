#pragma once

#include <QDate>
#include <QFont>
#include <QPageLayout>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

#include "pagecolumns.h"
#include "rowsonshow.h"

class QPagedPaintDevice;
class QPdfWriter;
class QPainter;

// The page every printed list of the program has: A4 with its margins, and the
// fonts of its title, body, headings and foot, by size in tenths of a point.
QPageLayout cataloguePageLayout(QPageLayout::Orientation orientation);
QFont cataloguePageFont(int tenthsOfPoint, bool bold);
// The page's units: a painter scaled so, on any device, draws in 720ths of an inch.
inline constexpr double cataloguePageUnitsPerInch = 720;
// A PDF of such pages: their layout, 300 dots an inch, its title, made by Gestione Dorvi.
void prepareCataloguePdf(QPdfWriter& writer, const QPageLayout& layout, const QString& title);
// Scales `painter`, active on `device`, to those units; the printable area's size in them.
QSizeF scaleToCataloguePage(QPainter& painter, const QPagedPaintDevice& device);
class Progress;

// The printed list of the rows on show, in their order, on A4: on every page the
// title "Catalogo dei libri" with the date and the number of books, the column
// headings, the rows, and "Pagina N di M" at the foot. Long values wrap onto more
// lines instead of being cut; the page turns across when the columns need it. The
// columns are those on show, less any empty on every row listed (PageColumns).
class CataloguePages {
public:
    CataloguePages(RowsOnShow shown, QDate date);

    // Across when the columns' natural widths do not fit down the page.
    QPageLayout::Orientation orientation() const { return m_orientation; }
    // A4 with the program's margins, in the orientation above.
    QPageLayout pageLayout() const;

    // Draws every page on `device`, laid out for the page it has (the user may have
    // turned it). Returns false when `progress` says the user cancelled, or when
    // the device could not take the painting (a printer that failed); then the
    // device holds only some of the pages.
    bool paint(QPagedPaintDevice& device, Progress* progress = nullptr);
    // The number of pages of the last paint.
    int pageCount() const { return static_cast<int>(m_pageStarts.size()); }

private:
    struct Cell {
        QStringList lines;
        bool alignRight = false;
    };
    using Row = std::vector<Cell>;

    QStringList cellLines(const QString& text, std::size_t column) const;
    Row rowCells(std::size_t index) const;
    Row headingCells() const;
    double rowHeight(const Row& row) const;
    void paginate(double bodyHeight, Progress* progress);
    void paintPage(QPainter& painter, int page, double width, double height) const;
    double paintRow(QPainter& painter, const Row& row, const QFont& font, double top) const;

    RowsOnShow m_shown;
    QDate m_date;
    QFont m_titleFont, m_font, m_headingFont, m_footFont;
    double m_lineHeight = 0;
    PageColumns m_columns;
    std::vector<std::size_t> m_pageStarts; ///< index into m_shown.rows of each page's first row
    QPageLayout::Orientation m_orientation = QPageLayout::Portrait;
    int m_bodyLines = 0; ///< lines a row may have at most: one page's body
};
