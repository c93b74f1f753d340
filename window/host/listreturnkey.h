#pragma once

#include <QObject>

class QAbstractItemView;

// Return (or Enter) in a list or table of a dialog stays there: the view tells
// `activated` for its current row, and the dialog's default button is not pressed.
// Without it the view lets the key go on, and the dialog presses a button the
// user never meant ("Aggiungi" in Campi…, under the list of fields).
class ListReturnKey : public QObject {
public:
    // Watches `view` for as long as it lives.
    static void keep(QAbstractItemView* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
