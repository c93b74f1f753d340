#pragma once

#include "foundshelf.h"
#include "shelfwriter.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace lookup {
class IsbnLookup;
struct BookRecord;
}

// A continuous scan: each ISBN scanned is queued at once and looked up in the
// background; each book found is added as it arrives, and every ISBN keeps what
// became of it, so nothing scanned is lost while the answers come. The shelf is
// read and written through the writer's thread, one book after another, so that
// the window never waits for the file either. The books added are one step of
// Annulla, recorded once the writer has finished.
class IsbnScan : public QObject {
    Q_OBJECT
public:
    static constexpr int maxIsbns = 500;

    enum class State { Waiting, Added, Duplicate, NotFound, NetworkError, NotWritten, Refused };
    struct Entry {
        QString isbn13;
        State state = State::Waiting;
        QString text;          ///< the book named, or the cause
        std::int64_t book = 0; ///< the book added, or the one it duplicates
    };
    enum class Queued { Yes, AlreadyListed, Full };

    IsbnScan(lookup::IsbnLookup& lookup, FoundShelf& shelf, ShelfWriter& writer, QObject* parent = nullptr);

    // Queues the ISBN-13 `isbn13` and returns at once. One listed already is not
    // asked again (a scanner's second read) unless its lookup or writing failed; past
    // maxIsbns nothing more is taken.
    Queued queue(const QString& isbn13);
    // Asks again every ISBN whose lookup or writing failed; returns how many.
    int retry();

    const std::vector<Entry>& entries() const { return m_entries; }
    int count(State state) const;
    // "aggiunto", "doppione", "non trovato", "errore di rete", "in attesa"…
    static QString stateName(State state);
    // What the list shows of an entry: the ISBN, what became of it, and why.
    static QString entryText(const Entry& entry);

signals:
    void entryAdded(int index);
    void entryChanged(int index);

private:
    void take(const lookup::BookRecord& book);
    void checked(const QString& isbn13, const std::optional<FoundShelf::Held>& held);
    void written(const QString& isbn13, const FoundShelf::Outcome& outcome, const QString& error);
    void missing(const QString& isbn13);
    void failed(const QString& isbn13, const QString& message);
    int waitingIndex(const QString& isbn13) const;
    void settle(int index, State state, const QString& text, std::int64_t book = 0);

    lookup::IsbnLookup& m_lookup;
    FoundShelf& m_shelf;
    std::vector<Entry> m_entries;
    ShelfWriter& m_writer;
};
