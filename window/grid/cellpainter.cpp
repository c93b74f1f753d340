// The cut happens in the delegate, not in the model: what the cell is, for every
// reader other than the painter, stays the stored value.
#include "cellpainter.h"

#include "celltext.h"
#include "loanmark.h"

#include <QApplication>

QString CellPainter::displayText(const QVariant& value, const QLocale& locale) const
{
    if (value.typeId() != QMetaType::QString)
        return CellEditor::displayText(value, locale);
    return CellEditor::displayText(leadingPart(value.toString(), paintedLength), locale);
}

// As the stock delegate measures, on a shorter beginning still.
QSize CellPainter::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text = leadingPart(cell.text, measuredLength);
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), widget);
}

void CellPainter::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    CellEditor::initStyleOption(option, index);
    if (!index.data(OverdueDaysRole).isValid())
        return;
    option->text = QStringLiteral("⚠ ") + option->text;
    option->font.setBold(true);
    const QColor late(0xB0, 0x00, 0x20);
    option->palette.setColor(QPalette::Text, late);
}
