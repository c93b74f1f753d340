#pragma once

#include "standardfields.h"

#include <string>
#include <string_view>

namespace catalogue {

// How SQLite stores what is written into a column, from its declared type.
enum class Affinity { Text, Numeric, Integer, Real, Blob };
Affinity affinityOf(std::string_view declaredType);

// The one decision of a field's kind, for the grid, the card, the import, the
// "Campi" dialog and the searches alike. A standard field has its own kind by
// name; a field of one's own takes it from its declared type: BOOL… is sì/no,
// DATE… (DATETIME too) a date, INT… a whole number, NUM…, DEC…, REAL, FLOA… and
// DOUB… a number; anything else (TEXT, VARCHAR, BLOB, TIMESTAMP, none) is text,
// so nothing typed into it is ever refused.
FieldKind fieldKindOf(std::string_view name, std::string_view declaredType);

// The Italian label of a field: "Anno", "Prestato il", "N." for the key; a field
// of one's own is labelled by its name.
std::string fieldLabelOf(std::string_view name);

// A column of the catalogue as every part of the program sees it.
struct FieldSchema {
    std::string name;
    FieldKind kind = FieldKind::Text;
    std::string declaredType;
    std::string label;
    bool standard = false; ///< one the program knows by name, else one's own
};
FieldSchema fieldSchema(std::string_view name, std::string_view declaredType);

// The kind in words, as "Campi…" shows it: "numero intero", "data", "sì/no"…
std::string_view kindWords(FieldKind kind);

} // namespace catalogue
