// Reads a view's rows back to the result set's rows. Each proxy between the view
// and the RecordsetModel maps a row through mapToSource, so any filter or sort the
// grid puts in between is followed without knowing it.
#include "rowsonshow.h"

#include "recordsetmodel.h"
#include "recordset.h"
#include "shownrowsmodel.h"

#include <QAbstractProxyModel>

RowsOnShow RowsOnShow::all(std::shared_ptr<catalogue::Recordset> recordset)
{
    RowsOnShow shown{std::move(recordset), {}, {}};
    if (shown.recordset) {
        shown.rows.resize(shown.recordset->rowCount());
        for (std::size_t row = 0; row < shown.rows.size(); ++row)
            shown.rows[row] = row;
    }
    return shown;
}

std::vector<int> RowsOnShow::columnsInOrder() const
{
    if (!columns.empty() || !recordset)
        return columns;
    std::vector<int> all(static_cast<std::size_t>(recordset->columnCount()));
    for (std::size_t column = 0; column < all.size(); ++column)
        all[column] = static_cast<int>(column);
    return all;
}

namespace {

// The RecordsetModel under `model`, and the proxies on the way, top first.
const RecordsetModel* sourceModel(const QAbstractItemModel* model, std::vector<const QAbstractProxyModel*>& proxies)
{
    while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(model)) {
        proxies.push_back(proxy);
        model = proxy->sourceModel();
    }
    return qobject_cast<const RecordsetModel*>(model);
}

} // namespace

RowsOnShow rowsOnShow(const QAbstractItemModel* viewModel)
{
    if (const auto* view = qobject_cast<const ShownRowsModel*>(viewModel)) {
        if (!view->isArranged())
            return RowsOnShow::all(view->recordsetModel().recordset());
        RowsOnShow shown{view->recordsetModel().recordset(), {}, {}};
        shown.rows.reserve(static_cast<std::size_t>(view->shownRecords()));
        for (int row = 0; row < view->shownRecords(); ++row)
            shown.rows.push_back(static_cast<std::size_t>(view->recordRow(row)));
        return shown;
    }
    std::vector<const QAbstractProxyModel*> proxies;
    const RecordsetModel* source = sourceModel(viewModel, proxies);
    if (!source)
        return {};
    if (proxies.empty())
        return RowsOnShow::all(source->recordset());
    RowsOnShow shown{source->recordset(), {}, {}};
    const int count = viewModel->rowCount();
    shown.rows.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row) {
        QModelIndex index = viewModel->index(row, 0);
        for (const QAbstractProxyModel* proxy : proxies)
            index = proxy->mapToSource(index);
        if (index.isValid() && !source->isNewRowLine(index.row()) &&
            static_cast<std::size_t>(index.row()) < shown.recordset->rowCount())
            shown.rows.push_back(static_cast<std::size_t>(index.row()));
    }
    return shown;
}
