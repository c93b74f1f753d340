// The grid's row map over its RecordsetModel. It lives as long as the grid's model
// and follows it through every new result. Invariants while arranged: m_rows holds
// each shown record once; m_order, when set, and m_matches, when set, have one entry
// a record (m_records); source rows from m_records on are the source's last lines
// (the new-row line, and the line opened below a book being typed) and show after
// the records in the same order. The source only ever adds rows at its end, so a
// book added while arranged is simply the next record. Arranging resets the view:
// at a million rows a reset costs about 1 ms, less than moving persistent indexes.
#include "shownrowsmodel.h"

#include "columnsort.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "rowfilter.h"


#include <algorithm>

ShownRowsModel::ShownRowsModel(RecordsetModel& source, QObject* parent) : QAbstractTableModel(parent), m_source(source)
{
    m_records = sourceRecords();
    connect(&source, &QAbstractItemModel::modelAboutToBeReset, this, &ShownRowsModel::sourceAboutToBeReset);
    connect(&source, &QAbstractItemModel::modelReset, this, &ShownRowsModel::sourceReset);
    connect(&source, &QAbstractItemModel::rowsAboutToBeInserted, this, &ShownRowsModel::sourceRowsAboutToBeInserted);
    connect(&source, &QAbstractItemModel::rowsInserted, this, &ShownRowsModel::sourceRowsInserted);
    connect(&source, &QAbstractItemModel::rowsAboutToBeRemoved, this, &ShownRowsModel::sourceRowsAboutToBeRemoved);
    connect(&source, &QAbstractItemModel::rowsRemoved, this, &ShownRowsModel::sourceRowsRemoved);
    connect(&source, &QAbstractItemModel::dataChanged, this, &ShownRowsModel::sourceDataChanged);
    connect(&source, &QAbstractItemModel::headerDataChanged, this, &ShownRowsModel::sourceHeaderDataChanged);
}

ShownRowsModel::~ShownRowsModel() = default;

// Typing more of the same words can only hide books, so only the books on show are
// tested again: at a million rows the first letter scans every book (about 20 ms)
// and each further letter far fewer.
void ShownRowsModel::setFilterText(const QString& text)
{
    std::vector<std::string> words = RowFilter::words(text.toStdString());
    if (words.empty()) {
        m_filterWords.clear();
        if (!m_matches.empty())
            clearMatches();
        return;
    }
    if (!m_filter)
        m_filter = std::make_unique<RowFilter>(*m_source.recordset());
    std::vector<char> matches;
    if (!m_matches.empty() && RowFilter::narrows(words, m_filterWords))
        matches = m_matches;
    else
        matches.assign(static_cast<std::size_t>(m_records), 1);
    m_filter->narrow(words, matches);
    m_filterWords = std::move(words);
    setMatches(std::move(matches));
}

// About 10 ms of folding, short enough for the window never to seem to stop.
bool ShownRowsModel::prepareFilter()
{
    constexpr std::size_t recordsASlice = 30'000;
    if (!m_filter)
        m_filter = std::make_unique<RowFilter>(*m_source.recordset());
    return m_filter->foldAhead(static_cast<std::size_t>(m_records), recordsASlice);
}

// The order of a column is kept, so a second click only reverses it; it is made
// again when a book changed since.
void ShownRowsModel::sortByColumn(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    if (column != m_sortColumn || m_orderStale) {
        ColumnOrder sorted = ::sortByColumn(*m_source.recordset(), column);
        m_order = std::move(sorted.records);
        m_valued = sorted.valued;
        m_sortColumn = column;
        m_orderStale = false;
    }
    m_descending = order == Qt::DescendingOrder;
    rearrange();
}

int ShownRowsModel::sourceRecords() const
{
    return static_cast<int>(m_source.recordset()->rowCount());
}

int ShownRowsModel::sourceRow(int row) const
{
    if (!m_arranged)
        return row;
    const int shown = static_cast<int>(m_rows.size());
    return row < shown ? m_rows[static_cast<std::size_t>(row)] : m_records + (row - shown);
}

int ShownRowsModel::recordRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    const int source = sourceRow(row);
    return source < m_records ? source : -1;
}

void ShownRowsModel::refreshViewRows() const
{
    if (!m_viewRowsStale)
        return;
    m_viewRows.assign(static_cast<std::size_t>(m_records), -1);
    for (std::size_t row = 0; row < m_rows.size(); ++row)
        m_viewRows[static_cast<std::size_t>(m_rows[row])] = static_cast<int>(row);
    m_viewRowsStale = false;
}

int ShownRowsModel::viewRow(int record) const
{
    if (record < 0)
        return -1;
    if (!m_arranged)
        return record < m_source.rowCount() ? record : -1;
    if (record >= m_records)
        return static_cast<int>(m_rows.size()) + (record - m_records);
    refreshViewRows();
    return m_viewRows[static_cast<std::size_t>(record)];
}

bool ShownRowsModel::isNewRowLine(int row) const
{
    return row >= 0 && row < rowCount() && m_source.isNewRowLine(sourceRow(row));
}

int ShownRowsModel::shownRecords() const
{
    return m_arranged ? static_cast<int>(m_rows.size()) : m_records;
}

void ShownRowsModel::setOrder(std::vector<int> order, std::size_t valued)
{
    m_order = std::move(order);
    m_valued = std::min(valued, m_order.size());
    rearrange();
}

void ShownRowsModel::setDescending(bool descending)
{
    m_descending = descending;
    rearrange();
}

void ShownRowsModel::setMatches(std::vector<char> matches)
{
    m_matches = std::move(matches);
    rearrange();
}

void ShownRowsModel::clearMatches()
{
    m_matches.clear();
    rearrange();
}

void ShownRowsModel::showStatementOrder()
{
    const bool arranged = m_arranged;
    m_order.clear();
    m_valued = 0;
    m_descending = false;
    m_sortColumn = -1;
    m_matches.clear();
    m_filterWords.clear();
    if (arranged)
        rearrange();
    emit statementOrderRestored();
}

void ShownRowsModel::rearrange()
{
    beginResetModel();
    m_arranged = !m_order.empty() || !m_matches.empty();
    composeRows();
    endResetModel();
    emit shownRecordsChanged();
}

void ShownRowsModel::composeRows()
{
    m_rows.clear();
    m_viewRowsStale = true;
    if (!m_arranged)
        return;
    const auto take = [this](int record) {
        if (m_matches.empty() || m_matches[static_cast<std::size_t>(record)])
            m_rows.push_back(record);
    };
    if (m_order.empty()) {
        for (int record = 0; record < m_records; ++record)
            take(record);
    } else if (!m_descending) {
        std::for_each(m_order.begin(), m_order.end(), take);
    } else {
        const auto valuedEnd = m_order.begin() + static_cast<std::ptrdiff_t>(m_valued);
        std::for_each(std::make_reverse_iterator(valuedEnd), m_order.rend(), take);
        std::for_each(valuedEnd, m_order.end(), take);
    }
}

// Rows the source has turned into records join the end of what is shown: a book
// just typed stays on screen whatever the filter and the order.
bool ShownRowsModel::adoptNewRecords()
{
    const int records = sourceRecords();
    const bool adopting = records > m_records;
    for (; m_records < records; ++m_records) {
        if (!m_order.empty())
            m_order.push_back(m_records);
        if (!m_matches.empty())
            m_matches.push_back(1);
        if (m_arranged)
            m_rows.push_back(m_records);
    }
    m_viewRowsStale = true;
    return adopting;
}

void ShownRowsModel::dropRecords(int first, int count)
{
    const int last = first + count - 1;
    const auto renumber = [&](std::vector<int>& rows) {
        std::erase_if(rows, [&](int record) { return record >= first && record <= last; });
        for (int& record : rows) {
            if (record > last)
                record -= count;
        }
    };
    if (!m_order.empty()) {
        const auto valuedEnd = m_order.begin() + static_cast<std::ptrdiff_t>(m_valued);
        m_valued -= static_cast<std::size_t>(
            std::count_if(m_order.begin(), valuedEnd, [&](int record) { return record >= first && record <= last; }));
        renumber(m_order);
    }
    if (!m_matches.empty())
        m_matches.erase(m_matches.begin() + first, m_matches.begin() + last + 1);
    if (m_filter)
        m_filter->recordsRemoved(static_cast<std::size_t>(first), static_cast<std::size_t>(count));
    renumber(m_rows);
    m_records -= count;
    m_viewRowsStale = true;
}

void ShownRowsModel::sourceAboutToBeReset()
{
    beginResetModel();
}

void ShownRowsModel::forgetArrangement()
{
    m_filter.reset();
    m_filterWords.clear();
    m_sortColumn = -1;
    m_orderStale = false;
    m_records = sourceRecords();
    m_arranged = false;
    m_order.clear();
    m_valued = 0;
    m_descending = false;
    m_matches.clear();
    m_rows.clear();
    m_viewRowsStale = true;
}

void ShownRowsModel::sourceReset()
{
    forgetArrangement();
    endResetModel();
    emit statementOrderRestored();
    emit shownRecordsChanged();
}

void ShownRowsModel::sourceRowsAboutToBeInserted(const QModelIndex&, int first, int last)
{
    if (!m_arranged) {
        beginInsertRows({}, first, last);
        return;
    }
    // Books put back by undo come in among the records: they are placed once the
    // source holds them.
    if (first < m_records) {
        m_removal = Removal::Placed;
        return;
    }
    const int row = static_cast<int>(m_rows.size()) + (first - m_records);
    beginInsertRows({}, row, row + (last - first));
}

void ShownRowsModel::sourceRowsInserted(const QModelIndex&, int first, int last)
{
    if (m_removal == Removal::Placed) {
        m_removal = Removal::None;
        placeRecords(first, last - first + 1);
        emit shownRecordsChanged();
        return;
    }
    if (m_removal == Removal::Reset) {
        m_removal = Removal::None;
        forgetArrangement();
        endResetModel();
        emit statementOrderRestored();
        emit shownRecordsChanged();
        return;
    }
    adoptNewRecords();
    endInsertRows();
    emit shownRecordsChanged();
}

void ShownRowsModel::sourceRowsAboutToBeRemoved(const QModelIndex&, int first, int last)
{
    if (!m_arranged) {
        m_removal = first < m_records ? Removal::Shown : Removal::Tail;
        beginRemoveRows({}, first, last);
        return;
    }
    if (first >= m_records) {
        m_removal = Removal::Tail;
        const int row = static_cast<int>(m_rows.size()) + (first - m_records);
        beginRemoveRows({}, row, row + (last - first));
    } else if (first == last) {
        const int row = viewRow(first);
        m_removal = row < 0 ? Removal::Hidden : Removal::Shown;
        if (row >= 0)
            beginRemoveRows({}, row, row);
    } else {
        m_removal = Removal::Reset;
        beginResetModel();
    }
}

void ShownRowsModel::sourceRowsRemoved(const QModelIndex&, int first, int last)
{
    const Removal removal = std::exchange(m_removal, Removal::None);
    if (removal != Removal::Tail) {
        const int records = std::min(last, m_records - 1) - first + 1;
        dropRecords(first, records);
    }
    if (removal == Removal::Reset)
        endResetModel();
    else if (removal != Removal::Hidden)
        endRemoveRows();
    emit shownRecordsChanged();
}

void ShownRowsModel::sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    if (adoptNewRecords())
        emit shownRecordsChanged();
    for (int source = topLeft.row(); source <= std::min(bottomRight.row(), m_records - 1); ++source) {
        if (m_filter)
            m_filter->recordChanged(static_cast<std::size_t>(source));
        m_orderStale = m_orderStale || m_sortColumn >= 0;
    }
    if (!m_arranged) {
        emit dataChanged(index(topLeft.row(), topLeft.column()), index(bottomRight.row(), bottomRight.column()), roles);
        return;
    }
    for (int source = topLeft.row(); source <= bottomRight.row(); ++source) {
        const int row = viewRow(source);
        if (row >= 0)
            emit dataChanged(index(row, topLeft.column()), index(row, bottomRight.column()), roles);
    }
}

void ShownRowsModel::sourceHeaderDataChanged(Qt::Orientation orientation, int first, int last)
{
    if (orientation == Qt::Horizontal || !m_arranged) {
        emit headerDataChanged(orientation, first, last);
        return;
    }
    for (int source = first; source <= last; ++source) {
        const int row = viewRow(source);
        if (row >= 0)
            emit headerDataChanged(orientation, row, row);
    }
}

int ShownRowsModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    const int lines = m_source.rowCount() - m_records;
    return m_arranged ? static_cast<int>(m_rows.size()) + std::max(lines, 0) : m_source.rowCount();
}

int ShownRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_source.columnCount();
}

QModelIndex ShownRowsModel::mapToSource(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    return m_source.index(sourceRow(index.row()), index.column());
}

QVariant ShownRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal)
        return m_source.headerData(section, orientation, role);
    return m_source.headerData(sourceRow(section), orientation, role);
}

QVariant ShownRowsModel::data(const QModelIndex& index, int role) const
{
    return m_source.data(mapToSource(index), role);
}

Qt::ItemFlags ShownRowsModel::flags(const QModelIndex& index) const
{
    return m_source.flags(mapToSource(index));
}

bool ShownRowsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    return m_source.setData(mapToSource(index), value, role);
}
