// Riepilogo in Strumenti: the window of counts, its PDF and print, and a bar's
// books listed in the grid while the window stays open.
#include "summarytools.h"

#include "bookqueries.h"
#include "cataloguepages.h"
#include "connection.h"
#include "error.h"
#include "grid.h"
#include "librarysummary.h"
#include "noticeline.h"
#include "recordset.h"
#include "replacingfile.h"
#include "summarydialog.h"
#include "summarypages.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QDir>
#include <QLocale>
#include <QPdfWriter>
#include <QPrinter>
#include <QStandardPaths>

namespace {

catalogue::LibrarySummary readSummary(const ToolHost& host)
{
    return catalogue::summarize(host.openCatalogue()->handle());
}

QString proposedPdf()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("riepilogo.pdf"));
}

// A button of the summary's window runs inside its own event loop, where no error
// may pass: it is shown there, and the window stays open.
void shownErrors(WindowServices& services, const std::function<void()>& command)
{
    try {
        command();
    } catch (const catalogue::Error& error) {
        services.showError(error);
    }
}

QString booksText(std::size_t books)
{
    return books == 1 ? QStringLiteral("1 libro")
                      : QStringLiteral("%1 libri").arg(QLocale(QLocale::Italian, QLocale::Italy)
                                                          .toString(static_cast<qulonglong>(books)));
}

} // namespace

// "Genere «giallo»: 312 libri"; a count named by its own label ("Letti", "(senza
// genere)") is said without the field: "Senza genere: 12 libri".
QString SummaryTools::listedText(const catalogue::SummarySection& section, const catalogue::SummaryCount& count,
                                 std::size_t books)
{
    QString what = QString::fromStdString(count.label);
    if (count.apart || section.subject.empty()) {
        if (what.startsWith(QLatin1Char('(')) && what.endsWith(QLatin1Char(')')))
            what = what.mid(1, what.size() - 2);
        if (!what.isEmpty())
            what[0] = what[0].toUpper();
    } else {
        what = QStringLiteral("%1 «%2»").arg(QString::fromStdString(section.subject), what);
    }
    return QStringLiteral("%1: %2").arg(what, booksText(books));
}

SummaryTools::SummaryTools(ToolHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    host.addTool("mnuriepilogo", QStringLiteral("Riepil&ogo"), {}, [this] { showSummary(); }, false);
}

void SummaryTools::showSummary()
{
    const catalogue::LibrarySummary summary = readSummary(m_host);
    SummaryDialog dialog(summary,
                         {[&] { shownErrors(m_host.services(), [&] { savePdf(summary); }); },
                          [&] { shownErrors(m_host.services(), [&] { print(summary); }); },
                          [&](const catalogue::SummarySection& section, const catalogue::SummaryCount& count) {
                              shownErrors(m_host.services(), [&] { list(section, count); });
                          }},
                         m_host.dialogParent());
    m_host.services().runDialog(dialog);
}

// The window stays open over the grid, so the next bar can be listed at once.
void SummaryTools::list(const catalogue::SummarySection& section, const catalogue::SummaryCount& count)
{
    const std::shared_ptr<catalogue::Recordset> before = m_host.grid().boundResult();
    m_host.listBooks(catalogue::listingOfCount(count));
    // No books (changed since the summary was read): the grid keeps its rows and
    // the window has said so.
    const std::shared_ptr<catalogue::Recordset> listed = m_host.grid().boundResult();
    const std::size_t books = listed && listed != before ? listed->rowCount() : 0;
    if (books > 0)
        NoticeLine::of(m_host).tell(listedText(section, count, books));
}

void SummaryTools::savePdf(const catalogue::LibrarySummary& summary)
{
    const QString path = m_host.services().saveFileName(QStringLiteral("Salva il riepilogo"), proposedPdf(),
                                                        QStringLiteral("Documenti PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    SummaryPages pages(summary, QDate::currentDate());
    ReplacingFile file(path);
    bool done = false;
    {
        QPdfWriter writer(&file.device());
        prepareCataloguePdf(writer, pages.pageLayout(), QStringLiteral("Riepilogo del catalogo"));
        done = pages.paint(writer);
    }
    if (!done)
        file.abandon(catalogue::ErrorNumber::FileNotWritten, "le pagine non si sono potute disegnare");
    file.commit();
}

void SummaryTools::print(const catalogue::LibrarySummary& summary)
{
    SummaryPages pages(summary, QDate::currentDate());
    m_host.services().printPreview(pages.pageLayout(), [&](QPrinter& printer) { pages.paint(printer); });
}
