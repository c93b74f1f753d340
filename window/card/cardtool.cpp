#include "cardtool.h"

#include "bookcard.h"
#include "grid.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QHeaderView>
#include <QTableView>

namespace {

// The window's own grid is a table view; a grid of the caller's may be none.
QTableView* tableOf(ToolHost& host)
{
    return dynamic_cast<QTableView*>(&host.grid());
}

} // namespace

CardTool::CardTool(ToolHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    host.addTool("mnuscheda", QStringLiteral("Sc&heda del libro"), {QKeySequence(Qt::CTRL | Qt::Key_I)},
                 [this] { open(); });
    if (QTableView* table = tableOf(host)) {
        connect(table->verticalHeader(), &QHeaderView::sectionDoubleClicked, this, [this, table](int row) {
            table->setCurrentIndex(table->model()->index(row, std::max(table->currentIndex().column(), 0)));
            m_host.grid().commitPendingEdit();
            open();
            m_host.grid().takeFocus();
        });
    }
}

void CardTool::open()
{
    QTableView* table = tableOf(m_host);
    if (!table || !table->model() || table->model()->rowCount() == 0)
        return;
    BookCard card(*table, m_host.services(), m_host.dialogParent());
    m_host.services().runDialog(card);
}
