#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bookimport {

// How one catalogue column is made from the fields of a delimited record.
struct ColumnRule {
    enum class Combine { First, Comma, Lines };
    enum class Clean { None, Formula, Guard, Brackets, Rating, Shelf };
    std::string column;
    std::vector<std::size_t> fields; ///< in order of preference or of joining
    Combine combine = Combine::First;
    Clean clean = Clean::None;
};

// A heading the file has more than once, when one of its fields fills a column.
struct RepeatedHeading {
    std::size_t used = 0;             ///< the field carried
    std::vector<std::size_t> leftOut; ///< the fields of the same heading carried nowhere
};

// The layout of a delimited file, recognised from its heading line.
struct DelimitedLayout {
    std::string kind;              ///< "Goodreads", "LibraryThing", "testo delimitato"
    std::vector<ColumnRule> rules; ///< one per catalogue column filled
    // The heading fields carried nowhere, to be reported: the fields of one heading
    // together, however many times it repeats.
    std::vector<std::vector<std::size_t>> ignored;
    bool strictWidth = false;      ///< every record has the heading's fields (an export)
    std::vector<RepeatedHeading> repeated; ///< a heading named twice: the first of its fields fills the column
};

// The layout for a heading: a Goodreads or LibraryThing export by their own
// headings; otherwise a heading that names a catalogue column (letter case and
// spaces around ignored) fills it, the first field of a heading named twice.
// `mapped` pairs a catalogue column with a
// heading (--campo COLONNA=INTESTAZIONE) and wins over the names. `columns` are
// the catalogue's. Throws catalogue::Error for a heading that names no column
// (a file with no heading line) and for a --campo naming nothing.
DelimitedLayout delimitedLayout(const std::vector<std::string>& heading, const std::vector<std::string>& columns,
                                const std::vector<std::pair<std::string, std::string>>& mapped,
                                const std::string& path);

// A field's text made ready for its column (the guards and brackets of the
// exports removed); nothing when it means "no value".
std::optional<std::string> cleaned(const std::string& text, ColumnRule::Clean clean);

} // namespace bookimport
