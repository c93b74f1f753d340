#include "summarytools.h"

#include "cataloguepages.h"
#include "connection.h"
#include "error.h"
#include "librarysummary.h"
#include "replacingfile.h"
#include "summarydialog.h"
#include "summarypages.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QDir>
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

} // namespace

SummaryTools::SummaryTools(ToolHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    host.addTool("mnuriepilogo", QStringLiteral("Riepil&ogo"), {}, [this] { showSummary(); }, false);
}

void SummaryTools::showSummary()
{
    const catalogue::LibrarySummary summary = readSummary(m_host);
    SummaryDialog dialog(summary,
                         {[&] { shownErrors(m_host.services(), [&] { savePdf(summary); }); },
                          [&] { shownErrors(m_host.services(), [&] { print(summary); }); }},
                         m_host.dialogParent());
    m_host.services().runDialog(dialog);
    if (dialog.chosen())
        m_host.listBooks(QStringLiteral("SELECT * FROM dorvi WHERE %1;").arg(QString::fromStdString(dialog.chosen()->where)));
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
