#include "duplicatetools.h"

#include "bookchoice.h"
#include "connection.h"
#include "datagrid.h"
#include "nearduplicates.h"
#include "noticeline.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "shownrowsmodel.h"
#include "statement.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QScopeGuard>

namespace {

QString text(sqlite3_stmt* statement, int column)
{
    const unsigned char* value = sqlite3_column_text(statement, column);
    return value ? QString::fromUtf8(reinterpret_cast<const char*>(value)) : QString();
}

// «Titolo» di Autore, n. 12
QString bookName(sqlite3* db, std::int64_t id)
{
    catalogue::Statement book(db, "SELECT titolo, autore FROM dorvi WHERE iddorvo = ?");
    book.bind(1, id);
    if (!book.step())
        return QStringLiteral("n. %1").arg(id);
    return QStringLiteral("«%1» di %2, n. %3").arg(text(book.handle(), 0), text(book.handle(), 1)).arg(id);
}

} // namespace

QString groupsStatement(const std::vector<std::vector<std::int64_t>>& groups)
{
    // The books in the groups' order, through a JSON array the engine walks: a
    // statement of the ids alone, however many, with no table made in the file.
    QString ids;
    for (const auto& group : groups) {
        for (const std::int64_t id : group)
            ids += (ids.isEmpty() ? QString() : QStringLiteral(",")) + QString::number(id);
    }
    return QStringLiteral("SELECT dorvi.* FROM json_each('[%1]') AS doppioni JOIN dorvi ON dorvi.iddorvo = "
                          "doppioni.value ORDER BY doppioni.key;")
        .arg(ids);
}

DuplicateTools::DuplicateTools(ToolHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    host.addTool("mnudoppioni", QStringLiteral("Trova doppio&ni"), {}, [this] { listDuplicates(); }, false);
    host.addTool("mnuvaidoppione", QStringLiteral("&Vai al doppione"), {QKeySequence(Qt::Key_F8)},
                 [this] { goToDuplicate(); }, false);
    host.whenBookWritten([this] { checkWrittenBook(); });
    host.whenCatalogueChanged([this] { forgetIndex(); });
}

DuplicateTools::~DuplicateTools() = default;

void DuplicateTools::listDuplicates()
{
    const auto connection = m_host.openCatalogue();
    const std::vector<std::vector<std::int64_t>> groups = catalogue::findDuplicateGroups(connection->handle());
    if (groups.empty()) {
        m_host.services().information(QStringLiteral("Nessun doppione nel catalogo."),
                                      QStringLiteral("Trova doppioni"));
        return;
    }
    std::size_t books = 0;
    for (const auto& group : groups)
        books += group.size();
    m_host.listBooks(groupsStatement(groups));
    const QString count = groups.size() == 1 ? QStringLiteral("1 gruppo di doppioni")
                                             : QStringLiteral("%1 gruppi di doppioni").arg(groups.size());
    NoticeLine::of(m_host).tell(
        QStringLiteral("%1, %2 libri: ogni gruppo di seguito, da confrontare, correggere o eliminare.")
            .arg(count)
            .arg(books));
}

// The book the grid or the card has just written, as its model tells it; an undo
// or a redo writes no book of the user's, and is not checked.
void DuplicateTools::checkWrittenBook()
{
    auto* view = dynamic_cast<DataGrid*>(&m_host.grid());
    RecordsetModel* model = view ? view->recordsetModel() : nullptr;
    const std::shared_ptr<catalogue::Recordset> result = m_host.grid().boundResult();
    const std::optional<std::size_t> row = model ? model->takeLastWritten() : std::nullopt;
    if (!result || !row || *row >= result->rowCount())
        return;
    if (const auto id = bookIdAt(*result, *row))
        checkBook(*id);
}

// A restore, an import, a field added or removed, an undo or a redo: books the
// index never saw, or saw otherwise. It is made again when the next book is
// checked, once, not at each change: an undo of a million books, or several in a
// row, costs one pass. A single book written keeps the index and is added to it.
void DuplicateTools::forgetIndex()
{
    if (!m_listingForF8)
        m_index.reset();
}

void DuplicateTools::checkBook(std::int64_t id)
{
    // A connection of its own each time, never one kept open: after a restore the
    // file in place is another.
    const auto connection = m_host.openCatalogue();
    if (m_index && !m_index->fitsFieldsOf(connection->handle()))
        m_index.reset();
    if (!m_index)
        m_index = std::make_unique<catalogue::NearDuplicateIndex>(connection->handle());
    m_duplicate = m_index->duplicateOf(connection->handle(), id);
    if (!m_duplicate)
        return;
    NoticeLine::of(m_host).tell(QStringLiteral("Già nel catalogo: %1. F8 per andarci.")
                                    .arg(bookName(connection->handle(), *m_duplicate)));
}

void DuplicateTools::goToDuplicate()
{
    if (!m_duplicate)
        return;
    auto* view = dynamic_cast<DataGrid*>(&m_host.grid());
    std::shared_ptr<catalogue::Recordset> result = m_host.grid().boundResult();
    if (!view || !result)
        return;
    std::vector<ChosenBook> found = findBooks(*result, {*m_duplicate});
    if (found.empty() || view->shownRows()->viewRow(static_cast<int>(found.front().row)) < 0) {
        // Not among the rows on show: the whole catalogue, in the grid's mode.
        m_listingForF8 = true;
        const auto listed = qScopeGuard([this] { m_listingForF8 = false; });
        m_host.relist();
        result = m_host.grid().boundResult();
        found = findBooks(*result, {*m_duplicate});
    }
    if (found.empty())
        return;
    const int row = view->shownRows()->viewRow(static_cast<int>(found.front().row));
    if (row < 0)
        return;
    view->setCurrentIndex(view->model()->index(row, std::max(0, view->currentIndex().column())));
    view->scrollTo(view->currentIndex());
}
