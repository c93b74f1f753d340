// The card of the current book, opened from Strumenti, Ctrl+I or a double click on
// a row's selector; it writes through the grid's own result.
#include "cardtool.h"

#include "bookcard.h"
#include "coverfield.h"
#include "grid.h"
#include "isbn.h"
#include "loanhistorylist.h"
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
    card.setTypingRule([this](const QString& column, const QString& typed) { return typedValue(column, typed); });
    auto* loans = new LoanHistoryList(&card);
    card.addPart(QStringLiteral("Prestiti del libro"), loans, [loans, path = m_host.cataloguePath()](auto key) {
        if (key)
            loans->showBook(path, *key);
        else
            loans->clear();
    });
    auto* cover = new CoverField(m_host.services(), m_host.cataloguePath(), m_host.history(), m_host.editing(), &card);
    cover->acceptDropsOn(&card);
    card.addPart(QStringLiteral("Copertina"), cover, [cover](auto key) { cover->showBook(key); });
    m_host.services().runDialog(card);
    // The keyboard goes back to the window whatever closed the card (a message
    // shown as it closed, say): without a window manager to hand it back, the
    // window's shortcuts, Ctrl+I among them, would wait for a click.
    table->window()->activateWindow();
}

// The ISBN typed in the card follows the grid's rule: stored as its ISBN-13, or,
// with a wrong check digit, kept as typed only if the user says so.
std::optional<QString> CardTool::typedValue(const QString& column, const QString& typed)
{
    if (!catalogue::isIsbnColumn(column.toStdString()))
        return typed;
    const catalogue::IsbnEntry entry = catalogue::isbnEntry(typed.toStdString());
    if (!entry.question.empty() &&
        !m_host.services().confirm(QString::fromStdString(entry.question), QStringLiteral("ISBN non valido")))
        return std::nullopt;
    return QString::fromStdString(entry.stored);
}
