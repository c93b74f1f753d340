// The field schema: which kind a column is, its label, and how SQLite stores what
// is written into it. Every layer asks here, so a column never reads as a date in
// the grid and as text in the import.
#include "fieldschema.h"

#include "fieldnames.h"

#include <algorithm>
#include <array>
#include <utility>

namespace catalogue {

namespace {

std::string upperAscii(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return upper;
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 18> labels{{
    {"iddorvo", "N."},
    {"autore", "Autore"},
    {"titolo", "Titolo"},
    {"genere", "Genere"},
    {"anno", "Anno"},
    {"editore", "Editore"},
    {"isbn", "ISBN"},
    {"collana", "Collana"},
    {"numero", "Numero"},
    {"lingua", "Lingua"},
    {"pagine", "Pagine"},
    {"collocazione", "Collocazione"},
    {"letto", "Letto"},
    {"voto", "Voto"},
    {"note", "Note"},
    {"prestato_a", "Prestato a"},
    {"prestato_il", "Prestato il"},
    {"aggiunto_il", "Aggiunto il"},
}};

} // namespace

Affinity affinityOf(std::string_view declaredType)
{
    const std::string type = upperAscii(declaredType);
    const auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
    if (has("INT"))
        return Affinity::Integer;
    if (has("CHAR") || has("CLOB") || has("TEXT"))
        return Affinity::Text;
    if (type.empty() || has("BLOB"))
        return Affinity::Blob;
    if (has("REAL") || has("FLOA") || has("DOUB"))
        return Affinity::Real;
    return Affinity::Numeric;
}

FieldKind fieldKindOf(std::string_view name, std::string_view declaredType)
{
    if (const StandardField* standard = findStandardField(name))
        return standard->kind;
    const std::string type = upperAscii(declaredType);
    const auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
    if (has("BOOL"))
        return FieldKind::YesNo;
    if (has("DATE"))
        return FieldKind::Date;
    if (has("INT"))
        return FieldKind::Integer;
    if (has("NUM") || has("DEC") || has("REAL") || has("FLOA") || has("DOUB"))
        return FieldKind::Number;
    return FieldKind::Text;
}

std::string fieldLabelOf(std::string_view name)
{
    for (const auto& [field, label] : labels) {
        if (sameColumnName(field, name))
            return std::string(label);
    }
    return std::string(name);
}

FieldSchema fieldSchema(std::string_view name, std::string_view declaredType)
{
    return {std::string(name), fieldKindOf(name, declaredType), std::string(declaredType), fieldLabelOf(name),
            findStandardField(name) != nullptr};
}

std::string_view kindWords(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Integer: return "numero intero";
    case FieldKind::Number: return "numero";
    case FieldKind::Text: return "testo";
    case FieldKind::LongText: return "testo su più righe";
    case FieldKind::YesNo: return "sì/no";
    case FieldKind::Stars: return "voto (stelle)";
    case FieldKind::Date: return "data";
    case FieldKind::Isbn: return "ISBN";
    }
    return "testo";
}

} // namespace catalogue
