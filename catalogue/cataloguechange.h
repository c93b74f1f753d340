#pragma once

#include <cstdint>
#include <vector>

namespace catalogue {

// What happened to the catalogue file, as its listeners hear it.
enum class ChangeKind {
    BookWritten,   ///< one book written by the grid or the card
    BooksWritten,  ///< several books written at once by a tool (completed, lent, undone)
    BooksAdded,
    BooksRemoved,
    FieldsChanged, ///< a field added, renamed or removed
    FileReplaced,  ///< another file in its place, or a change no other kind tells: read everything again
};

struct CatalogueChange {
    ChangeKind kind;
    std::vector<std::int64_t> ids; ///< the books' iddorvo where known; empty when not
};

} // namespace catalogue
