#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

struct SummaryCount;

// A listing of books a tool asks the window to show. Only this unit writes its
// statement, so the tools above the catalogue name books, never SQL; every listing
// has every column of `dorvi`, so it can be edited as any other.
struct BookListing {
    std::string statement;
};

// The books `ids` in that order; an id no book has is left out.
BookListing listingInOrder(const std::vector<std::int64_t>& ids);
// The books lent and not yet back, the oldest loan first.
BookListing listingOfBooksOut();
// The books one bar of the summary counts.
BookListing listingOfCount(const SummaryCount& count);

// The window's own listings, word for word as they have always been written, since
// the window keeps the statement of the last listing: the whole catalogue, the
// count of its books, and the books whose `column` is exactly `typed` (its quotes
// doubled, so it can never become another statement).
std::string wholeCatalogueStatement();
std::string bookTotalStatement();
std::string searchStatement(const std::string& column, const std::string& typed);

// The number of books, read through the whole table's index; a damaged file
// raises the engine's error here as a listing would.
std::int64_t bookCount(sqlite3* db);

// The title and author of the book `id`, as stored (null as empty); none when no
// book has that id.
struct TitleAndAuthor {
    std::string title;
    std::string author;
};
std::optional<TitleAndAuthor> titleAndAuthor(sqlite3* db, std::int64_t id);

} // namespace catalogue
