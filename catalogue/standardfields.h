#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace catalogue {

// How a field is shown, edited and stored (see fieldKindOf). An image kind is to
// come; code that switches on the kind lists every one, so the compiler names
// each place to teach it.
enum class FieldKind {
    Number,   ///< a whole or decimal number
    Text,
    LongText, ///< several lines
    YesNo,    ///< 0 or 1, NULL when not said
    Stars,    ///< 1 to 5, NULL for no rating
    Date,     ///< stored as AAAA-MM-GG, shown as an Italian date
    Integer,  ///< a whole number
    Isbn,     ///< an ISBN, stored as its 13 digits when it reads as one
};

// A field the program knows by name: a column of `dorvi` after the first four.
struct StandardField {
    std::string_view name;
    std::string_view type; ///< the declared type of its column
    FieldKind kind;
};

inline constexpr std::array<StandardField, 14> standardFields{{
    {"anno", "INTEGER", FieldKind::Integer},
    {"editore", "TEXT", FieldKind::Text},
    {"isbn", "TEXT", FieldKind::Isbn},
    {"collana", "TEXT", FieldKind::Text},
    {"numero", "NUMERIC", FieldKind::Number},
    {"lingua", "TEXT", FieldKind::Text},
    {"pagine", "INTEGER", FieldKind::Integer},
    {"collocazione", "TEXT", FieldKind::Text},
    {"letto", "INTEGER", FieldKind::YesNo},
    {"voto", "INTEGER", FieldKind::Stars},
    {"note", "TEXT", FieldKind::LongText},
    {"prestato_a", "TEXT", FieldKind::Text},
    {"prestato_il", "TEXT", FieldKind::Date},
    {"aggiunto_il", "TEXT", FieldKind::Date},
}};

// The standard field of that name, letter case ignored; null for any other name.
const StandardField* findStandardField(std::string_view name);

// The names of the columns of `dorvi`, in the table's order. Throws Error.
std::vector<std::string> catalogueColumns(sqlite3* db);

// Adds to `dorvi` the standard columns it lacks, in the table's order after the
// existing ones, with ALTER TABLE … ADD COLUMN only: the table is never rebuilt or
// copied, so another program's indexes, views and triggers stay as they are.
// Returns the names added. Runs in a transaction of its own, all or none.
// Throws Error (a locked or read-only file, say) with nothing changed.
std::vector<std::string> addStandardColumns(sqlite3* db);
// The same inside a transaction the caller holds and commits or rolls back.
std::vector<std::string> addStandardColumnsInTransaction(sqlite3* db);

} // namespace catalogue
