// The one line under the grid the tools share to tell what a listing means beyond
// its rows; a new result in the grid clears it.
#include "noticeline.h"

#include "grid.h"
#include "toolhost.h"

#include <QAbstractItemView>
#include <QMainWindow>

namespace {

// Below the mode label, across the grid's width: the band the window leaves free.
const QRect lineGeometry(8, 435, 681, 22);

} // namespace

NoticeLine::NoticeLine(QWidget* parent, QAbstractItemView* grid) : QLabel(parent), m_grid(grid)
{
    setObjectName(QStringLiteral("rigaavvisi"));
    setGeometry(lineGeometry);
    setTextFormat(Qt::PlainText);
    setAccessibleName(QStringLiteral("Avvisi"));
    hide();
}

NoticeLine& NoticeLine::of(ToolHost& host)
{
    auto* window = qobject_cast<QMainWindow*>(host.dialogParent());
    QWidget* area = window && window->centralWidget() ? window->centralWidget() : host.dialogParent();
    if (auto* line = area->findChild<NoticeLine*>(QStringLiteral("rigaavvisi"), Qt::FindDirectChildrenOnly))
        return *line;
    return *new NoticeLine(area, dynamic_cast<QAbstractItemView*>(&host.grid()));
}

void NoticeLine::tell(const QString& text)
{
    setText(text);
    setToolTip(text);
    setVisible(!text.isEmpty());
    // What the line says concerns the rows on show: another listing ends it.
    if (m_grid && m_grid->model())
        connect(m_grid->model(), &QAbstractItemModel::modelReset, this, &NoticeLine::clearNotice,
                Qt::UniqueConnection);
}

void NoticeLine::clearNotice()
{
    tell(QString());
}
