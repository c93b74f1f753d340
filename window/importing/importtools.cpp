// Importa… in the window: the file chosen, the preview, a safety copy, the books
// in one transaction, the report; the whole import one step of Annulla.
#include "importtools.h"

#include "accessconversion.h"
#include "copykeeper.h"
#include "history.h"
#include "importdialog.h"
#include "importedbooks.h"
#include "importreportdialog.h"
#include "importreport.h"
#include "mappingmemory.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QFile>

#include <algorithm>
#include <fstream>
#include <optional>

namespace {

const char* const accessKind = "catalogo di Access";

// The user's Annulla in the progress dialog: the import stops, nothing written.
struct ImportStopped {};

// About how many books a file holds, for the progress: its lines for a text file
// (a quick pass, a few hundred MB a second), none known for a database.
qint64 expectedBooks(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string chunk(1 << 20, '\0');
    qint64 lines = 0;
    qint64 returns = 0; // an old Mac spreadsheet's lines end in a carriage return alone
    bool first = true;
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        const std::string_view read(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (first && read.starts_with("SQLite format 3"))
            return 0;
        first = false;
        lines += std::count(read.begin(), read.end(), '\n');
        returns += std::count(read.begin(), read.end(), '\r');
    }
    return std::max(lines, returns);
}

} // namespace

ImportTools::ImportTools(ToolHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    m_host.addTool("mnuimporta", QStringLiteral("&Importa…"), {}, [this] { importBooks(); }, false);
}

// One step of Annulla: the books, and the loans' lines written for those that
// arrived lent, taken back before them.
void ImportTools::recordForUndo(std::unique_ptr<catalogue::ImportedBooks> books, catalogue::LedgerChanges loanLines)
{
    catalogue::History& history = *m_host.history();
    const std::size_t mark = history.mark();
    const std::string text = books->text();
    history.recordStep(std::move(books));
    if (!loanLines.empty()) {
        const std::string path = QFile::encodeName(m_host.cataloguePath()).toStdString();
        history.joinSince(mark, text, catalogue::ledgerStep(path, std::move(loanLines)));
    }
}

void ImportTools::importBooks()
{
    WindowServices& services = m_host.services();
    const QString chosen = services.openFileName(
        QStringLiteral("Scegli l'elenco da importare"),
        QStringLiteral("Elenchi di libri (*.csv *.tsv *.txt *.db *.tc *.xml *.gcs);;"
                       "Biblioteca di calibre (metadata.db);;Tutti i file (*)"));
    if (chosen.isEmpty())
        return;
    std::optional<AccessConversion> access;
    if (isAccessFile(chosen))
        access.emplace(services.programFolder(), chosen);
    const std::string source = QFile::encodeName(access ? access->converted() : chosen).toStdString();
    const std::string catalogue = QFile::encodeName(m_host.cataloguePath()).toStdString();
    const auto preview = [&](const bookimport::ImportOptions& options) {
        bookimport::ImportPreview shown = bookimport::previewImport(source, catalogue, options);
        if (access)
            shown.kind = accessKind;
        return shown;
    };
    bookimport::ImportOptions remembered;
    bookimport::ImportPreview first = preview(remembered);
    if (!first.headings.empty())
        remembered.fieldMap = MappingMemory::recall(first.headings, first.catalogueColumns);
    if (!remembered.fieldMap.empty())
        first = preview(remembered);
    ImportDialog dialog(chosen, first, preview, m_host.dialogParent(), remembered);
    if (services.runDialog(dialog) != QDialog::Accepted)
        return;

    // The copy holds the catalogue as the import found it, so the whole import
    // can be taken back even after this run; without one the user decides.
    if (!m_host.copies().copyOrAsk(catalogue::beforeImport(QFile::encodeName(chosen).toStdString()),
                                   QStringLiteral("Nessuna copia di sicurezza possibile: importare lo stesso?")))
        return;
    bookimport::ImportOptions options = dialog.options();
    if (!first.headings.empty())
        MappingMemory::keep(first.headings, options.fieldMap);
    std::unique_ptr<Progress> progress =
        services.progress(QStringLiteral("Importazione dei libri…"), expectedBooks(source));
    options.progress = [&](std::uint64_t read) {
        if (!progress->advance(static_cast<qint64>(read)))
            throw ImportStopped{};
    };
    std::unique_ptr<catalogue::ImportedBooks> added;
    options.keepLoanLines = true;
    options.beforeCommit = [&](sqlite3* db, std::int64_t lastRowBefore) {
        added = std::make_unique<catalogue::ImportedBooks>(db, lastRowBefore);
    };
    bookimport::ImportReport report;
    try {
        report = bookimport::importIntoCatalogue(source, catalogue, options);
        if (access)
            report.kind = accessKind;
    } catch (const ImportStopped&) {
        return;
    }
    // Gone before the report: a progress left open shows itself after its half
    // second and, modal too, takes the keyboard from the report.
    progress.reset();
    if (added && added->books() > 0)
        recordForUndo(std::move(added), std::move(report.loanLines));
    m_host.relist();
    ImportReportDialog shown(QString::fromStdString(bookimport::reportText(report, bookimport::ReportReader::Window)),
                               m_host.dialogParent());
    services.runDialog(shown);
}
