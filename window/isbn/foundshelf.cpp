// The books found by ISBN written into the catalogue and recorded for Annulla,
// step by step: a book added alone, or a whole continuous scan.
#include "foundshelf.h"

#include "foundbooks.h"
#include "history.h"

#include <QFile>

FoundShelf::FoundShelf(QString path, std::shared_ptr<catalogue::History> history)
    : m_path(std::move(path)), m_history(std::move(history))
{
}

FoundShelf::~FoundShelf() = default;

bookimport::FoundBooks& FoundShelf::books()
{
    if (!m_books)
        m_books = std::make_unique<bookimport::FoundBooks>(QFile::encodeName(m_path).toStdString());
    return *m_books;
}

FoundShelf::Outcome FoundShelf::add(const lookup::BookRecord& book, bool evenIfDuplicate)
{
    const bookimport::FoundBookOutcome outcome = books().add(book, evenIfDuplicate);
    Outcome told;
    told.id = outcome.id;
    told.text = outcome.text;
    switch (outcome.kind) {
    case bookimport::FoundBookOutcome::Kind::Added:
        told.kind = Outcome::Kind::Added;
        ++m_added;
        break;
    case bookimport::FoundBookOutcome::Kind::Duplicate:
        told.kind = Outcome::Kind::Duplicate;
        break;
    case bookimport::FoundBookOutcome::Kind::Refused:
        told.kind = Outcome::Kind::Refused;
        break;
    }
    return told;
}

std::optional<FoundShelf::Held> FoundShelf::held(const QString& isbn13)
{
    const std::optional<bookimport::HeldBook> book = books().held(isbn13);
    if (!book)
        return std::nullopt;
    return Held{book->id, book->text};
}

std::optional<FoundShelf::Held> FoundShelf::held(const lookup::BookRecord& book)
{
    const std::optional<bookimport::HeldBook> kept = books().held(book);
    if (!kept)
        return std::nullopt;
    return Held{kept->id, kept->text};
}

std::unique_ptr<catalogue::History::Step> FoundShelf::takeStep(const std::string& text)
{
    if (m_added == 0 || !m_books)
        return nullptr;
    std::unique_ptr<catalogue::History::Step> step = m_books->step(text);
    // The next books are a step of their own: the writer starts afresh.
    m_books.reset();
    m_added = 0;
    return step;
}

int FoundShelf::recordStep(const std::string& text)
{
    const int books = m_added;
    std::unique_ptr<catalogue::History::Step> step = takeStep(text);
    if (!step)
        return 0;
    if (m_history)
        m_history->recordStep(std::move(step));
    return books;
}
