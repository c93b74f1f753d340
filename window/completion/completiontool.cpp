// Completa da ISBN: the chosen books' empty fields filled from the services, after
// a preview, as one step of Annulla.
#include "completiontool.h"

#include "bookchoice.h"
#include "booklabel.h"
#include "completiondialog.h"
#include "completionrun.h"
#include "connection.h"
#include "filledbooks.h"
#include "grid.h"
#include "isbn.h"
#include "lookupsettings.h"
#include "noticeline.h"
#include "recordset.h"
#include "toolhost.h"
#include "windowservices.h"

#include <QFile>
#include <QSettings>

// The chosen books split into those with an ISBN to ask for and, in words, the others.
struct CompletionTool::Asked {
    std::vector<CompletionRun::Book> books;
    QStringList without;
};

namespace {

using Asked = CompletionTool::Asked;

const QString title = QStringLiteral("Completa da ISBN");

lookup::LookupSettings programSettings()
{
    return lookup::LookupSettings::read(QSettings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi")));
}

int isbnColumn(const catalogue::Recordset& shown)
{
    for (int c = 0; c < shown.columnCount(); ++c) {
        if (catalogue::isIsbnColumn(shown.columnName(c)))
            return c;
    }
    return -1;
}

QString stored(const catalogue::Value& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return QString::fromStdString(*text).trimmed();
    if (const auto* whole = std::get_if<std::int64_t>(&value))
        return QString::number(*whole);
    return {};
}

Asked splitByIsbn(const catalogue::Recordset& shown, const std::vector<ChosenBook>& chosen, int column)
{
    Asked asked;
    for (const ChosenBook& book : chosen) {
        const QString label =
            QString::fromStdString(catalogue::bookLabel(shown.columnNames(), shown.rowValues(book.row)));
        const QString isbn = stored(shown.value(book.row, column));
        const catalogue::IsbnReading reading = catalogue::readIsbn(isbn.toStdString());
        if (isbn.isEmpty())
            asked.without << QStringLiteral("%1: senza ISBN").arg(label);
        else if (!reading.valid())
            asked.without << QStringLiteral("%1: l'ISBN «%2» non è valido (%3)")
                                 .arg(label, isbn, QString::fromStdString(catalogue::isbnProblem(reading)));
        else
            asked.books.push_back({book.id, book.row, QString::fromStdString(reading.isbn13), label});
    }
    return asked;
}

QString counted(std::size_t count, const QString& one, const QString& many)
{
    return count == 1 ? QStringLiteral("1 ") + one : QStringLiteral("%1 %2").arg(count).arg(many);
}

QString outcomeText(const catalogue::FillOutcome& outcome)
{
    const QString books = counted(outcome.books, QStringLiteral("libro completato"), QStringLiteral("libri completati"));
    QString text = QStringLiteral("Completa da ISBN: %1 (%2, %3).")
                       .arg(books, counted(outcome.fields, QStringLiteral("campo"), QStringLiteral("campi")),
                            counted(outcome.covers, QStringLiteral("copertina"), QStringLiteral("copertine")));
    if (!outcome.leftAlone.empty()) {
        QStringList fields;
        for (const std::string& field : outcome.leftAlone)
            fields << QString::fromStdString(field);
        text += QStringLiteral(" Già compilati nel frattempo, lasciati come sono: %1.")
                    .arg(fields.join(QStringLiteral("; ")));
    }
    if (!outcome.gone.empty())
        text += QStringLiteral(" %1 non più nel catalogo.")
                    .arg(counted(outcome.gone.size(), QStringLiteral("libro"), QStringLiteral("libri")));
    return text;
}

} // namespace

CompletionTool::CompletionTool(ToolHost& host, QObject* parent, Settings settings)
    : QObject(parent), m_host(host), m_settings(settings ? std::move(settings) : Settings(programSettings))
{
    host.addTool("mnucompleta", QStringLiteral("Completa da IS&BN…"),
                 {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)}, [this] { complete(); });
    NoticeLine::of(host);
}

void CompletionTool::complete()
{
    const lookup::LookupSettings settings = m_settings();
    const std::shared_ptr<catalogue::Recordset> shown = m_host.grid().boundResult();
    const std::optional<Asked> asked = booksToAsk(settings, shown);
    if (!asked)
        return;
    CompletionDialog dialog(m_host.dialogParent());
    for (const QString& problem : asked->without)
        dialog.addProblem(problem);
    // Declared after the dialog, so the lookups are dropped before it goes.
    CompletionRun run(settings, shown, m_host.openCatalogue(), dialog);
    run.start(asked->books);
    if (m_host.services().runDialog(dialog) != QDialog::Accepted)
        return;
    const std::vector<catalogue::BookFill> fills = dialog.chosen();
    if (!fills.empty())
        write(*shown, fills);
}

// The books to ask for, or none, said why, when there is nothing to ask.
std::optional<CompletionTool::Asked> CompletionTool::booksToAsk(const lookup::LookupSettings& settings,
                                                const std::shared_ptr<catalogue::Recordset>& shown)
{
    const auto refuse = [this](const QString& text) -> std::optional<Asked> {
        m_host.services().information(text, title);
        return std::nullopt;
    };
    if (!m_host.editing())
        return refuse(QStringLiteral("Completa da ISBN scrive nel catalogo: apri prima Gestione e scegli lì i libri "
                                     "da completare."));
    if (!settings.enabled)
        return refuse(QStringLiteral("La ricerca per ISBN è spenta nelle impostazioni (ricerca_isbn/attiva): nessun "
                                     "servizio è stato interpellato e nulla è stato scritto."));
    const std::vector<ChosenBook> chosen = chosenBooks(m_host);
    if (chosen.empty() || !shown)
        return refuse(QStringLiteral("Scegli nella griglia il libro o i libri da completare."));
    const int column = isbnColumn(*shown);
    if (column < 0)
        return refuse(QStringLiteral("Il catalogo non ha il campo «isbn»: non c'è nulla da cercare."));
    Asked asked = splitByIsbn(*shown, chosen, column);
    if (asked.books.empty())
        return refuse(QStringLiteral("Nessuno dei libri scelti ha un ISBN valido da cercare:\n%1")
                          .arg(asked.without.join(QLatin1Char('\n'))));
    return asked;
}

void CompletionTool::write(catalogue::Recordset& shown, const std::vector<catalogue::BookFill>& fills)
{
    std::exception_ptr failure;
    catalogue::FillOutcome outcome;
    try {
        const std::string path = QFile::encodeName(m_host.cataloguePath()).toStdString();
        outcome = catalogue::writeFills(shown, *m_host.history(), path, fills);
    } catch (...) {
        failure = std::current_exception();
    }
    // What was written before a failure is in the file all the same: the tools
    // that keep their own view of the catalogue hear of it either way.
    m_host.catalogueWritten();
    if (failure)
        std::rethrow_exception(failure);
    NoticeLine::of(m_host).tell(outcomeText(outcome));
}
