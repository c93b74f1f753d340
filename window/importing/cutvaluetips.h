#pragma once

#include <QStyledItemDelegate>

// The import preview's cells as the grid's: a value wider than its cell, or
// holding a line break, shows whole in its tooltip; one seen whole has none.
class CutValueTips : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
