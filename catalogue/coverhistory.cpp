// Covers in the undo history: the card's changes of a cover, and the covers a
// deletion of books took with it, put back and taken again on a connection of
// their own.
#include "coverhistory.h"

#include "connection.h"
#include "transaction.h"

namespace catalogue {

namespace {

void writeCover(sqlite3* db, std::int64_t book, const std::optional<Cover>& cover)
{
    if (cover)
        storeCover(db, *cover);
    else
        removeCover(db, book);
}

class CoverStep : public History::Step {
public:
    CoverStep(std::string path, std::vector<CoverChange> changes, std::string text)
        : m_path(std::move(path)), m_changes(std::move(changes)), m_text(std::move(text))
    {
    }
    std::string text() const override { return m_text; }
    std::size_t books() const override { return 0; }
    bool undo(Recordset&, const std::function<bool(std::size_t)>&) override
    {
        write(&CoverChange::before);
        return true;
    }
    bool redo(Recordset&, const std::function<bool(std::size_t)>&) override
    {
        write(&CoverChange::after);
        return true;
    }

private:
    void write(std::optional<Cover> CoverChange::*state)
    {
        Connection connection = Connection::openedForWriting(m_path);
        sqlite3* db = connection.handle();
        Transaction transaction(connection);
        for (const CoverChange& change : m_changes)
            writeCover(db, change.book, change.*state);
        transaction.commit();
    }

    std::string m_path;
    std::vector<CoverChange> m_changes;
    std::string m_text;
};

} // namespace

std::unique_ptr<History::Step> coverStep(std::string path, std::vector<CoverChange> changes, std::string text)
{
    return std::make_unique<CoverStep>(std::move(path), std::move(changes), std::move(text));
}

CoverShelf::CoverShelf(std::string path, std::shared_ptr<History> history)
    : m_path(std::move(path)), m_history(std::move(history))
{
}

std::optional<Cover> CoverShelf::cover(std::int64_t book) const
{
    return readCover(Connection::opened(m_path).handle(), book);
}

void CoverShelf::put(std::int64_t book, std::string image, std::string type, std::string source)
{
    change(book, Cover{book, std::move(image), std::move(type), std::move(source)}, "copertina del libro");
}

void CoverShelf::take(std::int64_t book)
{
    change(book, std::nullopt, "rimozione della copertina");
}

void CoverShelf::change(std::int64_t book, std::optional<Cover> after, std::string text)
{
    Connection connection = Connection::openedForWriting(m_path);
    sqlite3* db = connection.handle();
    Transaction transaction(connection);
    std::optional<Cover> before = readCover(db, book);
    if (before == after)
        return;
    writeCover(db, book, after);
    transaction.commit();
    if (m_history)
        m_history->recordStep(coverStep(m_path, {CoverChange{book, std::move(before), std::move(after)}}, std::move(text)));
}

} // namespace catalogue
