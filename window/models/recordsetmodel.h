#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "fieldkind.h"
#include "editpermissions.h"
#include "loanmark.h"
#include "pendingbook.h"
#include "recordset.h"

namespace catalogue {
class Error;
}

// The grid's view of one bound result set. Rows are the result's rows, plus, while
// new rows are allowed, a last empty line marked "*" where a new book is typed.
// Every accepted edit of a book is written to the file before the model shows it;
// an edit the file refuses is handed to the error handler and the cell keeps what
// the file holds. A new book is not written cell by cell: from its first cell its
// line (marked "✎") holds what is typed, a fresh "*" line opens below it, and the
// whole book is written as one insert by writePendingBook.
class RecordsetModel : public QAbstractTableModel, private catalogue::RecordsetObserver {
    Q_OBJECT
public:
    using ErrorHandler = std::function<void(const catalogue::Error&)>;

    // Reads what it allows from `permissions`, kept by its owner (the grid), or from
    // a set of its own when none is given.
    RecordsetModel(std::shared_ptr<catalogue::Recordset> recordset, ErrorHandler onError,
                   QObject* parent = nullptr, EditPermissions* permissions = nullptr);
    ~RecordsetModel() override;

    // Shows another result in place of the current one.
    void setRecordset(std::shared_ptr<catalogue::Recordset> recordset);
    // Shows or takes away the new-row line after the permissions changed.
    void followPermissions();
    void setAllowAddNew(bool allow) { m_permissions->addNew = allow, followPermissions(); }
    void setAllowUpdate(bool allow) { m_permissions->update = allow; }
    // Both the line of the book being typed and the fresh line below it.
    bool isNewRowLine(int row) const;
    bool isPendingLine(int row) const { return m_pending && row == recordCount(); }
    bool hasPendingBook() const { return m_pending.has_value(); }
    const std::optional<PendingBook>& pendingBook() const { return m_pending; }
    // Writes the book being typed as one insert; its line becomes the book. True when
    // written, or when there was nothing to write; false when the file refused it:
    // the error is reported and the line keeps everything typed.
    bool writePendingBook();
    // Forgets the book being typed: nothing of it reaches the file.
    void dropPendingBook();
    // Whether `column` holds a key the engine assigns: shown, never typed into.
    bool isAssignedKey(int column) const;
    // The first column the user can type into (the first, when none can be).
    int firstTypeableColumn() const;
    // Whether the grid shows a line to type a new book into: new rows are allowed and
    // the result can take them.
    bool showsNewRowLine() const { return m_lineShown && takesChanges(); }
    const std::shared_ptr<catalogue::Recordset>& recordset() const { return m_recordset; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Deletes the books on `rows` (rows of the result, any order) from the file in
    // one transaction; false when refused (the error reported) or stopped by `progress`.
    bool deleteRows(std::vector<std::size_t> rows, const catalogue::Recordset::Progress& progress = {});
    bool deleteRow(int row) { return deleteRows({static_cast<std::size_t>(row)}); }

    // The row of the result this model wrote last, a changed or a new book, once:
    // asked by whoever is told rowWritten, and nothing after a write of another kind.
    std::optional<std::size_t> takeLastWritten() { return std::exchange(m_lastWritten, std::nullopt); }

signals:
    void rowWritten();

private:
    template <typename Write>
    bool attempt(Write write);
    bool writeCell(int row, int column, const catalogue::Value& value);
    bool typeIntoNewLine(const QModelIndex& index, const catalogue::Value& value);
    std::optional<catalogue::Value> valueFromEdit(const QVariant& edit, const QModelIndex& index, int role);
    catalogue::Value cellValue(int row, int column) const;
    void learnKinds();
    std::optional<qint64> daysLent(int row, int column) const;
    void stampAddedDate(catalogue::Recordset::NewBook& book) const;
    bool isUnchanged(const catalogue::Value& before, const catalogue::Value& after) const;
    int recordCount() const;
    bool takesChanges() const;

    void rowChanged(std::size_t row) override;
    void rowAboutToBeAppended(std::size_t row) override;
    void rowAppended(std::size_t row) override;
    void rowsAboutToBeRemoved(std::size_t first, std::size_t last) override;
    void rowsRemoved(std::size_t first, std::size_t last) override;
    void rowsAboutToBeInserted(std::size_t first, std::size_t last) override;
    void rowsInserted(std::size_t first, std::size_t last) override;
    void rowsAboutToBeRearranged() override;
    void rowsRearranged() override;

    std::shared_ptr<catalogue::Recordset> m_recordset;
    ErrorHandler m_onError;
    EditPermissions m_ownPermissions;
    EditPermissions* m_permissions;
    bool m_lineShown = false; ///< the new-row line follows the permission to add, when the result takes changes
    std::optional<PendingBook> m_pending; ///< the book being typed, on the line after the records
    bool m_writingPending = false;        ///< its line is becoming the book just written
    mutable std::optional<bool> m_takesChanges; ///< asked once a change is allowed
    std::vector<FieldKind> m_kinds;             ///< one a column, as the result was opened
    std::optional<std::size_t> m_lastWritten;   ///< see takeLastWritten
    LoanColumns m_loan;                         ///< who has a book and since when, where the result has them
};
