#pragma once

#include <QObject>
#include <QPersistentModelIndex>

class QTableView;
class RowView;

// The book under the grid's cursor, kept across a new order of the rows. A press
// on a heading is where a sort begins, and Qt moves the cursor to the top row of
// that column on the press itself: the book is noted before the press reaches the
// heading. Sorting resets the row map, which would leave no cursor at all.
class KeptCursor : public QObject {
    Q_OBJECT
public:
    // Watches the presses on `view`'s headings; lives as the view's child.
    explicit KeptCursor(QTableView& view);

    // Notes the book and column of the cursor now, unless one is noted already.
    void note();
    // Puts the cursor back on the noted book, in view, and forgets it; the rows
    // are those of `rows`, the grid's row map.
    void restore(const RowView& rows);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView& m_view;
    bool m_noted = false;
    QPersistentModelIndex m_record; ///< in the record model, which a sort leaves alone
    bool m_onNewRowLine = false;
    int m_column = 0;
};
