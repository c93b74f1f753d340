#include "bookchoice.h"

#include "datagrid.h"
#include "fieldnames.h"
#include "grid.h"
#include "recordset.h"

#include <QItemSelectionModel>

#include <set>
#include <unordered_map>

namespace {

int idColumn(const catalogue::Recordset& result)
{
    for (int c = 0; c < result.columnCount(); ++c) {
        if (catalogue::sameColumnName(result.columnName(c), "iddorvo"))
            return c;
    }
    return -1;
}

std::optional<std::int64_t> idOf(const catalogue::Recordset& result, std::size_t row, int column)
{
    const catalogue::Value value = result.value(row, column);
    if (const auto* id = std::get_if<std::int64_t>(&value))
        return *id;
    return std::nullopt;
}

} // namespace

std::optional<std::int64_t> bookIdAt(const catalogue::Recordset& result, std::size_t row)
{
    const int column = idColumn(result);
    if (column < 0 || row >= result.rowCount())
        return std::nullopt;
    return idOf(result, row, column);
}

std::vector<ChosenBook> chosenBooks(Grid& grid)
{
    std::vector<ChosenBook> books;
    auto* view = dynamic_cast<DataGrid*>(&grid);
    const std::shared_ptr<catalogue::Recordset> result = grid.boundResult();
    if (!view || !result || !view->selectionModel())
        return books;
    const int column = idColumn(*result);
    if (column < 0)
        return books;
    std::set<int> viewRows;
    for (const QItemSelectionRange& range : view->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            viewRows.insert(row);
    }
    if (viewRows.empty() && view->currentIndex().isValid())
        viewRows.insert(view->currentIndex().row());
    for (const int viewRow : viewRows) {
        const int row = view->recordRow(viewRow);
        if (row < 0)
            continue; // the new-row line
        if (const auto id = idOf(*result, static_cast<std::size_t>(row), column))
            books.push_back({static_cast<std::size_t>(row), *id});
    }
    return books;
}

std::vector<ChosenBook> findBooks(const catalogue::Recordset& result, const std::vector<std::int64_t>& ids)
{
    std::vector<ChosenBook> books;
    const int column = idColumn(result);
    if (column < 0)
        return books;
    std::unordered_map<std::int64_t, std::size_t> rows;
    for (std::size_t row = 0; row < result.rowCount(); ++row) {
        if (const auto id = idOf(result, row, column))
            rows.emplace(*id, row);
    }
    for (const std::int64_t id : ids) {
        if (const auto found = rows.find(id); found != rows.end())
            books.push_back({found->second, id});
    }
    return books;
}
