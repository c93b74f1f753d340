// The queue of a continuous scan by ISBN, what became of each ISBN, and the books
// added as their answers arrive.
#include "isbnscan.h"

#include "error.h"
#include "foundshelf.h"
#include "isbnlookup.h"

#include <algorithm>

namespace {

// A lookup that failed, or a book the file could not take then, is asked again
// by Riprova; what the services or the catalogue answered stands.
bool mayRetry(IsbnScan::State state)
{
    return state == IsbnScan::State::NetworkError || state == IsbnScan::State::NotWritten;
}

} // namespace

IsbnScan::IsbnScan(lookup::IsbnLookup& lookup, FoundShelf& shelf, ShelfWriter& writer, QObject* parent)
    : QObject(parent), m_lookup(lookup), m_shelf(shelf), m_writer(writer)
{
    connect(&lookup, &lookup::IsbnLookup::found, this, &IsbnScan::take);
    connect(&lookup, &lookup::IsbnLookup::notFound, this, &IsbnScan::missing);
    connect(&lookup, &lookup::IsbnLookup::failed, this, &IsbnScan::failed);
}

IsbnScan::Queued IsbnScan::queue(const QString& isbn13)
{
    if (m_writer.finished())
        return Queued::Full;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& entry = m_entries[i];
        if (entry.isbn13 != isbn13)
            continue;
        if (!mayRetry(entry.state))
            return Queued::AlreadyListed;
        settle(static_cast<int>(i), State::Waiting, {});
        m_lookup.lookUp({isbn13});
        return Queued::Yes;
    }
    if (static_cast<int>(m_entries.size()) >= maxIsbns)
        return Queued::Full;
    m_entries.push_back({isbn13, State::Waiting, {}, 0});
    emit entryAdded(static_cast<int>(m_entries.size()) - 1);
    // A book the catalogue holds is told with no lookup.
    FoundShelf* shelf = &m_shelf;
    m_writer.ask([this, shelf, isbn13]() -> ShelfWriter::Then {
        std::optional<FoundShelf::Held> held;
        try {
            held = shelf->held(isbn13);
        } catch (const std::exception&) {
            // The file could not be read now: the lookup goes on, and the
            // writing will tell what is wrong.
        }
        return [this, isbn13, held] { checked(isbn13, held); };
    });
    return Queued::Yes;
}

int IsbnScan::retry()
{
    if (m_writer.finished())
        return 0;
    int asked = 0;
    QStringList isbns;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (!mayRetry(m_entries[i].state))
            continue;
        settle(static_cast<int>(i), State::Waiting, {});
        isbns << m_entries[i].isbn13;
        ++asked;
    }
    if (!isbns.isEmpty())
        m_lookup.lookUp(isbns);
    return asked;
}

int IsbnScan::count(State state) const
{
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                          [state](const Entry& entry) { return entry.state == state; }));
}

int IsbnScan::waitingIndex(const QString& isbn13) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].state == State::Waiting && m_entries[i].isbn13 == isbn13)
            return static_cast<int>(i);
    return -1;
}

void IsbnScan::settle(int index, State state, const QString& text, std::int64_t book)
{
    Entry& entry = m_entries[static_cast<std::size_t>(index)];
    entry.state = state;
    entry.text = text;
    entry.book = book;
    emit entryChanged(index);
}

void IsbnScan::checked(const QString& isbn13, const std::optional<FoundShelf::Held>& held)
{
    const int index = waitingIndex(isbn13);
    if (index < 0)
        return;
    if (held)
        settle(index, State::Duplicate, held->text, held->id);
    else if (!m_writer.finished())
        m_lookup.lookUp({isbn13});
}

// The book goes to the writing thread; what became of it comes back. A book the
// file refuses to take now stays listed with its cause, to be asked again.
void IsbnScan::take(const lookup::BookRecord& book)
{
    const QString isbn13 = book.fields.value(QStringLiteral("isbn"));
    if (waitingIndex(isbn13) < 0)
        return;
    FoundShelf* shelf = &m_shelf;
    m_writer.ask([this, shelf, book, isbn13]() -> ShelfWriter::Then {
        FoundShelf::Outcome outcome;
        QString error;
        try {
            outcome = shelf->add(book);
        } catch (const catalogue::Error& refused) {
            error = QString::fromStdString(refused.description());
        } catch (const std::exception& refused) {
            error = QString::fromLocal8Bit(refused.what());
        }
        return [this, isbn13, outcome, error] { written(isbn13, outcome, error); };
    });
}

void IsbnScan::written(const QString& isbn13, const FoundShelf::Outcome& outcome, const QString& error)
{
    const int index = waitingIndex(isbn13);
    if (index < 0)
        return;
    if (!error.isEmpty()) {
        settle(index, State::NotWritten, error);
        return;
    }
    switch (outcome.kind) {
    case FoundShelf::Outcome::Kind::Added:
        settle(index, State::Added, outcome.text, outcome.id);
        break;
    case FoundShelf::Outcome::Kind::Duplicate:
        settle(index, State::Duplicate, outcome.text, outcome.id);
        break;
    case FoundShelf::Outcome::Kind::Refused:
        settle(index, State::Refused, outcome.text);
        break;
    }
}

void IsbnScan::missing(const QString& isbn13)
{
    const int index = waitingIndex(isbn13);
    if (index >= 0)
        settle(index, State::NotFound, QStringLiteral("nessun servizio lo conosce; Scrivi a mano per inserirlo"));
}

void IsbnScan::failed(const QString& isbn13, const QString& message)
{
    const int index = waitingIndex(isbn13);
    if (index >= 0)
        settle(index, State::NetworkError, message);
}

QString IsbnScan::stateName(State state)
{
    switch (state) {
    case State::Waiting:
        return QStringLiteral("in attesa");
    case State::Added:
        return QStringLiteral("aggiunto");
    case State::Duplicate:
        return QStringLiteral("doppione");
    case State::NotFound:
        return QStringLiteral("non trovato");
    case State::NetworkError:
        return QStringLiteral("errore di rete");
    case State::NotWritten:
        return QStringLiteral("errore di scrittura");
    case State::Refused:
        return QStringLiteral("non aggiunto");
    }
    return {};
}

QString IsbnScan::entryText(const Entry& entry)
{
    const QString head = entry.isbn13 + QStringLiteral(": ") + stateName(entry.state);
    return entry.text.isEmpty() ? head : head + QStringLiteral(" — ") + entry.text;
}
