// The import's table of the books it must not add twice: those of the catalogue
// and those written so far. It lives as long as one import; what it holds grows
// by one or two entries a book, and every match is checked against the file.
#include "duplicateindex.h"

#include "fieldnames.h"
#include "standardfields.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

DuplicateIndex::DuplicateIndex(sqlite3* db) : m_db(db)
{
    m_hasIsbn = catalogue::hasColumn(catalogue::catalogueColumns(db), "isbn");
    catalogue::Statement books(db, m_hasIsbn ? "SELECT iddorvo, isbn, autore, titolo FROM dorvi"
                                             : "SELECT iddorvo, NULL, autore, titolo FROM dorvi");
    sqlite3_stmt* s = books.handle();
    IdentityMaker maker;
    BookIdentity identity;
    while (books.step()) {
        maker.makeFromRow(identity, s, 1);
        add(identity, sqlite3_column_int64(s, 0));
    }
}

std::size_t DuplicateIndex::slotOf(std::uint64_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = static_cast<std::size_t>(hash) & mask;
    while (m_slots[at].hash != 0 && m_slots[at].hash != hash)
        at = (at + 1) & mask;
    return at;
}

void DuplicateIndex::grow()
{
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    for (const Slot& slot : old) {
        if (slot.hash != 0)
            m_slots[slotOf(slot.hash)] = slot;
    }
}

std::optional<std::int64_t> DuplicateIndex::find(const BookIdentity& book) const
{
    if (book.hasIsbn()) {
        if (const auto found = match(byIsbn, book.isbn, book))
            return found;
    }
    if (!book.hasName())
        return std::nullopt;
    if (const auto found = match(namedWithoutIsbn, book.name, book))
        return found;
    // Without an ISBN of its own, a book is the same as an edition of that name.
    return book.hasIsbn() ? std::nullopt : match(namedWithIsbn, book.name, book);
}

std::optional<std::int64_t> DuplicateIndex::match(char kind, const std::string& key, const BookIdentity& book) const
{
    const Slot& slot = m_slots[slotOf(identityHash(kind, key))];
    if (slot.hash == 0 || !areDuplicates(book, identityOfBook(slot.id)))
        return std::nullopt;
    return slot.id;
}

void DuplicateIndex::add(const BookIdentity& book, std::int64_t id)
{
    if (book.hasIsbn())
        insert(byIsbn, book.isbn, id);
    if (book.hasName())
        insert(book.hasIsbn() ? namedWithIsbn : namedWithoutIsbn, book.name, id);
}

void DuplicateIndex::insert(char kind, const std::string& key, std::int64_t id)
{
    // Kept at most half full, so a look-up ends after a slot or two.
    if (2 * (m_used + 1) > m_slots.size())
        grow();
    const std::uint64_t hash = identityHash(kind, key);
    Slot& slot = m_slots[slotOf(hash)];
    if (slot.hash == 0) {
        slot = {hash, id};
        ++m_used;
    }
}

BookIdentity DuplicateIndex::identityOfBook(std::int64_t id) const
{
    catalogue::Statement book(m_db, m_hasIsbn ? "SELECT isbn, autore, titolo FROM dorvi WHERE iddorvo = ?"
                                              : "SELECT NULL, autore, titolo FROM dorvi WHERE iddorvo = ?");
    book.bind(1, id);
    BookIdentity identity;
    if (book.step()) {
        sqlite3_stmt* s = book.handle();
        IdentityMaker().makeFromRow(identity, s, 0);
    }
    return identity;
}

} // namespace catalogue
