#pragma once

#include <QPersistentModelIndex>
#include <QTableView>

#include <optional>
#include <vector>

#include "error.h"
#include "editpermissions.h"
#include "grid.h"

class EditRefusals;
class GridAccessibility;
class GridKeyboard;
class HeadingSort;
class IsbnTyping;
class NewBookLine;
class ColumnWidths;
class RecordsetModel;
class ShownRowsModel;
class WindowServices;

// The window's data grid: a table view over the bound result set, with the three
// permissions of the old data grid, a new-row line, deletion with confirmation,
// copying as tab-separated text, and its two notifications.
class DataGrid : public QTableView, public Grid {
    Q_OBJECT
public:
    explicit DataGrid(WindowServices& services, QWidget* parent = nullptr);
    ~DataGrid() override;

    void setDataSource(std::shared_ptr<catalogue::Recordset> source) override;
    std::shared_ptr<catalogue::Recordset> boundResult() const override;
    void setAllowAddNew(bool allow) override;
    void setAllowDelete(bool allow) override;
    void setAllowUpdate(bool allow) override;
    void setBackColor(std::uint32_t color) override;
    void setNotifications(Notifications notifications) override;
    void commitPendingEdit() override;
    void addContextAction(QAction* action) override;
    RowsOnShow rowsOnShow() const override;
    bool lacksNewRowLine() const override;
    void takeFocus() override;

    bool allowAddNew() const { return m_permissions.addNew; }
    bool allowDelete() const { return m_permissions.remove; }
    bool allowUpdate() const { return m_permissions.update; }
    std::uint32_t backColor() const { return m_backColor; }

    // Deletes the books on the selected rows after the user confirms.
    void deleteSelectedRows();
    // The selected cells as tab-separated lines, headed by the column names when
    // whole rows are selected.
    QString selectedText() const;
    void copySelection() const;

    // The rows on show, filtered and sorted, over the bound result; null before the
    // first binding. Selections and current indexes are in its rows.
    ShownRowsModel* shownRows() const override;
    // The model over the bound result set itself, in result rows.
    RecordsetModel* recordsetModel() const;
    // The row in the result set of the book on view row `row`; -1 on the new-row line.
    int recordRow(int row) const;
    // Drops the quick filter and any sorting: the rows in the statement's order.
    void showStatementOrder() override;
    std::vector<std::size_t> chosenRecordRows() const override;
    bool showRecordRow(std::size_t row) override;
    std::optional<std::size_t> takeLastWritten() override;

protected:
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool showsNewRowLine() const;
    void placeCursorOnFirstRow();
    bool isOpenEditor(QWidget* editor) const;
    void sortRows(int column, Qt::SortOrder order);
    void clearSortIndicator();
    void reopenEdit(const QModelIndex& cell, const QString& typed);
    std::vector<int> selectedViewRows() const;
    std::vector<std::size_t> resultRows(const std::vector<int>& viewRows) const;

    WindowServices& m_services;
    EditPermissions m_permissions; ///< the one copy; the model bound reads it
    std::uint32_t m_backColor = 0xFFFFFF;
    Notifications m_notifications;
    EditRefusals* m_refusals;                 ///< a child of the grid
    std::unique_ptr<NewBookLine> m_newBook;
    bool m_committingForCommand = false;      ///< a command writes the open edit before it runs
    bool m_movingCursor = false;              ///< the view closes the editor left behind
    ColumnWidths* m_widths = nullptr;         ///< a child of the grid
    QPersistentModelIndex m_editorCell;       ///< the cell of the editor open, if any
    QList<QAction*> m_contextActions; ///< the window's tools, after the grid's own items
    GridKeyboard* m_keyboard; ///< a child of the grid
    GridAccessibility* m_accessibility; ///< a child of the grid
    HeadingSort* m_headingSort = nullptr; ///< a child of the grid
    IsbnTyping* m_isbn = nullptr; ///< a child of the grid
};
