// Return in a dialog's list acts on the list's row, never on the dialog's buttons.
#include "listreturnkey.h"

#include <QAbstractItemView>
#include <QKeyEvent>

void ListReturnKey::keep(QAbstractItemView* view)
{
    view->installEventFilter(new ListReturnKey(view));
}

bool ListReturnKey::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    // An open editor is a widget of its own and takes its keys before the view.
    auto* view = static_cast<QAbstractItemView*>(watched);
    if (view->currentIndex().isValid())
        emit view->activated(view->currentIndex());
    return true;
}
