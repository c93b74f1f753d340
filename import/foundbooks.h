#pragma once

#include "bookrecord.h"
#include "history.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bookimport {

// What became of a book found by ISBN when it was offered to the catalogue.
struct FoundBookOutcome {
    enum class Kind { Added, Duplicate, Refused } kind = Kind::Refused;
    std::int64_t id = 0; ///< the book added, or the one already held
    // In Italian: the book added or held, named as the history names books
    // («Titolo» di Autore, n. 12), or why it was refused.
    QString text;
    // The values not stored as their field asks, each "campo: perché", kept as the
    // service gave them (a year "s.d.").
    QStringList changes;
    std::int64_t duplicateOf = 0; ///< added anyway: the book it duplicates
};

// A book the catalogue already holds, named as the history names books.
struct HeldBook {
    std::int64_t id = 0;
    QString text;
};

// The one way a book found by ISBN goes into the catalogue at a path, for the
// window's dialogs and dorvi-import alike: written as the import writes a book
// (the standard fields it lacks added, every value by the catalogue's value rules,
// the duplicate rule and its report), with its cover, in one transaction each.
class FoundBooks {
public:
    explicit FoundBooks(std::string cataloguePath);
    ~FoundBooks();
    FoundBooks(FoundBooks&&) noexcept;
    FoundBooks& operator=(FoundBooks&&) noexcept;

    // Adds `book` and its cover. A duplicate of a book held is not added unless
    // `evenIfDuplicate`; a book the file's own rules refuse, or one with nothing
    // found but its ISBN, is not added: neither writes anything. Throws
    // catalogue::Error, with nothing written, when the file cannot be written (a
    // lock held by another program, a read-only file).
    FoundBookOutcome add(const lookup::BookRecord& book, bool evenIfDuplicate = false);

    // The book already holding this ISBN (any written form); none for a text that
    // is no ISBN. Throws catalogue::Error when the file cannot be read.
    std::optional<HeldBook> held(const QString& isbn13) const;
    // The book `book` duplicates by the catalogue's duplicate rule: the same ISBN,
    // or, where either has none, the same author and title.
    std::optional<HeldBook> held(const lookup::BookRecord& book) const;

    // Every book added so far, with its cover, as one change of Annulla called
    // `text`: taking it back removes them and their covers, only while each is
    // still as it was when this step was made; doing it again puts them back.
    // Throws catalogue::Error when the file cannot be read. Worth recording only
    // when added() is not empty: with no book it takes nothing back.
    std::unique_ptr<catalogue::History::Step> step(std::string text) const;

    // Throws catalogue::Error, in Italian, when the file is missing or is no
    // catalogue: asked before any service is, so nothing is looked up in vain.
    void requireCatalogue() const;

    const std::vector<std::int64_t>& added() const { return m_added; }
    const std::string& path() const { return m_path; }

private:
    // The connection and the import's writer kept from one book to the next, so a
    // scan of 500 books reads the catalogue's books for the duplicate rule once,
    // not 500 times; made anew whenever another connection has written the file,
    // the file has been replaced, or a write failed.
    struct Session;
    Session& openSession() const;
    Session& session(bool evenIfDuplicate);
    FoundBookOutcome write(Session& session, const lookup::BookRecord& record, bool evenIfDuplicate);
    std::optional<HeldBook> heldBy(const std::optional<std::string>& isbn, const std::optional<std::string>& author,
                                   const std::optional<std::string>& title) const;

    std::string m_path;
    std::vector<std::int64_t> m_added;
    mutable std::unique_ptr<Session> m_session; ///< also what held() looks in
};

} // namespace bookimport
