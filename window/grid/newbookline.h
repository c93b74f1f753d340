#pragma once

#include "editrefusals.h"

class QAbstractItemView;
class RecordsetModel;
class ShownRowsModel;

// The grid's side of the book typed into the new-row line: it is written, as one
// insert, when the user leaves its line (another row, Enter, Tab out of its last
// cell), when a command runs or the window closes; Esc on its line, with no cell
// open, drops it unwritten. A refused insert keeps everything typed: the line
// keeps its values and the editor of the cell typed last opens again, or, for a
// command, the book goes to the clipboard.
class NewBookLine {
public:
    // For the rows of `view`, whose model is a ShownRowsModel or nothing.
    NewBookLine(QAbstractItemView& view, EditRefusals& refusals) : m_view(view), m_refusals(refusals) {}

    // Whether view row `row` is the line of a book being typed.
    bool isBookLine(int row) const;
    // The cursor has gone from row `previous` to row `current`.
    void cursorMoved(int previous, int current);
    // Writes the book being typed, if any; false when the file refused it.
    bool write(EditRefusals::Then then);
    // Drops the book being typed when the cursor stands on its line; false when
    // there is none there.
    bool dropAt(int row);

private:
    ShownRowsModel* view() const;
    RecordsetModel* model() const;

    QAbstractItemView& m_view;
    EditRefusals& m_refusals;
};
