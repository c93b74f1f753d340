// The grid's own keys. The object watches the view it is a child of, so it lives
// exactly as long as the view; it keeps no state of its own and asks the view for
// its current cell and rows each time.
#include "gridkeyboard.h"

#include <QKeyEvent>
#include <QTableView>

GridKeyboard::GridKeyboard(QTableView& view, std::function<bool()> mayAddNew)
    : QObject(&view), m_view(view), m_mayAddNew(std::move(mayAddNew))
{
    view.installEventFilter(this);
}

bool GridKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_view && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier)
            return goToNewRowLine();
    }
    return QObject::eventFilter(watched, event);
}

// Enter writes the cell (the delegate then asks the model cache to be submitted);
// the cursor goes down to the next row, in the same column, so a column is filled
// in one run. Tab, Esc and a click elsewhere close editors with other hints.
void GridKeyboard::editorClosed(QAbstractItemDelegate::EndEditHint hint)
{
    if (hint == QAbstractItemDelegate::SubmitModelCache)
        moveDown();
}

// The new-row line, in the column the cursor is in; false, leaving the key to the
// view, when the grid shows no such line.
bool GridKeyboard::goToNewRowLine()
{
    const QAbstractItemModel* model = m_view.model();
    if (!model || !m_mayAddNew() || model->rowCount() == 0)
        return false;
    const int column = std::max(m_view.currentIndex().column(), 0);
    const QModelIndex line = model->index(model->rowCount() - 1, column);
    m_view.setCurrentIndex(line);
    m_view.scrollTo(line);
    return true;
}

void GridKeyboard::moveDown()
{
    const QModelIndex current = m_view.currentIndex();
    const QModelIndex below = current.sibling(current.row() + 1, current.column());
    if (below.isValid())
        m_view.setCurrentIndex(below);
}
