#pragma once

#include <QAbstractTableModel>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class RecordsetModel;
class RowFilter;

// The rows on show, in the order shown: the records of a RecordsetModel that pass
// the quick filter, in the order of the column sorted last, then the model's
// new-row line. It only maps rows: the records keep their rows in the result set,
// and every read and write goes through the source model. Until a filter or an
// order is set, view row and record row are the same and signals pass straight
// through; a new result in the source shows every row in the statement's order.
class ShownRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ShownRowsModel(RecordsetModel& source, QObject* parent = nullptr);
    ~ShownRowsModel() override;

    RecordsetModel& recordsetModel() const { return m_source; }
    // The record shown on view row `row`; -1 on the new-row line and outside.
    int recordRow(int row) const;
    // The view row of record `record`; -1 when the filter hides it.
    int viewRow(int record) const;
    bool isNewRowLine(int row) const;
    int shownRecords() const;
    int totalRecords() const { return m_records; }
    bool isArranged() const { return m_arranged; }

    // Books whose author, title or genre hold every word of `text`, letter case,
    // accents, apostrophes, hyphens and dots ignored; blank text shows every book.
    // The order stays.
    void setFilterText(const QString& text);
    // Prepares a slice of the filter's folded text while the user has not typed yet,
    // so the first letter finds it made; true once it is whole.
    bool prepareFilter();
    // Books in the order of `column` (see ColumnOrder), reversed when descending.
    void sortByColumn(int column, Qt::SortOrder order);

    // Every record in `order`; when reversed, the first `valued` come in reverse and
    // the rest (the empty cells) stay last. Books added later go last.
    void setOrder(std::vector<int> order, std::size_t valued);
    void setDescending(bool descending);
    // One flag a record: which pass the filter. Books added later are shown.
    void setMatches(std::vector<char> matches);
    // Every record in the statement's order, no filter.
    void showStatementOrder();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The number of records on show may have changed.
    void shownRecordsChanged();
    // A new result, or the statement's order asked for: no filter, no order.
    void statementOrderRestored();

private:
    enum class Removal { None, Tail, Shown, Hidden, Reset, Placed };

    int sourceRow(int row) const;
    QModelIndex mapToSource(const QModelIndex& index) const;
    int sourceRecords() const;
    void clearMatches();
    void rearrange();
    void forgetArrangement();
    void composeRows();
    bool adoptNewRecords(); ///< true when some were adopted
    void dropRecords(int first, int count);
    void placeRecords(int first, int count);
    void refreshViewRows() const;

    void sourceAboutToBeReset();
    void sourceReset();
    void sourceRowsAboutToBeInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
    void sourceRowsRemoved(const QModelIndex& parent, int first, int last);
    void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    void sourceHeaderDataChanged(Qt::Orientation orientation, int first, int last);

    RecordsetModel& m_source;
    int m_records = 0;                 ///< records accounted for; source rows from here on are its last lines
    bool m_arranged = false;           ///< false: view row == source row
    std::vector<int> m_rows;           ///< view row -> record, records only, while arranged
    std::vector<int> m_order;          ///< every record in sort order; empty: the statement's order
    std::size_t m_valued = 0;          ///< m_order's leading entries that reverse; the rest stay last
    bool m_descending = false;
    std::vector<char> m_matches;       ///< one flag a record; empty: no filter
    mutable std::vector<int> m_viewRows; ///< record -> view row or -1, made when first asked after a change
    mutable bool m_viewRowsStale = true;
    Removal m_removal = Removal::None;
    int m_sortColumn = -1;             ///< the column m_order follows; -1 for none
    bool m_orderStale = false;         ///< a record changed since m_order was made
    std::unique_ptr<RowFilter> m_filter; ///< made at the first filtering of a result
    std::vector<std::string> m_filterWords;
};
