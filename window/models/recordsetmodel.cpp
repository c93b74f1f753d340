// Adapts a Recordset to Qt's item views. The model lives as long as its grid keeps
// it bound and holds the result set alive meanwhile. Edits arrive from the view's
// delegate through setData; each is written at once, and errors never leave the
// model as exceptions: they go to the error handler and setData returns false.
#include "recordsetmodel.h"

#include "cardlabels.h"
#include "celltext.h"
#include "error.h"
#include "fieldnames.h"
#include "loanmark.h"

#include <QDate>

#include <algorithm>

using catalogue::Affinity;
using catalogue::Error;
using catalogue::Value;

RecordsetModel::RecordsetModel(std::shared_ptr<catalogue::Recordset> recordset, ErrorHandler onError,
                               QObject* parent, EditPermissions* permissions)
    : QAbstractTableModel(parent), m_recordset(std::move(recordset)), m_onError(std::move(onError)),
      m_permissions(permissions ? permissions : &m_ownPermissions)
{
    m_recordset->setObserver(this);
    learnKinds();
}

RecordsetModel::~RecordsetModel()
{
    m_recordset->setObserver(nullptr);
}

void RecordsetModel::setRecordset(std::shared_ptr<catalogue::Recordset> recordset)
{
    beginResetModel();
    m_recordset->setObserver(nullptr);
    m_recordset = std::move(recordset);
    m_recordset->setObserver(this);
    m_pending.reset();
    m_takesChanges.reset();
    learnKinds();
    endResetModel();
}

void RecordsetModel::learnKinds()
{
    m_kinds.clear();
    for (int column = 0; column < m_recordset->columnCount(); ++column)
        m_kinds.push_back(fieldKind(*m_recordset, column));
    m_loan = loanColumns(*m_recordset);
}

// The days out of the book on `row` when it is lent and `column` is its loan's date.
std::optional<qint64> RecordsetModel::daysLent(int row, int column) const
{
    if (column != m_loan.since || m_loan.to < 0)
        return std::nullopt;
    return daysOut(cellValue(row, m_loan.to), cellValue(row, column), QDate::currentDate());
}

int RecordsetModel::recordCount() const
{
    return static_cast<int>(m_recordset->rowCount());
}

// A computed result (the count) takes no edit and no new book, whatever the grid's
// mode. Asked only once the grid allows a change, so a read-only listing never plans
// its write-back. When the plan itself fails the result counts as writable: the
// write then reports why.
bool RecordsetModel::takesChanges() const
{
    if (!m_takesChanges) {
        try {
            m_takesChanges = m_recordset->isUpdatable();
        } catch (const std::exception&) {
            return true;
        }
    }
    return *m_takesChanges;
}

bool RecordsetModel::isNewRowLine(int row) const
{
    return showsNewRowLine() && row >= recordCount();
}

void RecordsetModel::followPermissions()
{
    const bool allow = m_permissions->addNew;
    if (allow == m_lineShown)
        return;
    if (!takesChanges()) {
        m_lineShown = allow;
        return;
    }
    const int line = recordCount();
    if (allow) {
        beginInsertRows({}, line, line);
        m_lineShown = true;
        endInsertRows();
    } else {
        dropPendingBook();
        beginRemoveRows({}, line, line);
        m_lineShown = false;
        endRemoveRows();
    }
}

bool RecordsetModel::isAssignedKey(int column) const
{
    return takesChanges() && m_recordset->isAssignedKey(column);
}

int RecordsetModel::firstTypeableColumn() const
{
    for (int column = 0; column < columnCount(); ++column) {
        if (!isAssignedKey(column))
            return column;
    }
    return 0;
}

int RecordsetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    if (!showsNewRowLine())
        return recordCount();
    return recordCount() + (m_pending ? 2 : 1);
}

int RecordsetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_recordset->columnCount();
}

Value RecordsetModel::cellValue(int row, int column) const
{
    if (isPendingLine(row))
        return m_pending->cell(column).value_or(Value{});
    return m_recordset->value(static_cast<std::size_t>(row), column);
}

QVariant RecordsetModel::data(const QModelIndex& index, int role) const
{
    // Screen readers read a cell with its column's name.
    const bool known = index.isValid() && (index.row() < recordCount() || isPendingLine(index.row()));
    if (role == Qt::AccessibleTextRole && index.isValid()) {
        const FieldKind kind = m_kinds[static_cast<std::size_t>(index.column())];
        const bool spoken = known && (kind == FieldKind::Stars || kind == FieldKind::YesNo);
        QString text = spoken ? spokenText(kind, cellValue(index.row(), index.column())) : data(index).toString();
        if (const auto days = known ? daysLent(index.row(), index.column()) : std::nullopt)
            text += QStringLiteral(", ") + daysOutText(*days);
        return cellReading(headerData(index.column(), Qt::Horizontal).toString(), text,
                           isNewRowLine(index.row()) && !isPendingLine(index.row()));
    }
    if (known && (role == OverdueDaysRole || role == Qt::ToolTipRole)) {
        const auto days = daysLent(index.row(), index.column());
        if (!days || (role == OverdueDaysRole && !isOverdue(*days)))
            return {};
        const QString said = daysOutText(*days);
        return role == OverdueDaysRole ? QVariant(*days) : QVariant(said.left(1).toUpper() + said.mid(1) + '.');
    }
    if (!known || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::CheckStateRole))
        return {};
    const FieldKind kind = m_kinds[static_cast<std::size_t>(index.column())];
    const Value value = cellValue(index.row(), index.column());
    if (role == Qt::CheckStateRole) {
        const auto state = kind == FieldKind::YesNo ? checkState(value) : std::nullopt;
        return state ? QVariant(*state) : QVariant();
    }
    if (role == Qt::DisplayRole) {
        // Control characters show as visible marks; the value itself stays as stored.
        return catalogue::isNull(value) ? QVariant() : QVariant(withVisibleControls(shownText(kind, value)));
    }
    return editText(kind, value);
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == FieldKindRole && section >= 0 && section < columnCount())
        return static_cast<int>(m_kinds[static_cast<std::size_t>(section)]);
    if (orientation == Qt::Vertical && role == NewRowLineRole)
        return isNewRowLine(section) && !isPendingLine(section);
    // The heading keeps the column's own name, which statements and the CSV use;
    // the label the card gives it is read in its tooltip.
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section >= 0 && section < columnCount())
        return fieldLabel(QString::fromStdString(m_recordset->columnName(section)));
    if (role != Qt::DisplayRole && !(role == FieldNameRole && orientation == Qt::Horizontal))
        return {};
    if (orientation == Qt::Horizontal)
        return QString::fromStdString(m_recordset->columnName(section));
    if (isPendingLine(section))
        return QStringLiteral("✎");
    return isNewRowLine(section) ? QStringLiteral("*") : QString();
}

Qt::ItemFlags RecordsetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const bool newLine = isNewRowLine(index.row());
    // While a book is being typed, the fresh line below it takes nothing: leaving the
    // book writes it, and one the file refused is put right (or dropped) first.
    if (newLine && m_pending && !isPendingLine(index.row()))
        return flags;
    const bool allowed = newLine || (m_permissions->update && takesChanges());
    // Bytes cannot be typed back, so a cell holding a blob is never edited as text.
    const bool holdsBytes = !newLine && m_recordset->holdsBlob(static_cast<std::size_t>(index.row()), index.column());
    if (allowed && !holdsBytes && !isAssignedKey(index.column())) {
        flags |= Qt::ItemIsEditable;
        if (m_kinds[static_cast<std::size_t>(index.column())] == FieldKind::YesNo)
            flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

// What an edit stores, by the column's kind: a check box's tick 1 or 0; a typed
// date its AAAA-MM-GG. Empty is NULL except in a text column, where it is the empty
// text. A text the kind refuses goes to the error handler, as a value the file
// refuses does, so the editor keeps it.
std::optional<Value> RecordsetModel::valueFromEdit(const QVariant& edit, const QModelIndex& index, int role)
{
    const int column = index.column();
    if (role == Qt::CheckStateRole)
        return Value{std::int64_t{edit.toInt() == Qt::Checked ? 1 : 0}};
    if (!edit.isValid() || edit.isNull())
        return Value{};
    const FieldKind kind = m_kinds[static_cast<std::size_t>(column)];
    const TypedValue typed = readTyped(kind, edit.toString(), m_recordset->columnAffinity(column) == Affinity::Text);
    if (typed.refusal.isEmpty())
        return typed.value;
    // A value stored before the rule, or kept as given by an import ("circa 1840"),
    // passes through its editor unchanged: only what the user types is refused.
    if (!isNewRowLine(index.row())) {
        const Value stored = m_recordset->value(static_cast<std::size_t>(index.row()), column);
        if (!catalogue::isNull(stored) && edit.toString() == editText(kind, stored))
            return stored;
    }
    m_onError(Error(catalogue::ErrorNumber::ValueRefused, typed.refusal.toStdString()));
    return std::nullopt;
}

// The editor shows NULL as an empty field; leaving it empty changes nothing.
bool RecordsetModel::isUnchanged(const Value& before, const Value& after) const
{
    if (catalogue::isNull(before))
        return catalogue::isNull(after) || after == Value(std::string());
    if (catalogue::isNull(after))
        return false;
    return cellText(before) == cellText(after);
}

bool RecordsetModel::setData(const QModelIndex& index, const QVariant& edit, int role)
{
    const bool checkBox = role == Qt::CheckStateRole && (flags(index) & Qt::ItemIsUserCheckable);
    if (!index.isValid() || !(role == Qt::EditRole || checkBox) || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const std::optional<Value> typed = valueFromEdit(edit, index, role);
    if (!typed)
        return false;
    const Value& value = *typed;
    if (isNewRowLine(index.row()))
        return typeIntoNewLine(index, value);
    const Value before = m_recordset->value(static_cast<std::size_t>(index.row()), index.column());
    if (isUnchanged(before, value))
        return true;
    return writeCell(index.row(), index.column(), value);
}

// Runs one write; a failure of any kind goes to the error handler, never further.
template <typename Write>
bool RecordsetModel::attempt(Write write)
{
    try {
        write();
        return true;
    } catch (const Error& error) {
        m_onError(error);
    } catch (const std::exception& failure) {
        m_onError(catalogue::unexpectedError(failure));
    }
    return false;
}

bool RecordsetModel::writeCell(int row, int column, const Value& value)
{
    if (!attempt([&] { m_recordset->update(static_cast<std::size_t>(row), column, value); }))
        return false;
    m_lastWritten = static_cast<std::size_t>(row);
    emit rowWritten();
    return true;
}

// The first cell typed begins the book: its line stays where it is, marked as the
// book being typed, and a fresh line opens below it.
bool RecordsetModel::typeIntoNewLine(const QModelIndex& index, const Value& value)
{
    const int line = recordCount();
    if (!m_pending) {
        if (catalogue::isNull(value) || value == Value(std::string()))
            return false; // nothing typed: no book yet
        beginInsertRows({}, line + 1, line + 1);
        m_pending.emplace(columnCount());
        endInsertRows();
    }
    m_pending->set(index.column(), value);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Vertical, line, line);
    return true;
}

bool RecordsetModel::writePendingBook()
{
    if (!m_pending)
        return true;
    if (m_pending->isEmpty()) {
        dropPendingBook();
        return true;
    }
    catalogue::Recordset::NewBook book = m_pending->cells();
    stampAddedDate(book);
    m_writingPending = true;
    const bool written = attempt([&] { m_recordset->addNew(book); });
    m_writingPending = false;
    if (written) {
        m_lastWritten = m_recordset->rowCount() - 1; // a new book joins the result at its end
        emit rowWritten();
    }
    return written;
}

// A book the program adds carries the day it was added, unless one was typed.
void RecordsetModel::stampAddedDate(catalogue::Recordset::NewBook& book) const
{
    const auto& names = m_recordset->columnNames();
    const auto added = std::find_if(names.begin(), names.end(), [](const std::string& name) {
        return catalogue::sameColumnName(name, "aggiunto_il");
    });
    if (added == names.end())
        return;
    const int column = static_cast<int>(added - names.begin());
    if (!m_pending->cell(column))
        book.emplace_back(column, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString());
}

// The fresh line goes, and the book's line is empty again: the cursor stays on it.
void RecordsetModel::dropPendingBook()
{
    if (!m_pending)
        return;
    const int line = recordCount();
    beginRemoveRows({}, line + 1, line + 1);
    m_pending.reset();
    endRemoveRows();
    emit dataChanged(index(line, 0), index(line, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
    emit headerDataChanged(Qt::Vertical, line, line);
}

bool RecordsetModel::deleteRows(std::vector<std::size_t> rows, const catalogue::Recordset::Progress& progress)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    bool done = false;
    return attempt([&] { done = m_recordset->remove(rows, progress); }) && done;
}

void RecordsetModel::rowChanged(std::size_t row)
{
    const int r = static_cast<int>(row);
    emit dataChanged(index(r, 0), index(r, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
}

// The book written from the pending line takes that line's place: no row comes or
// goes, the line now shows the book as the file holds it.
void RecordsetModel::rowAboutToBeAppended(std::size_t row)
{
    if (!m_writingPending)
        beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
}

void RecordsetModel::rowAppended(std::size_t row)
{
    if (m_writingPending) {
        m_pending.reset();
        rowChanged(row);
        emit headerDataChanged(Qt::Vertical, static_cast<int>(row), static_cast<int>(row) + 1);
        return;
    }
    endInsertRows();
}

void RecordsetModel::rowsAboutToBeRemoved(std::size_t first, std::size_t last)
{
    beginRemoveRows({}, static_cast<int>(first), static_cast<int>(last));
}

void RecordsetModel::rowsRemoved(std::size_t, std::size_t)
{
    endRemoveRows();
}

void RecordsetModel::rowsAboutToBeInserted(std::size_t first, std::size_t last)
{
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(last));
}

void RecordsetModel::rowsInserted(std::size_t, std::size_t)
{
    endInsertRows();
}

void RecordsetModel::rowsAboutToBeRearranged()
{
    beginResetModel();
}

void RecordsetModel::rowsRearranged()
{
    endResetModel();
}
