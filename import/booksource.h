#pragma once

#include "importreport.h"
#include "value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bookimport {

// A value changed on the way in, or a note about one, for the report.
struct SourceNote {
    std::string column;
    std::string reason;
};

// One book as read from a source: a value, or none, for each of the source's
// columns, and where it stands in the source, for the report.
struct SourceBook {
    std::string where; ///< "riga 12", "libro 17"
    std::vector<std::optional<std::string>> values;
    // The values a source holds as numbers or bytes (another catalogue's), by
    // column, NULL elsewhere: each is written with its own type, its text in
    // `values` serving only to find duplicates and to name the book.
    std::vector<catalogue::Value> typed;
    std::vector<SourceNote> notes;
    // Why the source cannot give this row as a book: it is refused, not written.
    std::string refusal;

    // Makes the book ready for the next row of the source: named `place`, with
    // `columns` values still missing, no notes and no refusal.
    void start(std::string place, std::size_t columns)
    {
        where = std::move(place);
        notes.clear();
        refusal.clear();
        values.assign(columns, std::nullopt);
        typed.clear();
    }
};

// A list of books in another program's form, read one book at a time so that a
// source of any size takes the same memory.
class BookSource {
public:
    virtual ~BookSource() = default;
    // "Goodreads", "calibre", "testo delimitato (;)"
    virtual std::string kind() const = 0;
    // The catalogue columns the source fills, in the order of SourceBook::values.
    virtual const std::vector<std::string>& columns() const = 0;
    // The next book; false at the end. Throws catalogue::Error when the source
    // turns out unreadable: the import then writes nothing.
    virtual bool next(SourceBook& book) = 0;
    // Columns of the source carried into no field, each with how many of its
    // values were not empty, read so far.
    virtual std::vector<std::pair<std::string, std::uint64_t>> ignoredColumns() const { return {}; }
    // Headings the source has more than once, one of their columns carried.
    virtual std::vector<RepeatedColumn> repeatedColumns() const { return {}; }
};

} // namespace bookimport
