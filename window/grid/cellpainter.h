#pragma once

#include "celleditor.h"

// The grid's cells as painted and measured. Only the beginning of a long value is
// laid out: painting a row with a megabyte title took 0.3 to 0.5 s, and one of
// 700,000 joined emoji up to a second, on every repaint and key. The model's
// values stay whole, so the editor, the tooltip, the screen reader and Ctrl+C get
// the whole value.
class CellPainter : public CellEditor {
    Q_OBJECT
public:
    using CellEditor::CellEditor;

    // More than any column shows, even one the user drags across the screen.
    static constexpr qsizetype paintedLength = 3000;
    // Far wider than the widest column the program sizes.
    static constexpr qsizetype measuredLength = 300;

    QString displayText(const QVariant& value, const QLocale& locale) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    // The date of a late loan in bold red behind a warning sign: the one mark a
    // book out too long has in any listing (its tooltip and screen reader say the days).
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
