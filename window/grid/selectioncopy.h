#pragma once

#include <QString>

#include <vector>

class QTableView;

// The cells selected in `view`, as the clipboard carries them between programs:
// tab-separated lines, the columns in the order shown, each cell as stored (what is
// pasted is what the user copied). A selection of whole rows starts with the
// headings; a cell of a selected row that is not selected itself stays empty.
// `rows` are the selected rows of the view's model, in order.
QString selectionText(const QTableView& view, const std::vector<int>& rows);
