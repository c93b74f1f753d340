// The new book's line as the grid sees it. The object keeps no state: what was
// typed lives in the grid's model (PendingBook), and the line is always the first
// row after the books on show.
#include "newbookline.h"

#include "recordsetmodel.h"
#include "shownrowsmodel.h"

#include <QAbstractItemView>

ShownRowsModel* NewBookLine::view() const
{
    return qobject_cast<ShownRowsModel*>(m_view.model());
}

RecordsetModel* NewBookLine::model() const
{
    ShownRowsModel* rows = view();
    return rows ? &rows->recordsetModel() : nullptr;
}

bool NewBookLine::isBookLine(int row) const
{
    const RecordsetModel* source = model();
    return source && source->hasPendingBook() && row == view()->shownRecords();
}

void NewBookLine::cursorMoved(int previous, int current)
{
    if (previous != current && isBookLine(previous))
        write(EditRefusals::Then::Reopen);
}

// For a command, the refused book is on the clipboard and leaves the line, which
// then never shows values the file refused.
bool NewBookLine::write(EditRefusals::Then then)
{
    RecordsetModel* source = model();
    if (!source || !source->hasPendingBook())
        return true;
    const PendingBook& book = *source->pendingBook();
    const QPersistentModelIndex cell = view()->index(view()->shownRecords(), book.lastColumn());
    const QString typed = then == EditRefusals::Then::Rescue ? book.clipboardText() : cell.data(Qt::EditRole).toString();
    bool written = true;
    m_refusals.watch(cell, typed, then, [&] { written = source->writePendingBook(); });
    if (!written && then == EditRefusals::Then::Rescue)
        source->dropPendingBook();
    return written;
}

bool NewBookLine::dropAt(int row)
{
    if (!isBookLine(row))
        return false;
    model()->dropPendingBook();
    return true;
}
