#include "duplicates.h"

#include "fieldnames.h"
#include "fold.h"
#include "isbn.h"
#include "standardfields.h"
#include "statement.h"

#include <algorithm>

namespace bookimport {

namespace {

// FNV-1a, 64 bits: the keys are short and this is a few nanoseconds each.
std::uint64_t hashOf(const std::string& key)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash == 0 ? 1 : hash;
}

// The fold of case and accents, with every run of spaces, tabs and line breaks
// one space and none at either end.
void appendWords(std::string& out, const std::string& text)
{
    const std::string folded = catalogue::foldCaseAndAccents(text);
    bool space = false;
    for (const char c : folded) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            space = true;
            continue;
        }
        if (space && !out.empty() && out.back() != '\x1F')
            out += ' ';
        space = false;
        out += c;
    }
}

std::optional<std::string> column(sqlite3_stmt* statement, int index)
{
    if (sqlite3_column_type(statement, index) == SQLITE_NULL)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, index)),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement, index)));
}

bool blank(const std::optional<std::string>& text)
{
    return !text || std::all_of(text->begin(), text->end(), [](char c) { return c == ' ' || c == '\t'; });
}

} // namespace

std::optional<std::string> duplicateKey(const std::optional<std::string>& isbn,
                                        const std::optional<std::string>& author,
                                        const std::optional<std::string>& title)
{
    if (!blank(isbn)) {
        const catalogue::IsbnReading reading = catalogue::readIsbn(*isbn);
        return "I" + (reading.valid() ? reading.isbn13 : *isbn);
    }
    if (blank(author) || blank(title))
        return std::nullopt;
    std::string key = "T";
    appendWords(key, *author);
    key += '\x1F';
    appendWords(key, *title);
    return key;
}

DuplicateIndex::DuplicateIndex(sqlite3* db) : m_db(db)
{
    m_hasIsbn = catalogue::hasColumn(catalogue::catalogueColumns(db), "isbn");
    catalogue::Statement books(db, m_hasIsbn ? "SELECT iddorvo, isbn, autore, titolo FROM dorvi"
                                             : "SELECT iddorvo, NULL, autore, titolo FROM dorvi");
    sqlite3_stmt* s = books.handle();
    while (books.step()) {
        if (const auto key = duplicateKey(column(s, 1), column(s, 2), column(s, 3)))
            add(*key, sqlite3_column_int64(s, 0));
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

std::optional<std::int64_t> DuplicateIndex::find(const std::string& key) const
{
    const Slot& slot = m_slots[slotOf(hashOf(key))];
    if (slot.hash == 0 || keyOfBook(slot.id) != key)
        return std::nullopt;
    return slot.id;
}

void DuplicateIndex::add(const std::string& key, std::int64_t id)
{
    // Kept at most half full, so a look-up ends after a slot or two.
    if (2 * (m_used + 1) > m_slots.size())
        grow();
    const std::uint64_t hash = hashOf(key);
    Slot& slot = m_slots[slotOf(hash)];
    if (slot.hash == 0) {
        slot = {hash, id};
        ++m_used;
    }
}

std::optional<std::string> DuplicateIndex::keyOfBook(std::int64_t id) const
{
    catalogue::Statement book(m_db, m_hasIsbn ? "SELECT isbn, autore, titolo FROM dorvi WHERE iddorvo = ?"
                                              : "SELECT NULL, autore, titolo FROM dorvi WHERE iddorvo = ?");
    book.bind(1, id);
    if (!book.step())
        return std::nullopt;
    sqlite3_stmt* s = book.handle();
    return duplicateKey(column(s, 0), column(s, 1), column(s, 2));
}

} // namespace bookimport
