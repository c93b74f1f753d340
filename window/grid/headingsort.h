#pragma once

#include <QObject>
#include <QPersistentModelIndex>

#include <functional>

class QTableView;
class ShownRowsModel;

// Sorting the grid's rows on a click on a heading, with the cursor kept on its
// book. A press on a heading is where a sort begins, and Qt moves the cursor to
// the top row of that column on the press itself: the book is noted before the
// press reaches the heading. Sorting resets the row map, which would leave no
// cursor at all.
class HeadingSort : public QObject {
    Q_OBJECT
public:
    // Watches the presses on `view`'s headings and lives as the view's child;
    // `commitEdit` writes a cell edit still open.
    HeadingSort(QTableView& view, std::function<void()> commitEdit);

    // Writes the open edit, sorts `rows` (the view's row map) by `column`, and puts
    // the cursor back on its book, in view.
    void sort(ShownRowsModel& rows, int column, Qt::SortOrder order);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void note();
    void restore(const ShownRowsModel& rows);

    QTableView& m_view;
    std::function<void()> m_commitEdit;
    bool m_noted = false;
    QPersistentModelIndex m_record; ///< in the record model, which a sort leaves alone
    bool m_onNewRowLine = false;
    int m_column = 0;
};
