#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace catalogue {

// What a book is known by when its duplicates are looked for: its ISBN (as the
// 13 digits of its ISBN-13 when it reads as one, as given when only its check
// digit is wrong; a text in no ISBN's shape is none) and its author and title by
// the near rule. Either may be missing.
struct BookIdentity {
    std::string isbn; ///< empty: the book has no ISBN
    std::string name; ///< empty: no author or no title
    bool hasIsbn() const { return !isbn.empty(); }
    bool hasName() const { return !name.empty(); }
    bool empty() const { return isbn.empty() && name.empty(); }
};

// The one duplicate rule of the program, for the import, Trova doppioni and the
// notice below the grid. Two books that both have an ISBN are duplicates exactly
// when the ISBN-13s are the same: two ISBNs are two editions. When either has no
// ISBN, they are duplicates when author and title are the same by the near rule:
// letter case, accents, punctuation, spaces and a leading article ("Il", "La",
// "L'", "Gli", "Un'", "The", "A"…) ignored. A book with no author or no title is
// matched by its ISBN alone, and one with neither is nobody's duplicate.
bool areDuplicates(const BookIdentity& a, const BookIdentity& b);

// Makes identities over and over without allocating per book: a pass over a
// million books reuses one maker and one identity.
class IdentityMaker {
public:
    void make(BookIdentity& out, std::optional<std::string_view> isbn, std::optional<std::string_view> author,
              std::optional<std::string_view> title);
    // The same from the row `row` is on: its ISBN in column `isbnColumn`, the
    // author and the title in the two after it, read where the engine holds them.
    void makeFromRow(BookIdentity& out, sqlite3_stmt* row, int isbnColumn);

private:
    void makeName(std::string& out, std::string_view author, std::string_view title);
    std::string m_folded;
};

BookIdentity bookIdentity(const std::optional<std::string>& isbn, const std::optional<std::string>& author,
                          const std::optional<std::string>& title);

// A 64-bit hash of one part of an identity, `kind` telling apart the tables a
// key is kept in (an ISBN, a name): never 0, which marks an empty slot.
std::uint64_t identityHash(char kind, std::string_view key);

} // namespace catalogue
