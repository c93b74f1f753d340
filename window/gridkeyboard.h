#pragma once

#include <QAbstractItemDelegate>
#include <QObject>

#include <functional>

class QTableView;

// The grid's keys beyond the table view's own, so the catalogue is kept without
// the mouse: Ins goes to the new-row line while books may be added, and a cell
// written with Enter moves the cursor down, as a spreadsheet does. F2 (edit),
// Esc (cancel the cell being typed), Tab and Shift+Tab (across cells) are the
// view's own keys and stay so.
class GridKeyboard : public QObject {
    Q_OBJECT
public:
    // Watches `view`'s keys and lives as its child; `mayAddNew` says whether the
    // view shows a new-row line, which is always its last row.
    GridKeyboard(QTableView& view, std::function<bool()> mayAddNew);

    // To be called by the view after an editor has closed with `hint`.
    void editorClosed(QAbstractItemDelegate::EndEditHint hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool goToNewRowLine();
    void moveDown();

    QTableView& m_view;
    std::function<bool()> m_mayAddNew;
};
