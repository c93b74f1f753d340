#pragma once

#include <QObject>

#include <set>

class QTableView;

// The widths of the grid's columns. Columns the program sizes follow each new
// result, once per result, never wider than two fifths of the grid (a megabyte
// author must not push the other columns off screen); columns the user has sized
// by hand keep their width while the result's columns stay the same.
class ColumnWidths : public QObject {
    Q_OBJECT
public:
    explicit ColumnWidths(QTableView& view);

    // Sizes the columns for the result just bound; `sameColumns` says whether it
    // has the columns of the result before it.
    void fit(bool sameColumns);

private:
    void sectionResized(int column);
    int contentWidth(int column) const;
    int widestColumn() const;

    QTableView& m_view;
    std::set<int> m_setByHand;
    bool m_fitting = false;
};
