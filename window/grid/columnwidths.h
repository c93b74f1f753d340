#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <set>

class QTableView;

// The widths of the grid's columns. Columns the program sizes follow each new
// result, once per result, never wider than two fifths of the grid (a megabyte
// author must not push the other columns off screen); columns the user has sized
// by hand keep their width while the result's columns stay the same, and, once
// the grid knows its catalogue (keepFor), in every result and every later run
// that shows a column of that name.
class ColumnWidths : public QObject {
    Q_OBJECT
public:
    explicit ColumnWidths(QTableView& view);
    ~ColumnWidths() override;

    // The view's ColumnWidths, if it has one.
    static ColumnWidths* of(QTableView& view);

    // Keeps the widths the user sets from now on in the program's settings, by
    // column name, for the catalogue at `cataloguePath`, and gives the columns
    // on show the widths kept for it before.
    void keepFor(const QString& cataloguePath);

    // Sizes the columns for the result just bound; `sameColumns` says whether it
    // has the columns of the result before it.
    void fit(bool sameColumns);

private:
    void sectionResized(int column, int oldWidth, int newWidth);
    void handleDoubleClicked(int column);
    void fitColumn(int column, int widest);
    QString columnKey(int column) const;
    int contentWidth(int column) const;
    int widestColumn() const;
    void saveKept();

    QTableView& m_view;
    std::set<int> m_setByHand;
    bool m_fitting = false;
    QString m_cataloguePath;  ///< empty while the widths are not kept
    QHash<QString, int> m_kept; ///< the user's widths, by column name in small letters
    bool m_keptChanged = false;
    QTimer m_saving;
};
