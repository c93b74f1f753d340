#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace catalogue {

// A book's cover as the catalogue keeps it, beside the books in `copertine`, so a
// safety copy of the file keeps it too: the image's bytes as they came (JPEG or
// PNG), their type ("image/jpeg") and where they came from (a file, a service).
struct Cover {
    std::int64_t book = 0; ///< the book's iddorvo
    std::string image;
    std::string type;
    std::string source;
    bool operator==(const Cover&) const = default;
};

// Whether the file has ever been given a cover: the table is made at the first one,
// so a catalogue without covers stays exactly as it was.
bool hasCoverTable(sqlite3* db);

// Sets the cover of book `book`, replacing the one it had; makes the table at the
// first cover. Throws Error, with nothing written, for an empty image.
void storeCover(sqlite3* db, std::int64_t book, std::string_view image, std::string_view type,
                std::string_view source);
void storeCover(sqlite3* db, const Cover& cover);

// The cover of `book`; none in a file without covers.
std::optional<Cover> readCover(sqlite3* db, std::int64_t book);

// Takes the cover of `book` away; nothing in a file without covers.
void removeCover(sqlite3* db, std::int64_t book);

// The covers of books no longer in `bookTable`, taken out of the file and handed
// back, so a deletion of books takes their covers with it and its undo can bring
// them back. Run inside the deletion's transaction. One statement whatever the
// number of books; nothing at all in a file without covers, or when the books
// deleted are not the catalogue's own table.
std::vector<Cover> takeCoversOfDeletedBooks(sqlite3* db, const std::string& bookTable);

} // namespace catalogue
