// Records keep their rows in the record model while the row map reorders them, so
// a persistent index there still names the book after the sort (and follows it if
// the edit written before the sort removed a row above it). A press noted without
// a sort after it (a drag of a column's edge) is replaced at the next press.
#include "headingsort.h"

#include "recordsetmodel.h"
#include "shownrowsmodel.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>

HeadingSort::HeadingSort(QTableView& view, std::function<void()> commitEdit)
    : QObject(&view), m_view(view), m_commitEdit(std::move(commitEdit))
{
    view.horizontalHeader()->viewport()->installEventFilter(this);
}

// Sorting a million rows by a text column takes up to a second: the pointer says so.
void HeadingSort::sort(ShownRowsModel& rows, int column, Qt::SortOrder order)
{
    note();
    m_commitEdit();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    rows.sortByColumn(column, order);
    QApplication::restoreOverrideCursor();
    restore(rows);
}

bool HeadingSort::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        m_noted = false;
        note();
    }
    return QObject::eventFilter(watched, event);
}

void HeadingSort::note()
{
    if (m_noted)
        return;
    const auto* rows = qobject_cast<const ShownRowsModel*>(m_view.model());
    const QModelIndex current = m_view.currentIndex();
    if (!rows || !current.isValid())
        return;
    const int record = rows->recordRow(current.row());
    m_record = record >= 0 ? QPersistentModelIndex(rows->recordsetModel().index(record, 0)) : QPersistentModelIndex();
    m_onNewRowLine = rows->isNewRowLine(current.row());
    m_column = current.column();
    m_noted = m_record.isValid() || m_onNewRowLine;
}

void HeadingSort::restore(const ShownRowsModel& rows)
{
    if (!std::exchange(m_noted, false))
        return;
    int row = -1;
    if (m_record.isValid())
        row = rows.viewRow(m_record.row());
    else if (m_onNewRowLine && rows.isNewRowLine(rows.rowCount() - 1))
        row = rows.rowCount() - 1;
    if (row < 0)
        return;
    const QModelIndex cell = rows.index(row, std::min(m_column, rows.columnCount() - 1));
    m_view.setCurrentIndex(cell);
    m_view.scrollTo(cell);
}
