// Keeps apart the widths the program chooses and the ones the user drags: every
// resize that does not come from fit() is the user's.
#include "columnwidths.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

ColumnWidths::ColumnWidths(QTableView& view) : QObject(&view), m_view(view)
{
    connect(view.horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int) { sectionResized(column); });
}

void ColumnWidths::sectionResized(int column)
{
    if (!m_fitting)
        m_setByHand.insert(column);
}

// The rows on screen and the first and last rows of the result are sampled (the
// last hold the largest keys), and of each column's cells only the few with the
// longest text are laid out: laying out every sampled cell, as Qt's own sizing
// does, cost tens of milliseconds a command. The grid's delegate measures only the
// beginning of each (CellPainter::measuredLength), so a megabyte title costs no
// more than a long one.
int ColumnWidths::contentWidth(int column) const
{
    constexpr int sampledAtEachEnd = 100;
    constexpr std::size_t measured = 3;
    const QAbstractItemModel& model = *m_view.model();
    const int rows = model.rowCount();
    const int firstShown = std::max(0, m_view.rowAt(0));
    const int bottomRow = m_view.rowAt(m_view.viewport()->height());
    const int lastShown = std::min(bottomRow < 0 ? rows - 1 : bottomRow, firstShown + sampledAtEachEnd);
    std::vector<std::pair<qsizetype, int>> longest; // (length, row), longest first
    const auto consider = [&](int row) {
        const qsizetype length = model.index(row, column).data().toString().size();
        if (longest.size() == measured && length <= longest.back().first)
            return;
        longest.emplace_back(length, row);
        std::sort(longest.begin(), longest.end(), std::greater<>());
        if (longest.size() > measured)
            longest.pop_back();
    };
    for (int row = firstShown; row <= lastShown; ++row)
        consider(row);
    for (int row = 0; row < rows; ++row) {
        if (row == sampledAtEachEnd && rows - sampledAtEachEnd > row)
            row = rows - sampledAtEachEnd;
        if (row < firstShown || row > lastShown)
            consider(row);
    }
    int width = 0;
    for (const auto& [length, row] : longest)
        width = std::max(width, m_view.sizeHintForIndex(model.index(row, column)).width());
    return m_view.showGrid() ? width + 1 : width;
}

// Two fifths of the grid: a long title or a megabyte author leaves at least two
// columns in sight, and the cursor entering it or a click on its heading never
// scrolls the others away. Its cells show the whole value as a tooltip and in the
// editor.
int ColumnWidths::widestColumn() const
{
    const int grid = m_view.viewport()->width() - m_view.verticalScrollBar()->sizeHint().width();
    return std::max(grid * 2 / 5, 40);
}

void ColumnWidths::fit(bool sameColumns)
{
    if (!sameColumns)
        m_setByHand.clear();
    m_fitting = true;
    const int widest = widestColumn();
    const int columns = m_view.model() ? m_view.model()->columnCount() : 0;
    for (int column = 0; column < columns; ++column) {
        if (m_setByHand.count(column))
            continue;
        const int heading = m_view.horizontalHeader()->sectionSizeHint(column);
        m_view.setColumnWidth(column, std::min(std::max(contentWidth(column), heading), widest));
    }
    m_fitting = false;
}
