// Printing to a file through Qt's own PDF engine would open the chosen file at
// once, emptying an old one, and say nothing when the disk filled up: the pages
// then go instead through the same replacing file as the PDF export, with the
// printer's page, resolution and names.
#include "printout.h"

#include "cataloguepages.h"
#include "error.h"
#include "replacingfile.h"

#include <QPaintEngine>
#include <QPdfWriter>
#include <QPrinter>

using catalogue::Error;
using catalogue::ErrorNumber;

namespace {

// The preview dialog paints its pages on the printer in a mode of its own, through
// an engine that records pictures.
bool isPreview(QPrinter& printer)
{
    const QPaintEngine* engine = printer.paintEngine();
    return engine && engine->type() == QPaintEngine::Picture;
}

bool printsToFile(const QPrinter& printer)
{
    return printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
}

void printToFile(CataloguePages& pages, QPrinter& printer)
{
    ReplacingFile file(printer.outputFileName());
    {
        QPdfWriter writer(&file.device());
        writer.setPageLayout(printer.pageLayout());
        writer.setResolution(printer.resolution());
        writer.setPdfVersion(printer.pdfVersion());
        writer.setTitle(printer.docName().isEmpty() ? QStringLiteral("Catalogo dei libri") : printer.docName());
        writer.setCreator(printer.creator().isEmpty() ? QStringLiteral("Gestione Dorvi") : printer.creator());
        if (!pages.paint(writer))
            file.abandon(ErrorNumber::FileNotWritten, "le pagine non si sono potute disegnare");
    }
    file.commit();
}

} // namespace

void printPages(CataloguePages& pages, QPrinter& printer)
{
    if (isPreview(printer)) {
        pages.paint(printer);
        return;
    }
    if (printsToFile(printer)) {
        printToFile(pages, printer);
        return;
    }
    if (!pages.paint(printer) || printer.printerState() == QPrinter::Error) {
        const QString name = printer.printerName().isEmpty() ? QStringLiteral("predefinita") : printer.printerName();
        throw Error(ErrorNumber::FileNotWritten,
                    "La stampa sulla stampante «" + name.toStdString() +
                        "» non è riuscita: la stampante ha segnalato un errore. Controllare la stampante e "
                        "riprovare.");
    }
}
