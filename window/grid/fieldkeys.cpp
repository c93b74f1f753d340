// A rating is given with one key, as in music players and photo managers: typing
// "4" opens no editor holding "4", it is the rating.
#include "fieldkeys.h"

#include "fieldkind.h"

#include <QKeyEvent>
#include <QTableView>

namespace {

bool clears(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Delete || key.key() == Qt::Key_Backspace;
}

} // namespace

bool FieldKeys::typed(QTableView& view, const QKeyEvent& key)
{
    QAbstractItemModel* model = view.model();
    const QModelIndex cell = view.currentIndex();
    if (!model || !cell.isValid() || view.indexWidget(cell) || !(model->flags(cell) & Qt::ItemIsEditable))
        return false;
    if (key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    const auto kind = static_cast<FieldKind>(model->headerData(cell.column(), Qt::Horizontal, FieldKindRole).toInt());
    if (kind != FieldKind::Stars && kind != FieldKind::YesNo)
        return false;
    if (clears(key)) {
        const QModelIndexList selected = view.selectionModel()->selectedIndexes();
        if (selected.size() > 1 || (selected.size() == 1 && selected.front() != cell))
            return false;
        model->setData(cell, QString(), Qt::EditRole);
        return true;
    }
    const QString text = key.text();
    const QChar highest = kind == FieldKind::Stars ? QLatin1Char('5') : QLatin1Char('1');
    if (text.size() != 1 || text[0] < QLatin1Char('0') || text[0] > highest) {
        // Any other character is no rating: it opens no editor to be refused later.
        return kind == FieldKind::Stars && text.size() == 1 && text[0].isPrint();
    }
    model->setData(cell, text, Qt::EditRole);
    return true;
}
