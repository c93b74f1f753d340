// Strumenti › "Importa…": the file chosen, its preview and the import itself
// read off the window's thread, the report, and the import as one step of undo.
#include "importtools.h"

#include "accessconversion.h"
#include "copykeeper.h"
#include "history.h"
#include "importdialog.h"
#include "importedbooks.h"
#include "importreportdialog.h"
#include "importreport.h"
#include "mappingmemory.h"
#include "offwindowread.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QFile>

#include <algorithm>
#include <fstream>
#include <optional>

namespace {

const char* const accessKind = "catalogo di Access";

// A preview that takes longer than this (a large source, or one made to take
// forever) offers its Annulla; a usual one is done long before.
constexpr int previewProgressAfterMs = 300;

// The user's Annulla while a preview was read.
struct PreviewStopped {};

// About how many books a file holds, for the progress: its lines for a text file
// (a quick pass, a few hundred MB a second, made off the window's thread with
// the first preview), none known for a database. Stops early when `stop` is set.
qint64 expectedBooks(const std::string& path, const std::atomic<bool>& stop)
{
    std::ifstream in(path, std::ios::binary);
    std::string chunk(1 << 20, '\0');
    qint64 lines = 0;
    qint64 returns = 0; // an old Mac spreadsheet's lines end in a carriage return alone
    bool first = true;
    while (!stop && (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)) {
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
    std::optional<qint64> expected;
    const auto preview = [&](bookimport::ImportOptions options) {
        bookimport::ImportPreview shown;
        const bool done = readOffWindow(
            [&](const std::atomic<bool>& stop, const auto&) {
                options.stop = &stop;
                shown = bookimport::previewImport(source, catalogue, options);
                if (!expected)
                    expected = expectedBooks(source, stop);
            },
            [&] { return services.progress(QStringLiteral("Lettura del file da importare…"), 0); },
            previewProgressAfterMs);
        if (!done)
            throw PreviewStopped{};
        if (access)
            shown.kind = accessKind;
        return shown;
    };
    const auto previewInDialog = [&](const bookimport::ImportOptions& options) {
        try {
            return preview(options);
        } catch (const PreviewStopped&) {
            throw catalogue::Error(catalogue::ErrorNumber::Generic,
                                   "Anteprima interrotta: scegliere di nuovo per rileggere il file.");
        }
    };
    // The mapping last chosen for the same headings is taken again, and shown.
    bookimport::ImportOptions remembered;
    std::optional<bookimport::ImportPreview> first;
    try {
        first = preview(remembered);
        if (!first->headings.empty())
            remembered.fieldMap = MappingMemory::recall(first->headings, first->catalogueColumns);
        if (!remembered.fieldMap.empty())
            first = preview(remembered);
    } catch (const PreviewStopped&) {
        return;
    }
    ImportDialog dialog(chosen, *first, previewInDialog, m_host.dialogParent(), remembered);
    if (services.runDialog(dialog) != QDialog::Accepted)
        return;

    // The copy holds the catalogue as the import found it, so the whole import
    // can be taken back even after this run; without one the user decides.
    if (!m_host.copies().copyOrAsk(catalogue::beforeImport(QFile::encodeName(chosen).toStdString()),
                                   QStringLiteral("Nessuna copia di sicurezza possibile: importare lo stesso?")))
        return;
    bookimport::ImportOptions options = dialog.options();
    if (!first->headings.empty())
        MappingMemory::keep(first->headings, options.fieldMap);
    std::unique_ptr<catalogue::ImportedBooks> added;
    options.keepLoanLines = true;
    options.beforeCommit = [&](sqlite3* db, std::int64_t lastRowBefore) {
        added = std::make_unique<catalogue::ImportedBooks>(db, lastRowBefore);
    };
    bookimport::ImportReport report;
    // The progress goes with the read, before the report: a progress left open
    // shows itself after its half second and, modal too, takes the keyboard from
    // the report.
    const bool done = readOffWindow(
        [&](const std::atomic<bool>& stop, const std::function<void(std::uint64_t)>& tell) {
            options.stop = &stop;
            options.progress = tell;
            report = bookimport::importIntoCatalogue(source, catalogue, options);
        },
        [&] { return services.progress(QStringLiteral("Importazione dei libri…"), expected.value_or(0)); }, 0);
    if (!done)
        return;
    if (access)
        report.kind = accessKind;
    if (added && added->books() > 0)
        recordForUndo(std::move(added), std::move(report.loanLines));
    m_host.relist();
    ImportReportDialog shown(QString::fromStdString(bookimport::reportText(report, bookimport::ReportReader::Window)),
                               m_host.dialogParent());
    services.runDialog(shown);
}
