#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class QAbstractItemModel;

namespace catalogue {
class Recordset;
}

// The books a grid shows, in the order it shows them: what the exports and the
// printed list take. Rows are rows of the result set, so their values come typed.
struct RowsOnShow {
    std::shared_ptr<catalogue::Recordset> recordset; ///< null when nothing has been listed
    std::vector<std::size_t> rows;
    // The columns shown, in the order shown (the user may hide and move them);
    // empty for every column in the result's order.
    std::vector<int> columns;

    // `columns`, or every column of the result in its order.
    std::vector<int> columnsInOrder() const;

    // Every row of `recordset` in its own order.
    static RowsOnShow all(std::shared_ptr<catalogue::Recordset> recordset);
};

// The rows of a view's model, down through any proxies (filter, sort) to the
// RecordsetModel, in the view's order and without the new-row line.
RowsOnShow rowsOnShow(const QAbstractItemModel* viewModel);
