// The row map's answer to books put back among its records (an undone deletion),
// kept apart from the map's everyday work in shownrowsmodel.cpp.
#include "shownrowsmodel.h"

#include "columnsort.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "rowfilter.h"

// Records back among the others keep the filter and the order: each shows where the
// order puts it (the column sorted again), so the rows on show stay, with the
// current one and the selection, and a few are inserted among them. Many at once,
// or an order gone stale, and the view is laid out anew.
void ShownRowsModel::placeRecords(int first, int count)
{
    const auto renumber = [&](std::vector<int>& records) {
        for (int& record : records)
            record += record >= first ? count : 0;
    };
    renumber(m_order);
    renumber(m_rows);
    std::vector<int> before = m_rows;
    if (!m_matches.empty())
        m_matches.insert(m_matches.begin() + first, static_cast<std::size_t>(count), 1);
    m_filter.reset(); // its folded text is kept by record; made again at the next letter
    m_records += count;
    const bool resorted = m_sortColumn >= 0;
    const bool stale = m_orderStale;
    if (resorted) {
        ColumnOrder sorted = ::sortByColumn(*m_source.recordset(), m_sortColumn);
        m_order = std::move(sorted.records);
        m_valued = sorted.valued;
        m_orderStale = false;
    } else if (!m_order.empty()) {
        for (int record = first; record < first + count; ++record)
            m_order.push_back(record);
    }
    composeRows();
    std::vector<int> placed = std::move(m_rows);
    std::vector<int> kept;
    std::vector<int> positions;
    for (std::size_t row = 0; row < placed.size(); ++row) {
        if (placed[row] >= first && placed[row] < first + count)
            positions.push_back(static_cast<int>(row));
        else
            kept.push_back(placed[row]);
    }
    m_rows = before;
    if (stale || kept != before || positions.size() > 64) {
        beginResetModel();
        m_rows = std::move(placed);
        m_viewRowsStale = true;
        endResetModel();
        return;
    }
    for (int row : positions) {
        beginInsertRows({}, row, row);
        m_rows.insert(m_rows.begin() + row, placed[static_cast<std::size_t>(row)]);
        m_viewRowsStale = true;
        endInsertRows();
    }
}

