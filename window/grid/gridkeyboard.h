#pragma once

#include <QAbstractItemDelegate>
#include <QItemSelectionModel>
#include <QObject>

#include <functional>
#include <optional>

class NewBookLine;
class QTableView;
class RecordsetModel;

// The grid's keys beyond the table view's own, so the catalogue is kept without
// the mouse: Ins goes to the new-row line while books may be added, and a cell
// written with Enter moves the cursor down, as a spreadsheet does. F2 (edit),
// Esc (cancel the cell being typed), Tab and Shift+Tab (across cells) are the
// view's own keys and stay so. A second Esc, on the line of a new book with no
// cell open, drops the book; a key typed onto a key the engine assigns says why
// nothing changes.
class GridKeyboard : public QObject {
    Q_OBJECT
public:
    // Watches `view`'s keys and lives as its child; `mayAddNew` says whether the
    // view shows a new-row line, which is always its last row.
    GridKeyboard(QTableView& view, NewBookLine& newBook, std::function<bool()> mayAddNew);

    // To be called by the view after an editor has closed with `hint`.
    void editorClosed(QAbstractItemDelegate::EndEditHint hint);

    // The text shown when a key is typed onto a key the engine assigns.
    static QString assignedKeyNote(const QString& column);
    // How the selection follows a keyboard move made by `event`; nothing when the
    // view's own rule holds.
    static std::optional<QItemSelectionModel::SelectionFlags> selectionOnMove(const QEvent* event);
    // The cell after `cell` in reading order (before it, unless `forward`), or
    // `cell` itself at either end.
    static QModelIndex cellBeyond(const QModelIndex& cell, bool forward);
    // Where the cursor lands when it goes from `from` to `to`: on a fresh new-row
    // line reached from another row, the line's first column that takes typing.
    QModelIndex arrival(const QModelIndex& from, const QModelIndex& to) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool goToNewRowLine();
    bool dropNewBook();
    void moveDown();
    bool refuseAssignedKey(const QKeyEvent& key);
    RecordsetModel* model() const;

    QTableView& m_view;
    NewBookLine& m_newBook;
    std::function<bool()> m_mayAddNew;
};
