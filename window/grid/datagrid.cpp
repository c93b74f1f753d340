// The grid widget. It owns its model, made at the first binding, and through it the
// bound result set; binding another result set replaces the result in that model. Errors raised while the view commits an edit
// are held until the commit has unwound and then shown, so no dialog opens while
// the editor is still closing (which would commit it a second time).
#include "datagrid.h"

#include "cellpainter.h"
#include "columnview.h"
#include "columnwidths.h"
#include "deletionquestion.h"
#include "editrefusals.h"
#include "isbntyping.h"
#include "gridaccessibility.h"
#include "gridkeyboard.h"
#include "headingsort.h"
#include "newbookline.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "shownrowsmodel.h"
#include "selectioncopy.h"
#include "windowservices.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace {

QColor colorFromBgr(std::uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

QFont gridFont(qreal pointSize, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

DataGrid::DataGrid(WindowServices& services, QWidget* parent) : QTableView(parent), m_services(services)
{
    setObjectName(QStringLiteral("DataGrid1"));
    setFont(gridFont(8.25, false));
    horizontalHeader()->setFont(gridFont(9.75, true));
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // Wide enough for the "*" of the new-row line, so the grid does not shift when it appears.
    verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('*')) + 12);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    setSelectionMode(ExtendedSelection);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    m_refusals = new EditRefusals(*this, m_services, [this](const QModelIndex& cell, const QString& typed) {
        reopenEdit(cell, typed);
    });
    m_newBook = std::make_unique<NewBookLine>(*this, *m_refusals);
    m_isbn = new IsbnTyping(*this, m_services, *m_refusals,
                            [this](const QModelIndex& cell, const QString& typed) { reopenEdit(cell, typed); });
    m_keyboard = new GridKeyboard(*this, *m_newBook, [this] { return showsNewRowLine(); });
    m_accessibility = new GridAccessibility(*this, [this] { return showsNewRowLine(); });
    setItemDelegate(new CellPainter(this));
    m_widths = new ColumnWidths(*this);
    // A click on a heading sorts by that column, a second click reverses; the rows
    // start in the statement's order, with no arrow shown.
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, this, &DataGrid::sortRows);
    m_headingSort = new HeadingSort(*this, [this] { commitPendingEdit(); });
}

DataGrid::~DataGrid() = default;

bool DataGrid::showsNewRowLine() const
{
    const RecordsetModel* model = recordsetModel();
    return model && model->showsNewRowLine();
}

ShownRowsModel* DataGrid::shownRows() const
{
    return qobject_cast<ShownRowsModel*>(model());
}

RecordsetModel* DataGrid::recordsetModel() const
{
    ShownRowsModel* view = shownRows();
    return view ? &view->recordsetModel() : nullptr;
}

std::shared_ptr<catalogue::Recordset> DataGrid::boundResult() const
{
    const RecordsetModel* model = recordsetModel();
    return model ? model->recordset() : nullptr;
}

int DataGrid::recordRow(int row) const
{
    ShownRowsModel* view = shownRows();
    return view ? view->recordRow(row) : -1;
}

// The view tells of the statement's order restored, which clears the arrow.
void DataGrid::showStatementOrder()
{
    if (ShownRowsModel* view = shownRows())
        view->showStatementOrder();
}

void DataGrid::clearSortIndicator()
{
    const QSignalBlocker quiet(horizontalHeader());
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    horizontalHeader()->viewport()->update();
}

// The cursor stays on its book, wherever the book now is.
void DataGrid::sortRows(int column, Qt::SortOrder order)
{
    if (ShownRowsModel* view = shownRows(); view && column >= 0)
        m_headingSort->sort(*view, column, order);
}

void DataGrid::setDataSource(std::shared_ptr<catalogue::Recordset> source)
{
    commitPendingEdit();
    if (auto* model = recordsetModel()) {
        const bool sameColumns = model->recordset()->columnNames() == source->columnNames();
        model->setRecordset(std::move(source));
        // The program's widths follow each result; the user's stay while the columns do.
        m_widths->fit(sameColumns);
        placeCursorOnFirstRow();
        return;
    }
    auto* model = new RecordsetModel(
        std::move(source), [this](const catalogue::Error& e) { m_refusals->report(e); }, this, &m_permissions);
    model->followPermissions();
    connect(model, &RecordsetModel::rowWritten, this, [this] {
        if (m_notifications.afterUpdate)
            m_notifications.afterUpdate();
    });
    auto* view = new ShownRowsModel(*model, this);
    connect(view, &ShownRowsModel::statementOrderRestored, this, &DataGrid::clearSortIndicator);
    setModel(view);
    m_accessibility->follow(view);
    // Sized from a sample of rows, so binding costs the same at any size of result.
    m_widths->fit(false);
    placeCursorOnFirstRow();
}

// Each new result starts with the cursor on its first row, so the first arrow key
// already moves; on an empty catalogue's new-row line, where the first book is
// typed, in its first column the user can type into.
void DataGrid::placeCursorOnFirstRow()
{
    if (model()->rowCount() == 0 || model()->columnCount() == 0)
        return;
    const bool line = shownRows() && shownRows()->isNewRowLine(0);
    setCurrentIndex(model()->index(0, line ? recordsetModel()->firstTypeableColumn() : 0));
}

bool DataGrid::lacksNewRowLine() const
{
    const RecordsetModel* model = recordsetModel();
    return m_permissions.addNew && !(model && model->showsNewRowLine());
}

void DataGrid::takeFocus()
{
    if (!currentIndex().isValid() && model())
        placeCursorOnFirstRow();
    setFocus(Qt::OtherFocusReason);
}

void DataGrid::setAllowAddNew(bool allow)
{
    if (!allow)
        commitPendingEdit();
    m_permissions.addNew = allow;
    if (auto* model = recordsetModel())
        model->followPermissions();
}

void DataGrid::setAllowDelete(bool allow)
{
    m_permissions.remove = allow;
}

void DataGrid::setAllowUpdate(bool allow)
{
    if (!allow)
        commitPendingEdit();
    m_permissions.update = allow;
}

void DataGrid::setBackColor(std::uint32_t color)
{
    m_backColor = color;
    QPalette colors = palette();
    colors.setColor(QPalette::Base, colorFromBgr(color));
    setPalette(colors);
}

void DataGrid::setNotifications(Notifications notifications)
{
    m_notifications = std::move(notifications);
}

// What the file refuses here is not reopened, since the command goes on: the user
// is told once, and what was typed is on the clipboard.
void DataGrid::commitPendingEdit()
{
    m_committingForCommand = true;
    if (state() == EditingState) {
        if (QWidget* editor = indexWidget(m_editorCell)) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
    m_newBook->write(EditRefusals::Then::Rescue);
    m_committingForCommand = false;
    m_refusals->showPending();
}

void DataGrid::addContextAction(QAction* action)
{
    m_contextActions.append(action);
}

RowsOnShow DataGrid::rowsOnShow() const
{
    RowsOnShow shown = ::rowsOnShow(model());
    shown.columns = shownColumns(*horizontalHeader());
    return shown;
}

// The cell's editor open again, holding `typed`, and marked as holding what the
// file refused, so that it never passes for a value written.
void DataGrid::reopenEdit(const QModelIndex& cell, const QString& typed)
{
    if (state() == EditingState) {
        if (QWidget* moved = indexWidget(m_editorCell))
            QTableView::closeEditor(moved, QAbstractItemDelegate::RevertModelCache);
    }
    setCurrentIndex(cell);
    if (edit(cell, AllEditTriggers, nullptr)) {
        if (QWidget* editor = indexWidget(cell))
            CellEditor::holdRefused(editor, typed);
    }
}

// An edit refused because another program deleted the book drops the row, and the
// view drops the row's editor with it, while that editor is still committing. What
// the editor asks afterwards concerns an editor the view no longer has: it is not
// passed on (Qt would warn and move the cursor), and the view leaves its editing
// state with the keyboard on the grid.
bool DataGrid::isOpenEditor(QWidget* editor) const
{
    return editor && m_editorCell.isValid() && indexWidget(m_editorCell) == editor;
}

void DataGrid::commitData(QWidget* editor)
{
    if (!isOpenEditor(editor))
        return;
    // Read before the write: a conflict reloads the row, and the view then fills
    // the open editor with what the file holds.
    if (!m_isbn->prepare(editor, m_editorCell))
        return;
    const QString typed = CellEditor::text(editor);
    const auto then = m_committingForCommand ? EditRefusals::Then::Rescue : EditRefusals::Then::Reopen;
    m_refusals->watch(m_editorCell, typed, then, [&] { QTableView::commitData(editor); });
}

void DataGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (isOpenEditor(editor)) {
        QTableView::closeEditor(editor, hint);
        // Moving the cursor to another row closes the editor left behind as Enter
        // does: only the user's own Enter moves on from there.
        if (!m_movingCursor)
            m_keyboard->editorClosed(hint);
        return;
    }
    if (state() == EditingState && !(m_editorCell.isValid() && indexWidget(m_editorCell))) {
        setState(NoState);
        setFocus(Qt::OtherFocusReason);
    }
}

bool DataGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool wasEditing = state() == EditingState;
    const bool editing = QTableView::edit(index, trigger, event);
    if (editing && indexWidget(index))
        m_editorCell = index;
    ShownRowsModel* view = shownRows();
    const bool begun = recordsetModel() && recordsetModel()->hasPendingBook();
    if (editing && !wasEditing && view && view->isNewRowLine(index.row()) && !begun && m_notifications.onAddNew)
        m_notifications.onAddNew();
    return editing;
}

// Leaving the line of the book being typed writes the book.
void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    m_movingCursor = true;
    QTableView::currentChanged(current, previous);
    m_movingCursor = false;
    if (previous.isValid() && current.isValid())
        m_newBook->cursorMoved(previous.row(), current.row());
}

// Tab and Shift+Tab pass over the cells the user cannot type into while the grid
// takes changes: the key the engine assigns. Any key that reaches the new-row line
// from a book starts it in its first column.
QModelIndex DataGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    const RecordsetModel* source = recordsetModel();
    const bool across = action == MoveNext || action == MovePrevious;
    if (across && next.isValid() && (m_permissions.update || m_permissions.addNew) && source && source->isAssignedKey(next.column()))
        return m_keyboard->arrival(currentIndex(), GridKeyboard::cellBeyond(next, action == MoveNext));
    return m_keyboard->arrival(currentIndex(), next);
}

// The selected view rows in the order shown, the new-row line left out.
std::vector<int> DataGrid::selectedViewRows() const
{
    std::vector<int> rows;
    ShownRowsModel* view = shownRows();
    if (!view)
        return rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (view->recordRow(row) >= 0)
                rows.push_back(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void DataGrid::deleteSelectedRows()
{
    auto* model = recordsetModel();
    if (!m_permissions.remove || !model)
        return;
    commitPendingEdit();
    const std::vector<int> viewRows = selectedViewRows();
    if (viewRows.empty())
        return;
    // The question names the books as the grid lists them; the deletion takes them in result order.
    std::vector<std::size_t> rows = resultRows(viewRows);
    if (!m_services.confirm(deletionQuestion(*model->recordset(), rows), QStringLiteral("Elimina libri")))
        return;
    std::sort(rows.begin(), rows.end());
    const QModelIndex current = currentIndex();
    const std::unique_ptr<Progress> progress =
        m_services.progress(QStringLiteral("Eliminazione dei libri…"), static_cast<qint64>(rows.size()));
    model->deleteRows(rows, [&](std::size_t done) { return progress->advance(static_cast<qint64>(done)); });
    // A deletion in many pieces rebuilds the rows: the cursor goes back where it was.
    const QAbstractItemModel* shown = this->model();
    if (!currentIndex().isValid() && current.isValid() && shown->rowCount() > 0)
        setCurrentIndex(shown->index(std::min(viewRows.front(), shown->rowCount() - 1), current.column()));
    m_refusals->showPending();
}

// The one place where rows of the grid become rows of the result, in the grid's order.
std::vector<std::size_t> DataGrid::resultRows(const std::vector<int>& viewRows) const
{
    std::vector<std::size_t> rows;
    rows.reserve(viewRows.size());
    for (int row : viewRows) {
        const int record = recordRow(row);
        if (record >= 0)
            rows.push_back(static_cast<std::size_t>(record));
    }
    return rows;
}

QString DataGrid::selectedText() const
{
    return shownRows() ? selectionText(*this, selectedViewRows()) : QString();
}

void DataGrid::copySelection() const
{
    QApplication::clipboard()->setText(selectedText());
}

void DataGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    if (event->matches(QKeySequence::Delete) && state() != EditingState) {
        deleteSelectedRows();
        return;
    }
    QTableView::keyPressEvent(event);
}

QItemSelectionModel::SelectionFlags DataGrid::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    if (const auto flags = GridKeyboard::selectionOnMove(event))
        return *flags;
    return QTableView::selectionCommand(index, event);
}

void DataGrid::contextMenuEvent(QContextMenuEvent* event)
{
    if (!recordsetModel())
        return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Copia"), this, &DataGrid::copySelection);
    QAction* remove = menu.addAction(QStringLiteral("Elimina righe"), this, &DataGrid::deleteSelectedRows);
    remove->setEnabled(m_permissions.remove);
    if (!m_contextActions.isEmpty()) {
        menu.addSeparator();
        menu.addActions(m_contextActions);
    }
    menu.exec(event->globalPos());
}
