// The grid's selection on the clipboard as tab-separated lines, each cell as
// stored, the headings first for whole rows.
#include "selectioncopy.h"

#include "columnview.h"
#include "delimitedtext.h"

#include <QHeaderView>
#include <QTableView>

QString selectionText(const QTableView& view, const std::vector<int>& rows)
{
    const QAbstractItemModel* model = view.model();
    const QItemSelectionModel* selection = view.selectionModel();
    if (!model || !selection)
        return {};
    std::vector<int> columns;
    bool wholeRows = true;
    for (const QItemSelectionRange& range : selection->selection()) {
        for (int column = range.left(); column <= range.right(); ++column)
            columns.push_back(column);
        wholeRows = wholeRows && range.left() == 0 && range.right() == model->columnCount() - 1;
    }
    columns = inShownOrder(columns, *view.horizontalHeader());
    if (rows.empty() || columns.empty())
        return {};

    DelimitedText text(DelimitedText::clipboard);
    const auto line = [&](auto cell) {
        for (int column : columns)
            text.addText(cell(column).toStdString());
        text.endLine();
    };
    if (wholeRows)
        line([&](int column) { return model->headerData(column, Qt::Horizontal).toString(); });
    for (int row : rows) {
        line([&](int column) {
            const QModelIndex index = model->index(row, column);
            return selection->isSelected(index) ? model->data(index, Qt::EditRole).toString() : QString();
        });
    }
    return QString::fromStdString(text.bytes());
}
