// Trova doppioni, the notice of a duplicate just written and Vai al doppione (F8);
// the change itself is never held back.
#include "duplicatetools.h"

#include "bookchoice.h"
#include "bookqueries.h"
#include "connection.h"
#include "grid.h"
#include "nearduplicates.h"
#include "noticeline.h"
#include "recordset.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QScopeGuard>

namespace {

// «Titolo» di Autore, n. 12
QString bookName(sqlite3* db, std::int64_t id)
{
    const std::optional<catalogue::TitleAndAuthor> book = catalogue::titleAndAuthor(db, id);
    if (!book)
        return QStringLiteral("n. %1").arg(id);
    // One pass over the pattern: a title holding "%3" stays as typed.
    return QStringLiteral("«%1» di %2, n. %3")
        .arg(QString::fromStdString(book->title), QString::fromStdString(book->author), QString::number(id));
}

// The books of the groups one after another, each group in its own order.
std::vector<std::int64_t> booksOf(const std::vector<std::vector<std::int64_t>>& groups)
{
    std::vector<std::int64_t> ids;
    for (const auto& group : groups)
        ids.insert(ids.end(), group.begin(), group.end());
    return ids;
}

} // namespace

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
    const std::vector<std::int64_t> books = booksOf(groups);
    m_host.listBooks(books);
    const QString count = groups.size() == 1 ? QStringLiteral("1 gruppo di doppioni")
                                             : QStringLiteral("%1 gruppi di doppioni").arg(groups.size());
    NoticeLine::of(m_host).tell(
        QStringLiteral("%1, %2 libri: ogni gruppo di seguito, da confrontare, correggere o eliminare.")
            .arg(count)
            .arg(books.size()));
}

// The book the grid or the card has just written, as its model tells it; an undo
// or a redo writes no book of the user's, and is not checked.
void DuplicateTools::checkWrittenBook()
{
    const std::shared_ptr<catalogue::Recordset> result = m_host.grid().boundResult();
    const std::optional<std::size_t> row = m_host.grid().takeLastWritten();
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
    // Listing the whole catalogue to find the book changes nothing in the file:
    // the index of near duplicates stays.
    m_listingForF8 = true;
    const auto listed = qScopeGuard([this] { m_listingForF8 = false; });
    m_host.goTo(*m_duplicate);
}
