// A completion under way: the lookups in the background, each answer planned
// against the book as the grid holds it and shown in the preview.
#include "completionrun.h"

#include "bookchoice.h"
#include "completiondialog.h"
#include "connection.h"
#include "covers.h"
#include "filledbooks.h"
#include "isbnlookup.h"
#include "recordset.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// "immagine JPEG 300×450" as the preview names a cover found.
QString coverWords(const lookup::BookRecord& record)
{
    QByteArray bytes = record.cover;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const QString kind =
        record.coverType == QLatin1String("image/png") ? QStringLiteral("PNG") : QStringLiteral("JPEG");
    QString words = QStringLiteral("immagine %1").arg(kind);
    if (size.isValid())
        words += QStringLiteral(" %1×%2").arg(size.width()).arg(size.height());
    return words + QStringLiteral(", da %1").arg(record.service);
}

std::vector<catalogue::FoundValue> foundValues(const lookup::BookRecord& record)
{
    std::vector<catalogue::FoundValue> values;
    for (auto field = record.fields.cbegin(); field != record.fields.cend(); ++field)
        values.push_back({field.key().toStdString(), field.value().toStdString()});
    return values;
}

} // namespace

CompletionRun::CompletionRun(const lookup::LookupSettings& settings, std::shared_ptr<catalogue::Recordset> shown,
                             std::shared_ptr<catalogue::Connection> file, CompletionDialog& dialog)
    : m_lookup(std::make_unique<lookup::IsbnLookup>(settings)), m_shown(std::move(shown)), m_file(std::move(file)),
      m_dialog(dialog)
{
    connect(m_lookup.get(), &lookup::IsbnLookup::found, this, [this](const lookup::BookRecord& r) { found(r); });
    connect(m_lookup.get(), &lookup::IsbnLookup::notFound, this, [this](const QString& i) { notFound(i); });
    connect(m_lookup.get(), &lookup::IsbnLookup::failed, this,
            [this](const QString& i, const QString& message) { failed(i, message); });
    connect(m_lookup.get(), &lookup::IsbnLookup::idle, this, [this] { finish(); });
}

CompletionRun::~CompletionRun() = default;

void CompletionRun::start(const std::vector<Book>& books)
{
    QStringList isbns;
    for (const Book& book : books) {
        if (!m_waiting.contains(book.isbn13))
            isbns << book.isbn13;
        m_waiting.insert(book.isbn13, book);
    }
    m_asked = static_cast<int>(isbns.size());
    tellProgress();
    m_lookup->lookUp(isbns);
}

void CompletionRun::found(const lookup::BookRecord& record)
{
    const QString isbn13 = record.fields.value(QStringLiteral("isbn"));
    for (const Book& book : m_waiting.values(isbn13))
        complete(book, record);
    ++m_answered;
    tellProgress();
}

void CompletionRun::complete(const Book& book, const lookup::BookRecord& record)
{
    // The rows shown hardly change while the preview is open, but the book's row is
    // checked by its number all the same; only a row that moved costs a search.
    std::optional<std::size_t> row = book.row;
    if (bookIdAt(*m_shown, book.row) != book.id) {
        const std::vector<ChosenBook> rows = findBooks(*m_shown, {book.id});
        row = rows.empty() ? std::nullopt : std::optional(rows.front().row);
    }
    if (!row) {
        m_dialog.addProblem(QStringLiteral("%1: non è più fra i libri mostrati").arg(book.label));
        ++m_problems;
        return;
    }
    catalogue::BookFill fill = catalogue::planFill(*m_shown, *row, book.id, foundValues(record));
    if (!record.cover.isEmpty() && !catalogue::readCover(m_file->handle(), book.id))
        fill.cover = catalogue::Cover{book.id, record.cover.toStdString(), record.coverType.toStdString(),
                                      record.service.toStdString()};
    if (!fill.writesAnything() && fill.leftOut.empty()) {
        m_dialog.addProblem(QStringLiteral("%1: trovato su %2, ma nessun campo vuoto da compilare")
                                .arg(book.label, record.service));
        return;
    }
    if (fill.writesAnything())
        ++m_books;
    m_dialog.addBook(fill, record.cover.isEmpty() ? QString() : coverWords(record));
}

void CompletionRun::notFound(const QString& isbn13)
{
    for (const Book& book : m_waiting.values(isbn13)) {
        m_dialog.addProblem(QStringLiteral("%1: l'ISBN %2 non è noto a nessuno dei servizi").arg(book.label, isbn13));
        ++m_problems;
    }
    ++m_answered;
    tellProgress();
}

void CompletionRun::failed(const QString& isbn13, const QString& message)
{
    const QList<Book> books = m_waiting.values(isbn13.trimmed());
    for (const Book& book : books)
        m_dialog.addProblem(QStringLiteral("%1: %2").arg(book.label, message));
    if (books.isEmpty())
        m_dialog.addProblem(message);
    m_problems += static_cast<int>(std::max<qsizetype>(books.size(), 1));
    ++m_answered;
    tellProgress();
}

void CompletionRun::tellProgress()
{
    m_dialog.setStatus(m_asked == 1 ? QStringLiteral("Ricerca dell'ISBN nei servizi in corso…")
                                    : QStringLiteral("Ricerca nei servizi in corso: %1 ISBN su %2 hanno risposto…")
                                          .arg(m_answered)
                                          .arg(m_asked));
}

void CompletionRun::finish()
{
    QString status;
    if (m_books == 0)
        status = QStringLiteral("Ricerca finita: nessun campo vuoto da compilare, nulla sarà scritto.");
    else if (m_books == 1)
        status = QStringLiteral("Ricerca finita: 1 libro da completare con i campi spuntati.");
    else
        status = QStringLiteral("Ricerca finita: %1 libri da completare con i campi spuntati.").arg(m_books);
    if (m_problems > 0)
        status += QStringLiteral(" Alcuni libri restano come sono: sotto il perché.");
    m_dialog.setStatus(status);
    m_dialog.setFinished();
}
