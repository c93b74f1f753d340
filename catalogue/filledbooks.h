#pragma once

#include "covers.h"
#include "value.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

class History;
class Recordset;

// A value a service gave for one of a book's fields, as text, as if typed.
struct FoundValue {
    std::string field;
    std::string text;
};

// One empty field of a book and the value it is to take.
struct FieldFill {
    std::string field; ///< the column's name as the result shows it
    Value value;       ///< as the field's value rule reads the text found
    std::string shown; ///< the value as the grid shows it
};

// A value found that is not to be written, and why.
struct LeftOut {
    std::string field;
    std::string text;
    std::string why;
};

// What completing one book would write: its empty fields, and a cover when it
// has none. Nothing else of the book is ever touched.
struct BookFill {
    std::int64_t book = 0;
    std::string label; ///< «Titolo» di Autore, as messages name the book
    std::vector<FieldFill> fields;
    std::vector<LeftOut> leftOut;
    std::optional<Cover> cover;

    bool writesAnything() const { return !fields.empty() || cover.has_value(); }
};

// Whether a stored value counts as a field left empty: NULL or blanks only.
bool isEmptyValue(const Value& value);

// What the values `found` would fill in the book `book`, on `row` of `shown`: only
// the fields empty there, each value read by its field's rule exactly as if typed.
// A value the rule refuses, or for a field the result lacks, is left out with its
// reason; one for a field already written is dropped, since the user's value stays.
BookFill planFill(const Recordset& shown, std::size_t row, std::int64_t book, const std::vector<FoundValue>& found);

// What writeFills did.
struct FillOutcome {
    std::size_t books = 0;  ///< books written
    std::size_t fields = 0; ///< fields filled
    std::size_t covers = 0;
    std::vector<std::string> leftAlone; ///< "«Titolo»: editore", filled by someone meanwhile
    std::vector<std::string> gone;      ///< books no longer in the rows shown
};

// Writes the fills through `shown`, the result the grid shows, so it shows them at
// once: each book's fields and its cover in one transaction, each field only while
// it is still empty and each cover only while the book has none (checked again
// here, after a service has been waited for). The whole is one step of `history`:
// its undo takes back every value and cover together, and is refused whole, naming
// the book, when one of them has been changed since. The covers are written in the
// catalogue at `path`. A write that fails half way throws Error; what was written
// before it stays one step of Annulla.
FillOutcome writeFills(Recordset& shown, History& history, const std::string& path, const std::vector<BookFill>& fills);

} // namespace catalogue
