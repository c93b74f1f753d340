// The export and print commands, apart from the window so it stays a list of
// commands. Each works on the rows on show as the grid had them when the command
// began; the progress dialog closes before any error is shown, since it goes out
// of scope first.
#include "listexport.h"

#include "cataloguepages.h"
#include "csvexport.h"
#include "error.h"
#include "printout.h"
#include "replacingfile.h"
#include "rowsonshow.h"
#include "windowservices.h"

#include <QDir>
#include <QPdfWriter>
#include <QPrinter>
#include <QStandardPaths>

#include <optional>

namespace {

// The user's documents folder, or home when there is none yet.
QString proposedPath(const QString& name)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(name);
}

bool nothingListed(WindowServices& services, const RowsOnShow& shown, const QString& title)
{
    if (shown.recordset)
        return false;
    services.information(QStringLiteral("Non c'è ancora nessun elenco: scegliere prima Gestione o un comando "
                                        "del menu Interroga."),
                         title);
    return true;
}

// Where the list goes: the file the user chooses, or the empty text when there is
// no list yet or the user cancels.
QString askForFile(WindowServices& services, const RowsOnShow& shown, const QString& title, const QString& name,
                   const QString& filter)
{
    if (nothingListed(services, shown, title))
        return {};
    return services.saveFileName(title, proposedPath(name), filter);
}

} // namespace

QString exportSpreadsheet(WindowServices& services, const RowsOnShow& shown)
{
    const QString path = askForFile(services, shown, QStringLiteral("Esporta per foglio di calcolo"),
                                    QStringLiteral("catalogo.csv"), QStringLiteral("File CSV (*.csv)"));
    if (path.isEmpty())
        return {};
    ReplacingFile file(path);
    auto progress = services.progress(QStringLiteral("Esportazione dei libri in corso…"),
                                      static_cast<qint64>(shown.rows.size()));
    if (!writeSpreadsheet(shown, file, *progress))
        return {};
    file.commit();
    return path;
}

QString exportPdf(WindowServices& services, const RowsOnShow& shown, QDate today)
{
    const QString path = askForFile(services, shown, QStringLiteral("Esporta PDF"), QStringLiteral("catalogo.pdf"),
                                    QStringLiteral("Documenti PDF (*.pdf)"));
    if (path.isEmpty())
        return {};
    CataloguePages pages(shown, today);
    ReplacingFile file(path);
    auto progress = services.progress(QStringLiteral("Preparazione del PDF in corso…"),
                                      2 * static_cast<qint64>(shown.rows.size()));
    bool done = false;
    {
        QPdfWriter writer(&file.device());
        prepareCataloguePdf(writer, pages.pageLayout(), QStringLiteral("Catalogo dei libri"));
        done = pages.paint(writer, progress.get());
    }
    // Not done and not cancelled: the writer itself refused the pages.
    if (!done && progress->advance(0))
        file.abandon(catalogue::ErrorNumber::FileNotWritten, "le pagine non si sono potute disegnare");
    if (!done)
        return {};
    file.commit();
    return path;
}

void printList(WindowServices& services, const RowsOnShow& shown, QDate today)
{
    if (nothingListed(services, shown, QStringLiteral("Stampa")))
        return;
    CataloguePages pages(shown, today);
    // The dialog paints from inside its own event loop, where no error may pass:
    // a failure waits there until the dialog has closed.
    std::optional<catalogue::Error> failure;
    services.printPreview(pages.pageLayout(), [&](QPrinter& printer) {
        try {
            printPages(pages, printer);
        } catch (const catalogue::Error& error) {
            failure = error;
        }
    });
    if (failure)
        throw *failure;
}
