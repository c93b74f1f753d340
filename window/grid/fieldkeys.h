#pragma once

class QKeyEvent;
class QTableView;

// Keys that set a cell of a rating or sì/no column at once, without an editor:
// 1 to 5 give a rating that many stars, 0 takes it away; 1 and 0 tick and untick a
// check box; Canc (or Backspace) clears either, when the selection is that one cell
// (with whole rows selected, Canc still deletes the books). Any other character
// typed on a rating is ignored (F2 still opens its editor). True when the key was
// taken. The write goes through the model as any edit does, refusals included.
namespace FieldKeys {
bool typed(QTableView& view, const QKeyEvent& key);
}
