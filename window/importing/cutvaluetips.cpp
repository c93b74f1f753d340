// Tooltips for the preview's cut values: the table draws one line of each value,
// elided, so the whole of it is read here before the books are written.
#include "cutvaluetips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

bool CutValueTips::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                             const QModelIndex& index)
{
    if (!event || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // A tooltip lays out its whole text at once; beyond this the value is cut.
    constexpr qsizetype longestTip = 10000;
    constexpr int margins = 8;
    const QString value = index.data(Qt::DisplayRole).toString();
    const bool cut = value.contains(QLatin1Char('\n')) ||
                     option.fontMetrics.horizontalAdvance(value.left(longestTip)) + margins > option.rect.width();
    if (value.isEmpty() || !cut) {
        QToolTip::hideText();
        return true;
    }
    QString tip = value.left(longestTip);
    if (value.size() > longestTip)
        tip += QStringLiteral("…");
    QToolTip::showText(event->globalPos(), tip, view);
    return true;
}
