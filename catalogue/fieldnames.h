#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

// The kinds a field of the user's own may have, as the "Campi" dialog offers them.
enum class OwnKind { Text, Integer, Number, Date, YesNo };

inline constexpr OwnKind ownKinds[] = {OwnKind::Text, OwnKind::Integer, OwnKind::Number, OwnKind::Date,
                                       OwnKind::YesNo};

// "testo", "numero intero", "numero", "data", "sì/no".
std::string_view kindName(OwnKind kind);
// The declared type of a new column of that kind: TEXT, INTEGER, NUMERIC, DATE,
// BOOLEAN (names other SQLite tools read the same way).
std::string_view declaredType(OwnKind kind);
// The kind a column is shown with in the dialog, in words: a standard field's own,
// else read from its declared type ("testo" for none).
std::string kindOfColumn(std::string_view name, std::string_view declared);

// Why `name` cannot be the name of a new column of `dorvi` whose columns are
// `existing`; nothing when it can. A plain name: letters, digits and '_',
// beginning with a letter, at most 64 characters; not a name there already (letter
// case ignored), not a word of SQL, not a standard field's (that one is ticked).
std::optional<std::string> refusedName(std::string_view name, const std::vector<std::string>& existing);

// Whether two column names are the same, letter case ignored (SQLite's rule).
bool sameColumnName(std::string_view a, std::string_view b);
// Whether `columns` (a table's, or a result's) hold one named `name`, by that rule.
bool hasColumn(const std::vector<std::string>& columns, std::string_view name);

} // namespace catalogue
