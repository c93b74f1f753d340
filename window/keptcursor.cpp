// Records keep their rows in the record model while the row map reorders them, so
// a persistent index there still names the book after the sort (and follows it if
// the edit written before the sort removed a row above it).
#include "keptcursor.h"

#include "recordsetmodel.h"
#include "rowview.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>

KeptCursor::KeptCursor(QTableView& view) : QObject(&view), m_view(view)
{
    view.horizontalHeader()->viewport()->installEventFilter(this);
}

bool KeptCursor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        m_noted = false;
        note();
    }
    return QObject::eventFilter(watched, event);
}

void KeptCursor::note()
{
    if (m_noted)
        return;
    const auto* rows = qobject_cast<const RowView*>(m_view.model());
    const QModelIndex current = m_view.currentIndex();
    if (!rows || !current.isValid())
        return;
    const int record = rows->recordRow(current.row());
    m_record = record >= 0 ? QPersistentModelIndex(rows->recordsetModel().index(record, 0)) : QPersistentModelIndex();
    m_onNewRowLine = rows->isNewRowLine(current.row());
    m_column = current.column();
    m_noted = m_record.isValid() || m_onNewRowLine;
}

void KeptCursor::restore(const RowView& rows)
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
