// The command line's list of ISBNs: looked up in the bibliographic services, the
// books found added to the catalogue in use as the window's Aggiungi da ISBN…
// adds them, and a report in the import's own form.
#include "isbncommand.h"

#include "error.h"
#include "foundbooks.h"
#include "importfailure.h"
#include "importreport.h"
#include "isbn.h"
#include "isbnlist.h"
#include "isbnlookup.h"
#include "safetycopies.h"
#include "sourcekind.h"
#include "targetfile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSettings>

#include <iostream>
#include <map>
#include <optional>

namespace fs = std::filesystem;

namespace jetimport {

namespace {

// What became of one line of the list, in the report's terms.
struct LineOutcome {
    enum class Kind { Pending, Added, Duplicate, Refused } kind = Kind::Pending;
    std::string book; ///< how the report names it
    std::string text; ///< the book matched, or why it was not added
    std::vector<std::pair<std::string, std::string>> changes; ///< field, why
};

std::string quotedFields(const lookup::BookRecord& record)
{
    std::string text;
    for (const char* field : {"autore", "titolo"}) {
        const QString value = record.fields.value(QLatin1String(field)).trimmed();
        if (!value.isEmpty())
            text += (text.empty() ? "" : ", ") + bookimport::quoted(value.toStdString());
    }
    return text;
}

std::pair<std::string, std::string> splitChange(const QString& change)
{
    const std::string text = change.toStdString();
    const std::size_t colon = text.find(": ");
    if (colon == std::string::npos)
        return {{}, text};
    return {text.substr(0, colon), text.substr(colon + 2)};
}

// The list looked up and its books added; one instance a run.
class IsbnListRun {
public:
    IsbnListRun(const CommandLine& line, std::string catalogue)
        : m_line(line), m_books(std::move(catalogue)), m_entries(bookimport::readIsbnList(line.source)),
          m_outcomes(m_entries.size())
    {
    }

    bookimport::ImportReport run();

private:
    void judge(const std::vector<std::size_t>& asked);
    void lookUp(const std::vector<std::size_t>& asked);
    void found(const lookup::BookRecord& record);
    void answered(const QString& isbn, LineOutcome outcome);
    bookimport::ImportReport report() const;

    const CommandLine& m_line;
    bookimport::FoundBooks m_books;
    std::vector<bookimport::IsbnLine> m_entries;
    std::vector<LineOutcome> m_outcomes;
    std::multimap<std::string, std::size_t> m_waiting; ///< ISBN-13 → entries looked up
};

bookimport::ImportReport IsbnListRun::run()
{
    // The catalogue must open before anything is asked of any service.
    m_books.requireCatalogue();
    std::vector<std::size_t> toAsk;
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        toAsk.push_back(i);
    judge(toAsk);
    toAsk.clear();
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_outcomes[i].kind == LineOutcome::Kind::Pending)
            toAsk.push_back(i);
    if (!toAsk.empty()) {
        const catalogue::SafetyCopies copies(m_books.path());
        copies.removeStalePartials();
        const catalogue::SafetyCopy copy = copies.make(catalogue::beforeImport(m_line.source));
        std::cout << "Copia di sicurezza: " << copy.path << '\n';
        lookUp(toAsk);
    }
    return report();
}

// Lines settled without asking any service: no ISBN, a wrong check digit, an
// ISBN listed before, a book the catalogue already holds.
void IsbnListRun::judge(const std::vector<std::size_t>& lines)
{
    std::map<std::string, std::size_t> firstLine;
    for (const std::size_t i : lines) {
        LineOutcome& outcome = m_outcomes[i];
        const bookimport::IsbnLine& entry = m_entries[i];
        outcome.book = "ISBN " + entry.typed;
        const catalogue::IsbnReading reading = catalogue::readIsbn(entry.typed);
        if (!reading.valid()) {
            outcome.kind = LineOutcome::Kind::Refused;
            outcome.text = catalogue::isbnProblem(reading) + ": non cercato";
            continue;
        }
        if (const auto earlier = firstLine.find(reading.isbn13); earlier != firstLine.end()) {
            outcome.kind = LineOutcome::Kind::Duplicate;
            outcome.text = "stesso ISBN della riga " + std::to_string(m_entries[earlier->second].line) +
                           ": non aggiunto di nuovo";
            continue;
        }
        firstLine.emplace(reading.isbn13, i);
        if (m_line.keepDuplicates)
            continue;
        if (const auto held = m_books.held(QString::fromStdString(reading.isbn13))) {
            outcome.kind = LineOutcome::Kind::Duplicate;
            outcome.text = "doppione di " + held->text.toStdString() + ": non aggiunto, non cercato";
        }
    }
}

void IsbnListRun::lookUp(const std::vector<std::size_t>& asked)
{
    QSettings settings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi"));
    lookup::IsbnLookup lookup(lookup::LookupSettings::read(settings));
    QEventLoop loop;
    QObject::connect(&lookup, &lookup::IsbnLookup::found, &loop, [this](const lookup::BookRecord& record) {
        found(record);
    });
    QObject::connect(&lookup, &lookup::IsbnLookup::notFound, &loop, [this](const QString& isbn13) {
        answered(isbn13,
                 LineOutcome{LineOutcome::Kind::Refused, {}, "non trovato in nessun servizio: non aggiunto", {}});
    });
    QObject::connect(&lookup, &lookup::IsbnLookup::failed, &loop, [this](const QString& isbn, const QString& message) {
        answered(isbn, LineOutcome{LineOutcome::Kind::Refused, {}, message.toStdString() + " Non aggiunto.", {}});
    });
    QObject::connect(&lookup, &lookup::IsbnLookup::idle, &loop, &QEventLoop::quit);
    QStringList isbns;
    for (const std::size_t i : asked) {
        const std::string isbn13 = catalogue::readIsbn(m_entries[i].typed).isbn13;
        m_waiting.emplace(isbn13, i);
        isbns << QString::fromStdString(isbn13);
    }
    lookup.lookUp(isbns);
    loop.exec();
}

void IsbnListRun::found(const lookup::BookRecord& record)
{
    LineOutcome outcome;
    outcome.book = quotedFields(record);
    try {
        const bookimport::FoundBookOutcome added = m_books.add(record, m_line.keepDuplicates);
        for (const QString& change : added.changes)
            outcome.changes.push_back(splitChange(change));
        switch (added.kind) {
        case bookimport::FoundBookOutcome::Kind::Added:
            outcome.kind = LineOutcome::Kind::Added;
            if (added.duplicateOf != 0)
                outcome.text = "doppione: aggiunto lo stesso come " + added.text.toStdString();
            break;
        case bookimport::FoundBookOutcome::Kind::Duplicate:
            outcome.kind = LineOutcome::Kind::Duplicate;
            outcome.text = "doppione di " + added.text.toStdString() + ": non aggiunto";
            break;
        case bookimport::FoundBookOutcome::Kind::Refused:
            outcome.kind = LineOutcome::Kind::Refused;
            outcome.text = added.text.toStdString();
            break;
        }
    } catch (const catalogue::Error& error) {
        outcome.kind = LineOutcome::Kind::Refused;
        outcome.text = "trovato ma non scritto: " + error.description();
    }
    answered(record.fields.value(QStringLiteral("isbn")), std::move(outcome));
}

void IsbnListRun::answered(const QString& isbn, LineOutcome outcome)
{
    const auto waiting = m_waiting.find(isbn.toStdString());
    if (waiting == m_waiting.end())
        return;
    LineOutcome& line = m_outcomes[waiting->second];
    if (outcome.book.empty())
        outcome.book = line.book;
    line = std::move(outcome);
    m_waiting.erase(waiting);
}

bookimport::ImportReport IsbnListRun::report() const
{
    bookimport::ImportReport report;
    report.kind = "elenco di ISBN";
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const LineOutcome& outcome = m_outcomes[i];
        const std::string where = "riga " + std::to_string(m_entries[i].line);
        ++report.read;
        for (const auto& [field, why] : outcome.changes)
            report.changes.push_back({where, outcome.book, field, why});
        report.changedBooks += outcome.kind == LineOutcome::Kind::Added && !outcome.changes.empty();
        switch (outcome.kind) {
        case LineOutcome::Kind::Added:
            ++report.added;
            if (!outcome.text.empty())
                report.duplicates.push_back({where, outcome.book, {}, outcome.text});
            break;
        case LineOutcome::Kind::Duplicate:
            ++report.skipped;
            report.duplicates.push_back({where, outcome.book, {}, outcome.text});
            break;
        case LineOutcome::Kind::Pending:
        case LineOutcome::Kind::Refused:
            ++report.refused;
            report.refusals.push_back({where, outcome.book, {},
                                       outcome.kind == LineOutcome::Kind::Pending ? "nessuna risposta" : outcome.text});
            break;
        }
    }
    return report;
}

} // namespace

bool isIsbnList(const std::string& path)
{
    try {
        return bookimport::recogniseSource(path).kind == bookimport::SourceKind::IsbnList;
    } catch (const catalogue::Error&) {
        return false; // the import proper names what is wrong with it
    }
}

int addIsbnList(const CommandLine& line)
{
    if (!line.add)
        throw catalogue::Error(catalogue::ErrorNumber::Generic,
                               "Un elenco di ISBN si aggiunge a un catalogo esistente: dorvi-import --aggiungi " +
                                   line.source + " CATALOGO.");
    if (!line.fieldMap.empty())
        throw catalogue::Error(catalogue::ErrorNumber::Generic,
                               "--campo vale solo per i file CSV o TSV: " + bookimport::quoted(line.source) +
                                   " non lo è.");
    const fs::path catalogue = line.target ? fs::path(*line.target) : defaultTarget();
    int argc = 1;
    char name[] = "dorvi-import";
    char* argv[] = {name, nullptr};
    const QCoreApplication application(argc, argv);
    const bookimport::ImportReport report = IsbnListRun(line, catalogue.string()).run();
    std::cout << bookimport::reportText(report);
    std::cout << "Catalogo aggiornato: " << catalogue.string() << '\n';
    return report.exitStatus();
}

} // namespace jetimport
