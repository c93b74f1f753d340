#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "rowsonshow.h"

class QAction;
class ShownRowsModel;

namespace catalogue {
class Recordset;
}

// What the window asks of its data grid. The real one is DataGrid; tests use fakes.
class Grid {
public:
    // The two notifications the window listens to; neither carries arguments.
    struct Notifications {
        std::function<void()> afterUpdate; ///< a changed or new row has just been written to the file
        std::function<void()> onAddNew;    ///< the user has begun typing a new row
    };

    virtual ~Grid() = default;

    // Shows every column and row of `source` and keeps it alive until bound anew.
    // Any cell edit still open is written first.
    virtual void setDataSource(std::shared_ptr<catalogue::Recordset> source) = 0;
    // The result the grid shows, kept since the last binding; null before any.
    virtual std::shared_ptr<catalogue::Recordset> boundResult() const = 0;
    // The permissions stay as set across bindings and apply at once to the rows shown.
    virtual void setAllowAddNew(bool allow) = 0;
    virtual void setAllowDelete(bool allow) = 0;
    virtual void setAllowUpdate(bool allow) = 0;
    // 0x00BBGGRR: red in the low byte, then green, then blue.
    virtual void setBackColor(std::uint32_t color) = 0;
    virtual void setNotifications(Notifications notifications) = 0;
    // Writes a cell edit still open and the new book still being typed; a value the
    // file refuses is reported to the user once, before it returns, and what was
    // typed is put on the clipboard, so the command that asked can go on.
    virtual void commitPendingEdit() = 0;
    // True while new rows are allowed but the grid shows no line to type one into:
    // nothing bound yet, or a computed result such as the count.
    virtual bool lacksNewRowLine() const = 0;
    // Gives the grid the keyboard, with a current cell (the first row's when it had none).
    virtual void takeFocus() = 0;
    // Offers a window command in the grid's own context menu too; the window keeps
    // the action.
    virtual void addContextAction(QAction* action) = 0;
    // The books on show, in the order shown, without the new-row line.
    virtual RowsOnShow rowsOnShow() const = 0;
    // The rows on show, filtered and sorted, over the bound result; null before the
    // first binding, and in a grid that neither filters nor sorts.
    virtual ShownRowsModel* shownRows() const = 0;
    // Drops any filter and sorting: the rows in the statement's order.
    virtual void showStatementOrder() = 0;

    // The rows of the bound result chosen: those selected, or the one under the
    // cursor when none is, in the order shown, never the new-row line. A grid that
    // cannot choose has none.
    virtual std::vector<std::size_t> chosenRecordRows() const { return {}; }
    // Puts the cursor on row `row` of the bound result, in the column it was in;
    // false, and the cursor left where it was, when that row is not on show.
    virtual bool showRecordRow(std::size_t row) { (void)row; return false; }
    // The row of the bound result written last, a changed or a new book, once;
    // nothing after a write of another kind (an undo, a redo).
    virtual std::optional<std::size_t> takeLastWritten() { return std::nullopt; }
};
