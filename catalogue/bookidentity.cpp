// The duplicate rule: what identifies a book (its ISBN-13, its author and title
// by the near rule) and when two books are the same. Every place that looks for
// duplicates asks here, so the import, Trova doppioni and the notice agree.
#include "bookidentity.h"

#include "fold.h"
#include "isbn.h"

#include <array>
#include <sqlite3.h>

namespace catalogue {

namespace {

// Folded, as appendFoldWithPlainApostrophes leaves them, each with the character
// that ends it.
constexpr std::array<std::string_view, 13> articles{"il ", "la ", "lo ", "l'", "i ", "gli ", "le ",
                                                    "un ", "una ", "un'", "the ", "a ", "an "};

bool isWordByte(unsigned char c)
{
    // Bytes of multi-byte characters are letters of some script: kept.
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c >= 0x80;
}

bool blank(std::string_view text)
{
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// Letters and digits only, with a leading article dropped: "L'Odissea" and
// "Odissea.", "Il  nome della rosa" and "Nome della rosa!" read the same.
void appendNearText(std::string& out, std::string& folded, std::string_view text)
{
    folded.clear();
    // Every apostrophe as the plain one, before the article is read: the filter's
    // apostrophes, so "L‘Odissea" is near "Odissea" as it finds it.
    appendFoldWithPlainApostrophes(folded, text);
    const std::size_t start = folded.find_first_not_of(" \t\r\n");
    std::string_view rest = start == std::string::npos ? std::string_view() : std::string_view(folded).substr(start);
    for (const std::string_view article : articles) {
        if (rest.size() > article.size() && rest.substr(0, article.size()) == article) {
            rest.remove_prefix(article.size());
            break;
        }
    }
    for (const char c : rest) {
        if (isWordByte(static_cast<unsigned char>(c)))
            out += c;
    }
}

// The fold of case and accents, with every run of spaces, tabs and line breaks
// one space and none at either end: for a text of punctuation only, which has no
// near text.
void appendWords(std::string& out, std::string& folded, std::string_view text)
{
    folded.clear();
    appendFoldCaseAndAccents(folded, text);
    bool space = false;
    bool any = false;
    for (const char c : folded) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            space = true;
            continue;
        }
        if (space && any)
            out += ' ';
        space = false;
        any = true;
        out += c;
    }
}

} // namespace

bool areDuplicates(const BookIdentity& a, const BookIdentity& b)
{
    if (a.hasIsbn() && b.hasIsbn())
        return a.isbn == b.isbn;
    return a.hasName() && a.name == b.name;
}

void IdentityMaker::make(BookIdentity& out, std::optional<std::string_view> isbn,
                         std::optional<std::string_view> author, std::optional<std::string_view> title)
{
    out.isbn.clear();
    out.name.clear();
    if (isbn && !blank(*isbn)) {
        // A text that is no ISBN at all ("n/d", "-") names no edition: two books
        // holding it are not the same book for it. One with a wrong check digit is
        // an ISBN mistyped, kept as given.
        const catalogue::IsbnReading reading = catalogue::readIsbn(*isbn);
        if (reading.valid())
            out.isbn = reading.isbn13;
        else if (reading.status == catalogue::IsbnReading::Status::WrongCheckDigit)
            out.isbn = *isbn;
    }
    if (author && title && !blank(*author) && !blank(*title))
        makeName(out.name, *author, *title);
}

void IdentityMaker::makeFromRow(BookIdentity& out, sqlite3_stmt* row, int isbnColumn)
{
    // Read here, beside the engine, a million times in a pass over the catalogue.
    const auto text = [row](int column) -> std::optional<std::string_view> {
        const unsigned char* value = sqlite3_column_text(row, column);
        if (!value)
            return std::nullopt;
        return std::string_view(reinterpret_cast<const char*>(value),
                                 static_cast<std::size_t>(sqlite3_column_bytes(row, column)));
    };
    make(out, text(isbnColumn), text(isbnColumn + 1), text(isbnColumn + 2));
}

void IdentityMaker::makeName(std::string& out, std::string_view author, std::string_view title)
{
    out.assign(1, 'N');
    appendNearText(out, m_folded, author);
    out += '\x1F';
    appendNearText(out, m_folded, title);
    if (out[1] != '\x1F' && out.back() != '\x1F')
        return;
    // A title of punctuation only meets only the same punctuation, not every other.
    out.assign(1, 'T');
    appendWords(out, m_folded, author);
    out += '\x1F';
    appendWords(out, m_folded, title);
}

BookIdentity bookIdentity(const std::optional<std::string>& isbn, const std::optional<std::string>& author,
                          const std::optional<std::string>& title)
{
    const auto view = [](const std::optional<std::string>& text) {
        return text ? std::optional<std::string_view>(*text) : std::nullopt;
    };
    BookIdentity identity;
    IdentityMaker().make(identity, view(isbn), view(author), view(title));
    return identity;
}

std::uint64_t identityHash(char kind, std::string_view key)
{
    // FNV-1a, 64 bits: the keys are short and this is a few nanoseconds each.
    std::uint64_t hash = 14695981039346656037ull;
    hash ^= static_cast<unsigned char>(kind);
    hash *= 1099511628211ull;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash == 0 ? 1 : hash;
}

} // namespace catalogue
