// The grid's own keys. The object watches the view it is a child of, so it lives
// exactly as long as the view; it keeps no state of its own and asks the view for
// its current cell and rows each time.
#include "gridkeyboard.h"

#include "fieldkeys.h"
#include "newbookline.h"
#include "recordsetmodel.h"
#include "shownrowsmodel.h"

#include <QKeyEvent>
#include <QTableView>
#include <QToolTip>

GridKeyboard::GridKeyboard(QTableView& view, NewBookLine& newBook, std::function<bool()> mayAddNew)
    : QObject(&view), m_view(view), m_newBook(newBook), m_mayAddNew(std::move(mayAddNew))
{
    view.installEventFilter(this);
}

QString GridKeyboard::assignedKeyNote(const QString& column)
{
    return QStringLiteral("«%1» è assegnato dal catalogo a ogni libro e non si modifica.").arg(column);
}

RecordsetModel* GridKeyboard::model() const
{
    auto* view = qobject_cast<ShownRowsModel*>(m_view.model());
    return view ? &view->recordsetModel() : nullptr;
}

bool GridKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_view && event->type() == QEvent::KeyRelease)
        return refuseAssignedKey(*static_cast<QKeyEvent*>(event));
    if (watched == &m_view && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier)
            return goToNewRowLine();
        if (key->key() == Qt::Key_Escape && !m_view.indexWidget(m_view.currentIndex()))
            return dropNewBook();
        if (refuseAssignedKey(*key) || FieldKeys::typed(m_view, *key))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

// The book's line is empty again, and the cursor where a book begins.
bool GridKeyboard::dropNewBook()
{
    const QModelIndex current = m_view.currentIndex();
    if (!m_newBook.dropAt(current.row()))
        return false;
    m_view.setCurrentIndex(current.sibling(current.row(), model()->firstTypeableColumn()));
    return true;
}

// Enter writes the cell (the delegate then asks the model cache to be submitted);
// the cursor goes down to the next row, in the same column, so a column is filled
// in one run. Tab, Esc and a click elsewhere close editors with other hints.
void GridKeyboard::editorClosed(QAbstractItemDelegate::EndEditHint hint)
{
    if (hint == QAbstractItemDelegate::SubmitModelCache)
        moveDown();
}

// The new-row line (the book being typed, when there is one); false, leaving the
// key to the view, when the grid shows no such line.
bool GridKeyboard::goToNewRowLine()
{
    const QAbstractItemModel* rows = m_view.model();
    if (!rows || !m_mayAddNew() || rows->rowCount() == 0)
        return false;
    int row = rows->rowCount() - 1;
    if (m_newBook.isBookLine(row - 1))
        --row;
    int column = std::max(m_view.currentIndex().column(), 0);
    if (model()->isAssignedKey(column))
        column = model()->firstTypeableColumn();
    const QModelIndex line = arrival(m_view.currentIndex(), rows->index(row, column));
    m_view.setCurrentIndex(line);
    m_view.scrollTo(line);
    return true;
}

// A book is begun in its first column, whatever column the cursor comes from: the
// author typed from `genere` would otherwise land in genere, the title in the next
// column, and so on. Along the line, or on a book being typed, the cursor goes
// where the key sends it.
QModelIndex GridKeyboard::arrival(const QModelIndex& from, const QModelIndex& to) const
{
    const auto* rows = qobject_cast<const ShownRowsModel*>(to.model());
    if (!rows || !to.isValid() || (from.isValid() && from.row() == to.row()) || !rows->isNewRowLine(to.row()) ||
        m_newBook.isBookLine(to.row()))
        return to;
    return to.sibling(to.row(), model()->firstTypeableColumn());
}

// Down one row in the same column; below a book just typed, or below the last book,
// the next book starts in its first column that the user can type into.
void GridKeyboard::moveDown()
{
    const QModelIndex current = m_view.currentIndex();
    const QModelIndex below = arrival(current, current.sibling(current.row() + 1, current.column()));
    if (below.isValid())
        m_view.setCurrentIndex(below);
}

// Typing onto a key the engine assigns changes nothing, and a note says why,
// instead of the view's jump to a row that starts with the letters typed. The note
// shows as the key is let go, since any key pressed or let go hides a tooltip.
bool GridKeyboard::refuseAssignedKey(const QKeyEvent& key)
{
    const QModelIndex current = m_view.currentIndex();
    const RecordsetModel* source = model();
    if (key.text().isEmpty() || !key.text().at(0).isPrint() || (key.modifiers() & ~Qt::ShiftModifier) ||
        !current.isValid() || !source || !m_mayAddNew() || !source->isAssignedKey(current.column()))
        return false;
    if (key.type() == QEvent::KeyPress)
        return true;
    const QRect cell = m_view.visualRect(current);
    const QString column = m_view.model()->headerData(current.column(), Qt::Horizontal).toString();
    QToolTip::showText(m_view.viewport()->mapToGlobal(cell.bottomLeft()), assignedKeyNote(column), &m_view);
    return true;
}

// Qt leaves the selection behind on a move with Ctrl (Ctrl+End, Ctrl+Home): the
// selection then lies out of sight, and Canc would delete a book the user cannot
// see. Every keyboard move takes the selection along; Shift still extends it.
std::optional<QItemSelectionModel::SelectionFlags> GridKeyboard::selectionOnMove(const QEvent* event)
{
    if (!event || event->type() != QEvent::KeyPress)
        return std::nullopt;
    const auto* key = static_cast<const QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (key->modifiers() & Qt::ShiftModifier)
            return QItemSelectionModel::SelectCurrent;
        return QItemSelectionModel::ClearAndSelect;
    default:
        return std::nullopt;
    }
}

QModelIndex GridKeyboard::cellBeyond(const QModelIndex& cell, bool forward)
{
    const QAbstractItemModel* rows = cell.model();
    const int step = forward ? 1 : -1;
    int row = cell.row(), column = cell.column() + step;
    if (column >= rows->columnCount() || column < 0) {
        row += step;
        column = forward ? 0 : rows->columnCount() - 1;
    }
    const QModelIndex beyond = rows->index(row, column);
    return beyond.isValid() ? beyond : cell;
}
