#pragma once

// Kept from moc, which cannot read the standard library's concepts it includes.
#ifndef Q_MOC_RUN
#include "history.h"
#endif

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace bookimport {
class FoundBooks;
}
namespace lookup {
struct BookRecord;
}

// Where the books found by ISBN go: into the catalogue at `path` through the one
// path that adds looked-up books (with their covers and the duplicate rule), and
// into the history as one step of Annulla for all the books added since the last
// step recorded.
class FoundShelf {
public:
    struct Outcome {
        enum class Kind { Added, Duplicate, Refused };
        Kind kind = Kind::Refused;
        std::int64_t id = 0; ///< the book added, or the one held that it duplicates
        QString text;        ///< the book named, in Italian
    };
    struct Held {
        std::int64_t id = 0;
        QString text;
    };

    FoundShelf(QString path, std::shared_ptr<catalogue::History> history);
    ~FoundShelf();

    // Adds `book` unless the catalogue already holds it or a near duplicate (then
    // only with `evenIfDuplicate`). Throws catalogue::Error with nothing written.
    Outcome add(const lookup::BookRecord& book, bool evenIfDuplicate = false);
    // The book of the catalogue with that ISBN, if any.
    std::optional<Held> held(const QString& isbn13);
    // The book of the catalogue that `book` would duplicate, if any.
    std::optional<Held> held(const lookup::BookRecord& book);
    // Books added since the last step recorded.
    int added() const { return m_added; }
    // The books added since the last step as one step of Annulla called `text`,
    // to record in the history; null when none was added. The next books added
    // are a step of their own.
    std::unique_ptr<catalogue::History::Step> takeStep(const std::string& text);
    // The same, recorded in the history at once. Returns how many books it holds.
    int recordStep(const std::string& text);

private:
    bookimport::FoundBooks& books();

    QString m_path;
    std::shared_ptr<catalogue::History> m_history;
    std::unique_ptr<bookimport::FoundBooks> m_books; ///< made at the first use, again after each step
    int m_added = 0;
};
