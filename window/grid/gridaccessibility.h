#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAbstractItemModel;
class QTableView;

// What a screen reader says of the grid: its name, and a description that counts
// the books and columns on show and says when the last line adds a book. The
// description follows every change of the grid's rows and columns.
class GridAccessibility : public QObject {
    Q_OBJECT
public:
    // Names `view` and lives as its child; `hasNewRowLine` says whether the view's
    // last row is the line where a new book is typed.
    GridAccessibility(QTableView& view, std::function<bool()> hasNewRowLine);

    // Follows `model`, the view's model from now on.
    void follow(QAbstractItemModel* model);

    // "5 libri, 4 colonne", and what the new-row line is when there is one.
    static QString description(int books, int columns, bool newRowLine);

private:
    void describe();

    QTableView& m_view;
    std::function<bool()> m_hasNewRowLine;
};
