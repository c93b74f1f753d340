// Keeps apart the widths the program chooses and the ones the user drags: every
// resize that does not come from fit() is the user's.
#include "columnwidths.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

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

void ColumnWidths::fit(bool sameColumns)
{
    if (!sameColumns)
        m_setByHand.clear();
    m_fitting = true;
    const int widest = std::max(m_view.viewport()->width() - m_view.verticalScrollBar()->sizeHint().width(), 40);
    const int columns = m_view.model() ? m_view.model()->columnCount() : 0;
    for (int column = 0; column < columns; ++column) {
        if (m_setByHand.count(column))
            continue;
        m_view.resizeColumnToContents(column);
        if (m_view.columnWidth(column) > widest)
            m_view.setColumnWidth(column, widest);
    }
    m_fitting = false;
}
