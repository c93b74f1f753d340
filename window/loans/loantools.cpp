// Presta, Restituito and Libri in prestito: a loan is written into the books'
// cells through the grid's result, one step of Annulla with its lines.
#include "loantools.h"

#include "bookchoice.h"
#include "catalogue.h"
#include "bookqueries.h"
#include "connection.h"
#include "copykeeper.h"
#include "fieldkind.h"
#include "grid.h"
#include "history.h"
#include "loandialog.h"
#include "loanmark.h"
#include "loans.h"
#include "noticeline.h"
#include "recordset.h"
#include "toolhost.h"
#include "windowservices.h"


namespace {

std::string isoDate(const QDate& date)
{
    return date.toString(Qt::ISODate).toStdString();
}

QStringList qtNames(const std::vector<std::string>& names)
{
    QStringList list;
    for (const std::string& name : names)
        list << QString::fromStdString(name);
    return list;
}

void append(catalogue::LedgerChanges& to, catalogue::LedgerChanges&& changes)
{
    to.insert(to.end(), std::make_move_iterator(changes.begin()), std::make_move_iterator(changes.end()));
}

std::vector<std::int64_t> idsOf(const std::vector<ChosenBook>& books)
{
    std::vector<std::int64_t> ids;
    for (const ChosenBook& book : books)
        ids.push_back(book.id);
    return ids;
}

// "«Il nome della rosa» a Marta da 45 giorni, oltre 30", oldest first.
QString booksOutText(const std::vector<catalogue::BookOut>& books, const QDate& today)
{
    QStringList parts;
    int overdue = 0;
    for (const catalogue::BookOut& book : books) {
        // Read as the grid's mark reads it, so the two never disagree on a cell.
        const std::optional<QDate> since = readDate(book.from);
        QString part = QStringLiteral("«%1» a %2").arg(QString::fromStdString(book.title), QString::fromStdString(book.to));
        if (since) {
            const qint64 days = since->daysTo(today);
            part += days == 1 ? QStringLiteral(" da 1 giorno") : QStringLiteral(" da %1 giorni").arg(days);
            if (days > overdueDays) {
                part += QStringLiteral(" (oltre %1 giorni!)").arg(overdueDays);
                ++overdue;
            }
        } else {
            part += QStringLiteral(" da data ignota");
        }
        parts << part;
    }
    const QString head = books.size() == 1 ? QStringLiteral("1 libro in prestito")
                                           : QStringLiteral("%1 libri in prestito").arg(books.size());
    const QString late = overdue == 0 ? QString() : QStringLiteral(", %1 da più di %2 giorni").arg(overdue).arg(overdueDays);
    return head + late + QStringLiteral(": ") + parts.join(QStringLiteral("; "));
}

} // namespace

LoanTools::LoanTools(ToolHost& host, QObject* parent, Today today)
    : QObject(parent), m_host(host), m_today(today ? std::move(today) : Today([] { return QDate::currentDate(); }))
{
    host.addToolSeparator();
    host.addTool("mnupresta", QStringLiteral("Pr&esta…"), {}, [this] { lend(); });
    host.addTool("mnurestituito", QStringLiteral("Restit&uito"), {}, [this] { giveBack(); });
    host.addTool("mnuinprestito", QStringLiteral("&Libri in prestito"), {}, [this] { listBooksOut(); }, false);
    NoticeLine::of(host);
    host.whenBookWritten([this] { followBooksOut(); });
}

// Loans change the file as edits do: only in the editing mode, where they can be undone.
bool LoanTools::inEditingMode(const QString& title)
{
    if (m_host.editing())
        return true;
    m_host.services().information(QStringLiteral("Prestiti e restituzioni si scrivono nel catalogo: apri prima "
                                                 "Gestione e scegli lì i libri."),
                                  title);
    return false;
}

void LoanTools::lend()
{
    const QString title = QStringLiteral("Presta");
    if (!inEditingMode(title))
        return;
    std::vector<ChosenBook> books = chosenBooks(m_host);
    if (books.empty()) {
        m_host.services().information(QStringLiteral("Scegli nella griglia il libro o i libri da prestare."), title);
        return;
    }
    const auto connection = m_host.openCatalogue();
    sqlite3* db = connection->handle();
    LoanDialog dialog(qtNames(catalogue::loanNames(db)), m_today(), static_cast<int>(books.size()),
                      m_host.dialogParent());
    if (m_host.services().runDialog(dialog) != QDialog::Accepted || dialog.name().isEmpty())
        return;
    const std::string to = dialog.name().toStdString();
    const std::string from = isoDate(dialog.date());

    std::shared_ptr<catalogue::Recordset> shown = m_host.grid().boundResult();
    if (const LoanColumns columns = loanColumns(*shown); columns.to < 0 || columns.since < 0) {
        // A change of the file's structure: a safety copy first, then the columns
        // alone are added, and the catalogue listed again to show them.
        connection->prepareForWriting();
        if (!catalogue::hasLoanColumns(db)) {
            m_host.copies().copyBeforeChange(catalogue::beforeLoanFields());
            catalogue::addLoanColumns(db);
        }
        const std::vector<std::int64_t> ids = idsOf(books);
        m_host.catalogue()->fieldsChanged();
        m_host.relist();
        shown = m_host.grid().boundResult();
        books = findBooks(*shown, ids);
    }
    const LoanColumns columns = loanColumns(*shown);
    const int toColumn = columns.to;
    const int fromColumn = columns.since;
    const std::string what = books.size() == 1 ? "prestito a «" + to + "»"
                                               : "prestito di " + std::to_string(books.size()) + " libri a «" + to + "»";
    writeAsOneChange(what, [&](catalogue::LedgerChanges& ledger) {
        for (const ChosenBook& book : books) {
            // Each book is written at once, its name, date and loan line in one
            // transaction; a conflict stops at that book, those before it lent.
            catalogue::LedgerChanges lines;
            shown->update(book.row, {{toColumn, catalogue::Value(to)}, {fromColumn, catalogue::Value(from)}},
                          [&](sqlite3* written) { lines = catalogue::writeLoanLine(written, book.id, to, from); });
            append(ledger, std::move(lines));
        }
    });
}

// The writes of one command are one step of Annulla, the loans' table with them,
// also when a conflict stops them half way: what was written is undone together.
void LoanTools::writeAsOneChange(const std::string& what, const std::function<void(catalogue::LedgerChanges&)>& write)
{
    catalogue::History& history = *m_host.history();
    const std::size_t mark = history.mark();
    catalogue::LedgerChanges ledger;
    const auto join = [&] {
        const std::string path = m_host.cataloguePath().toStdString();
        history.joinSince(mark, what, ledger.empty() ? nullptr : catalogue::ledgerStep(path, std::move(ledger)));
    };
    try {
        write(ledger);
    } catch (...) {
        join();
        followBooksOut();
        throw;
    }
    join();
    followBooksOut();
}

void LoanTools::giveBack()
{
    const QString title = QStringLiteral("Restituito");
    if (!inEditingMode(title))
        return;
    const std::vector<ChosenBook> books = chosenBooks(m_host);
    const std::shared_ptr<catalogue::Recordset> shown = m_host.grid().boundResult();
    const LoanColumns columns = shown ? loanColumns(*shown) : LoanColumns();
    const int toColumn = columns.to;
    const int fromColumn = columns.since;
    std::vector<ChosenBook> out;
    for (const ChosenBook& book : books) {
        if (toColumn >= 0 && fromColumn >= 0 &&
            (!catalogue::isNull(shown->value(book.row, toColumn)) ||
             !catalogue::isNull(shown->value(book.row, fromColumn))))
            out.push_back(book);
    }
    if (out.empty()) {
        m_host.services().information(QStringLiteral("Nessuno dei libri scelti è in prestito."), title);
        return;
    }
    const std::string on = isoDate(m_today());
    const std::string what =
        out.size() == 1 ? std::string("restituzione") : "restituzione di " + std::to_string(out.size()) + " libri";
    writeAsOneChange(what, [&](catalogue::LedgerChanges& ledger) {
        for (const ChosenBook& book : out) {
            catalogue::LedgerChanges lines;
            shown->update(book.row, {{toColumn, catalogue::Value()}, {fromColumn, catalogue::Value()}},
                          [&](sqlite3* written) { lines = catalogue::writeReturnLine(written, book.id, on); });
            append(ledger, std::move(lines));
        }
    });
}

void LoanTools::listBooksOut()
{
    const auto connection = m_host.openCatalogue();
    if (!catalogue::hasLoanColumns(connection->handle())) {
        m_host.services().information(QStringLiteral("Nessun libro è in prestito: il catalogo non ha ancora i campi "
                                                     "del prestito."),
                                      QStringLiteral("Libri in prestito"));
        return;
    }
    const std::shared_ptr<catalogue::Recordset> before = m_host.grid().boundResult();
    m_host.listBooks(catalogue::listingOfBooksOut());
    // With no book out the grid may keep the rows it had: those are no list of loans.
    const std::shared_ptr<catalogue::Recordset> listed = m_host.grid().boundResult();
    m_booksOut.reset();
    if (!listed || listed == before)
        return;
    m_booksOut = listed;
    tellBooksOut(*listed);
}

void LoanTools::tellBooksOut(const catalogue::Recordset& listed)
{
    const std::vector<catalogue::BookOut> books = catalogue::booksOut(listed);
    m_told = books.empty() ? QString() : booksOutText(books, m_today());
    NoticeLine::of(m_host).tell(m_told);
}

// The line under Libri in prestito follows its rows: a book given back, lent
// again or edited there is told as it is now. Another tool's notice since, or
// another listing, is left alone.
void LoanTools::followBooksOut()
{
    const std::shared_ptr<catalogue::Recordset> listed = m_booksOut.lock();
    if (listed && listed == m_host.grid().boundResult() && NoticeLine::of(m_host).text() == m_told)
        tellBooksOut(*listed);
}
