// Books found by ISBN written into the catalogue: one transaction each, through
// the import's own writer, so the value rules, the duplicate rule and the report
// are the import's; the cover goes in with the book.
#include "foundbooks.h"

#include "booklabel.h"
#include "columndefaults.h"
#include "bookqueries.h"
#include "bookwriter.h"
#include "connection.h"
#include "coverhistory.h"
#include "covers.h"
#include "dataversion.h"
#include "duplicateindex.h"
#include "fieldnames.h"
#include "foundbookstep.h"
#include "importedbooks.h"
#include "importfailure.h"
#include "isbn.h"
#include "standardfields.h"
#include "transaction.h"

#include <QDate>

#include <algorithm>

namespace bookimport {

namespace {

catalogue::Connection openCatalogue(const std::string& path, bool forWriting)
{
    return forWriting ? catalogue::Connection::openedForWriting(path) : catalogue::Connection::opened(path);
}

// The fields of the catalogue a service may fill: the standard ones and the first
// three every catalogue has. Anything else a record might carry is left out.
bool isCatalogueField(const QString& name)
{
    const std::string field = name.toStdString();
    return catalogue::findStandardField(field) || field == "autore" || field == "titolo" || field == "genere";
}

// The fields the services fill: every book found is written with these columns,
// a field not found as NULL, as the import writes an empty cell.
constexpr const char* lookedUpFields[] = {"autore", "titolo", "editore", "anno", "pagine",
                                          "collana", "numero", "lingua", "isbn"};

QString valueOf(const lookup::BookRecord& record, const std::string& field)
{
    return record.fields.value(QString::fromStdString(field)).trimmed();
}

bool foundAnythingButIsbn(const lookup::BookRecord& record)
{
    for (auto field = record.fields.cbegin(); field != record.fields.cend(); ++field) {
        if (field.key() != QLatin1String("isbn") && isCatalogueField(field.key()) && !field.value().trimmed().isEmpty())
            return true;
    }
    return false;
}

// Adds to `columns` the catalogue's fields `record` fills beyond them; true when
// there were any.
bool takeColumns(std::vector<std::string>& columns, const lookup::BookRecord& record)
{
    bool taken = false;
    for (auto field = record.fields.cbegin(); field != record.fields.cend(); ++field) {
        const std::string name = field.key().toStdString();
        if (isCatalogueField(field.key()) && std::find(columns.begin(), columns.end(), name) == columns.end()) {
            columns.push_back(name);
            taken = true;
        }
    }
    return taken;
}

// The columns a book found is written with: a column with a default of its own is
// left out when the services found nothing for it, so it keeps its default.
std::vector<std::string> columnsFor(const lookup::BookRecord& record, const std::vector<std::string>& columns,
                                    const std::vector<std::string>& defaulted)
{
    std::vector<std::string> written;
    for (const std::string& column : columns) {
        const bool hasDefault = std::any_of(defaulted.begin(), defaulted.end(), [&](const std::string& name) {
            return catalogue::sameColumnName(name, column);
        });
        if (!hasDefault || !valueOf(record, column).isEmpty())
            written.push_back(column);
    }
    return written;
}

// The record as a source's book, a value or none for each of `columns`.
SourceBook sourceOf(const lookup::BookRecord& record, const std::vector<std::string>& columns)
{
    SourceBook book;
    const QString isbn = valueOf(record, "isbn");
    book.start(isbn.isEmpty() ? std::string("libro trovato") : "ISBN " + isbn.toStdString(), columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const QString value = valueOf(record, columns[i]);
        if (!value.isEmpty())
            book.values[i] = value.toStdString();
    }
    return book;
}

std::string today()
{
    return QDate::currentDate().toString(Qt::ISODate).toStdString();
}

QString labelOf(sqlite3* db, std::int64_t id)
{
    const auto book = catalogue::titleAndAuthor(db, id);
    const std::vector<std::string> names{"iddorvo", "autore", "titolo"};
    std::vector<catalogue::Value> row{id, std::monostate{}, std::monostate{}};
    if (book) {
        row[1] = book->author;
        row[2] = book->title;
    }
    return QString::fromStdString(catalogue::bookLabelAndNumber(names, row));
}

QStringList changesOf(const ImportReport& report)
{
    QStringList changes;
    for (const ReportLine& line : report.changes)
        changes << QString::fromStdString(line.column + ": " + line.text);
    return changes;
}

FoundBookOutcome refused(QString why)
{
    FoundBookOutcome outcome;
    outcome.kind = FoundBookOutcome::Kind::Refused;
    outcome.text = std::move(why);
    return outcome;
}

std::optional<std::string_view> fieldOf(const std::optional<std::string>& value)
{
    return value ? std::optional<std::string_view>(*value) : std::nullopt;
}

catalogue::BookIdentity identityOf(const std::optional<std::string>& isbn, const std::optional<std::string>& author,
                                   const std::optional<std::string>& title)
{
    catalogue::BookIdentity identity;
    catalogue::IdentityMaker().make(identity, fieldOf(isbn), fieldOf(author), fieldOf(title));
    return identity;
}

std::optional<HeldBook> heldOnce(const std::string& path, const catalogue::BookIdentity& identity)
{
    const catalogue::Connection connection = openCatalogue(path, false);
    sqlite3* db = connection.handle();
    const auto match = catalogue::DuplicateIndex(db).find(identity);
    if (!match)
        return std::nullopt;
    return HeldBook{*match, labelOf(db, *match)};
}

std::optional<std::string> recordField(const lookup::BookRecord& record, const char* name)
{
    const QString value = record.fields.value(QLatin1String(name)).trimmed();
    return value.isEmpty() ? std::nullopt : std::optional<std::string>(value.toStdString());
}

} // namespace

struct FoundBooks::Session {
    catalogue::Connection connection;
    std::vector<std::string> columns{std::begin(lookedUpFields), std::end(lookedUpFields)};
    bool keepDuplicates = false;
    std::string day;             ///< the writer's aggiunto_il
    std::int64_t othersMark = 0; ///< what the writer read of the file is as of this mark
    ImportReport report;         ///< the last book's
    std::unique_ptr<BookWriter> writer;
    std::vector<std::string> writerColumns; ///< those of `columns` the writer writes
    std::vector<std::string> defaulted;     ///< columns with a default of their own
    // The books for held(), and the books added since it was read.
    std::unique_ptr<catalogue::DuplicateIndex> heldIndex;
    std::int64_t heldMark = 0;
};

FoundBooks::FoundBooks(std::string cataloguePath) : m_path(std::move(cataloguePath)) {}
FoundBooks::~FoundBooks() = default;
FoundBooks::FoundBooks(FoundBooks&&) noexcept = default;
FoundBooks& FoundBooks::operator=(FoundBooks&&) noexcept = default;

FoundBooks::Session& FoundBooks::openSession() const
{
    if (m_session) {
        try {
            m_session->connection.prepareForWriting();
        } catch (const catalogue::Error& error) {
            // A catalogue restored from a copy meanwhile is written as it now is.
            if (error.number() != catalogue::ErrorNumber::FileReplaced)
                throw;
            m_session.reset();
        }
    }
    if (!m_session) {
        auto made = std::make_unique<Session>();
        made->connection = openCatalogue(m_path, true);
        m_session = std::move(made);
    }
    return *m_session;
}

FoundBooks::Session& FoundBooks::session(bool evenIfDuplicate)
{
    openSession();
    if (m_session->keepDuplicates != evenIfDuplicate) {
        m_session->keepDuplicates = evenIfDuplicate;
        m_session->writer.reset();
    }
    return *m_session;
}

FoundBookOutcome FoundBooks::add(const lookup::BookRecord& record, bool evenIfDuplicate)
{
    if (!foundAnythingButIsbn(record))
        return refused(QStringLiteral("Nessun dato trovato per questo libro: non è stato aggiunto."));
    try {
        return write(session(evenIfDuplicate), record, evenIfDuplicate);
    } catch (...) {
        // What the writer knows of the file may no longer be so.
        m_session.reset();
        throw;
    }
}

FoundBookOutcome FoundBooks::write(Session& session, const lookup::BookRecord& record, bool evenIfDuplicate)
{
    sqlite3* db = session.connection.handle();
    catalogue::Transaction transaction(db);
    const bool columnsAdded = !catalogue::addStandardColumnsInTransaction(db).empty();
    const bool newColumns = takeColumns(session.columns, record);
    const std::int64_t mark = catalogue::othersChangesMark(db);
    const std::string day = today();
    const bool reread = !session.writer || columnsAdded || newColumns || mark != session.othersMark ||
                        day != session.day;
    if (reread)
        session.defaulted = catalogue::columnsWithDefault(db);
    std::vector<std::string> columns = columnsFor(record, session.columns, session.defaulted);
    if (reread || columns != session.writerColumns) {
        session.writer.reset();
        session.writer = std::make_unique<BookWriter>(db, columns, evenIfDuplicate, session.report);
        session.writerColumns = std::move(columns);
        session.othersMark = mark;
        session.day = day;
    }
    session.report = ImportReport{};
    BookWriter& writer = *session.writer;
    writer.write(sourceOf(record, session.writerColumns));

    FoundBookOutcome outcome;
    outcome.changes = changesOf(session.report);
    if (!writer.lastAdded()) {
        if (const auto match = writer.lastMatch()) {
            outcome.kind = FoundBookOutcome::Kind::Duplicate;
            outcome.id = *match;
            outcome.text = labelOf(db, *match);
            return outcome;
        }
        const ReportLines& refusals = session.report.refusals;
        const std::string why = refusals.empty() ? std::string("non scritto") : refusals[0].text;
        return refused(QStringLiteral("Il libro non è stato aggiunto: %1.").arg(QString::fromStdString(why)));
    }
    outcome.kind = FoundBookOutcome::Kind::Added;
    outcome.id = *writer.lastAdded();
    outcome.duplicateOf = writer.lastMatch().value_or(0);
    if (!record.cover.isEmpty()) {
        catalogue::storeCover(db, outcome.id, std::string_view(record.cover.constData(), record.cover.size()),
                              record.coverType.toStdString(), record.service.toStdString());
    }
    outcome.text = labelOf(db, outcome.id);
    transaction.commit();
    m_added.push_back(outcome.id);
    // An index read before the ISBN's column was added knows no book's ISBN.
    if (columnsAdded)
        session.heldIndex.reset();
    if (session.heldIndex) {
        session.heldIndex->add(identityOf(recordField(record, "isbn"), recordField(record, "autore"),
                                          recordField(record, "titolo")),
                               outcome.id);
    }
    return outcome;
}

std::optional<HeldBook> FoundBooks::heldBy(const std::optional<std::string>& isbn,
                                           const std::optional<std::string>& author,
                                           const std::optional<std::string>& title) const
{
    const catalogue::BookIdentity identity = identityOf(isbn, author, title);
    if (identity.empty())
        return std::nullopt;
    Session* session = nullptr;
    try {
        session = &openSession();
    } catch (const catalogue::Error&) {
        // No writing here (a read-only file, say): read on a connection of its own,
        // which says in its own words what is wrong when the file cannot be read.
        m_session.reset();
        return heldOnce(m_path, identity);
    }
    sqlite3* db = session->connection.handle();
    // Read once for a whole scan, and again only once another connection has
    // written the file: a book added meanwhile elsewhere is found too.
    const std::int64_t mark = catalogue::othersChangesMark(db);
    if (!session->heldIndex || mark != session->heldMark) {
        session->heldIndex = std::make_unique<catalogue::DuplicateIndex>(db);
        session->heldMark = mark;
    }
    const auto match = session->heldIndex->find(identity);
    if (!match)
        return std::nullopt;
    return HeldBook{*match, labelOf(db, *match)};
}

std::optional<HeldBook> FoundBooks::held(const QString& isbn) const
{
    const catalogue::IsbnReading reading = catalogue::readIsbn(isbn.toStdString());
    if (!reading.valid())
        return std::nullopt;
    return heldBy(reading.isbn13, std::nullopt, std::nullopt);
}

std::optional<HeldBook> FoundBooks::held(const lookup::BookRecord& record) const
{
    return heldBy(recordField(record, "isbn"), recordField(record, "autore"), recordField(record, "titolo"));
}

void FoundBooks::requireCatalogue() const
{
    const catalogue::Connection connection = openCatalogue(m_path, false);
    if (catalogue::catalogueColumns(connection.handle()).empty())
        throw catalogue::Error(catalogue::ErrorNumber::TableMissing,
                               "Il file " + quoted(m_path) +
                                   " non è un catalogo di Gestione Dorvi (non ha la tabella dorvi).");
}

std::unique_ptr<catalogue::History::Step> FoundBooks::step(std::string text) const
{
    const catalogue::Connection connection = openCatalogue(m_path, false);
    sqlite3* db = connection.handle();
    auto books = std::make_unique<catalogue::ImportedBooks>(db, m_added);
    std::vector<catalogue::CoverChange> covers;
    for (const std::int64_t id : m_added) {
        if (std::optional<catalogue::Cover> cover = catalogue::readCover(db, id))
            covers.push_back(catalogue::CoverChange{id, std::nullopt, std::move(cover)});
    }
    std::unique_ptr<catalogue::History::Step> coverChanges =
        covers.empty() ? nullptr : catalogue::coverStep(m_path, std::move(covers), "copertine");
    return std::make_unique<FoundBookStep>(std::move(books), std::move(coverChanges), std::move(text));
}

} // namespace bookimport
