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

IsbnScan::IsbnScan(lookup::IsbnLookup& lookup, FoundShelf& shelf, QObject* parent)
    : QObject(parent), m_lookup(lookup), m_shelf(shelf)
{
    connect(&lookup, &lookup::IsbnLookup::found, this, &IsbnScan::take);
    connect(&lookup, &lookup::IsbnLookup::notFound, this, &IsbnScan::missing);
    connect(&lookup, &lookup::IsbnLookup::failed, this, &IsbnScan::failed);
}

IsbnScan::Queued IsbnScan::queue(const QString& isbn13)
{
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
    const int index = static_cast<int>(m_entries.size()) - 1;
    emit entryAdded(index);
    // A book the catalogue holds is told at once, with no lookup.
    try {
        if (const auto held = m_shelf.held(isbn13)) {
            settle(index, State::Duplicate, held->text, held->id);
            return Queued::Yes;
        }
    } catch (const std::exception&) {
        // The file could not be read now: the lookup goes on, and the writing
        // will tell what is wrong.
    }
    m_lookup.lookUp({isbn13});
    return Queued::Yes;
}

int IsbnScan::retry()
{
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

// Called from the lookup's signal: nothing may be thrown past it. A book the file
// refuses to take now stays listed with its cause, to be asked again.
void IsbnScan::take(const lookup::BookRecord& book)
{
    const int index = waitingIndex(book.fields.value(QStringLiteral("isbn")));
    if (index < 0)
        return;
    try {
        const FoundShelf::Outcome outcome = m_shelf.add(book);
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
    } catch (const catalogue::Error& error) {
        settle(index, State::NotWritten, QString::fromStdString(error.description()));
    } catch (const std::exception& error) {
        settle(index, State::NotWritten, QString::fromLocal8Bit(error.what()));
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
