// The books chosen in the grid and the cursor put on one: all a tool reaches of
// the grid, always as rows of the bound result, whatever filter or order is on show.
#include "datagrid.h"

#include "recordsetmodel.h"
#include "shownrowsmodel.h"

#include <QItemSelectionModel>

#include <algorithm>
#include <set>

std::vector<std::size_t> DataGrid::chosenRecordRows() const
{
    std::vector<std::size_t> rows;
    if (!selectionModel())
        return rows;
    std::set<int> viewRows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            viewRows.insert(row);
    }
    if (viewRows.empty() && currentIndex().isValid())
        viewRows.insert(currentIndex().row());
    for (const int viewRow : viewRows) {
        const int row = recordRow(viewRow);
        if (row >= 0) // not the new-row line
            rows.push_back(static_cast<std::size_t>(row));
    }
    return rows;
}

bool DataGrid::showRecordRow(std::size_t row)
{
    ShownRowsModel* view = shownRows();
    const int shown = view ? view->viewRow(static_cast<int>(row)) : -1;
    if (shown < 0)
        return false;
    setCurrentIndex(model()->index(shown, std::max(0, currentIndex().column())));
    scrollTo(currentIndex());
    return true;
}

std::optional<std::size_t> DataGrid::takeLastWritten()
{
    RecordsetModel* model = recordsetModel();
    return model ? model->takeLastWritten() : std::nullopt;
}
