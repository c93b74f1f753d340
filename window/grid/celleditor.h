#pragma once

#include <QStyledItemDelegate>

// The grid's cell editors. A value takes any length the catalogue holds (the line
// editor's own limit would cut it at 32,767 characters), and a value holding line
// breaks is edited in a multi-line editor, so its lines come back as they were.
// Every editor has a frame, so an open one never looks like a cell written.
class CellEditor : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // A value the cell cuts shows whole as the cell's tooltip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // What the editor holds now, as it would be written.
    static QString text(const QWidget* editor);
    static void setText(QWidget* editor, const QString& text);
    // Puts back `typed`, which the file refused, in a look of its own, so the open
    // editor never passes for a value written.
    static void holdRefused(QWidget* editor, const QString& typed);
    static bool holdsRefused(const QWidget* editor);

protected:
    // Focus going to the menu bar (Alt, or a menu's letter) leaves the editor open:
    // the command picked writes it, and closing the menu goes back to it.
    bool eventFilter(QObject* object, QEvent* event) override;
};
