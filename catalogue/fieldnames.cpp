// Column names follow SQLite's own rule for case: ASCII letters only are folded.
#include "fieldnames.h"

#include "fieldschema.h"
#include "standardfields.h"

#include <sqlite3.h>

#include <algorithm>

namespace catalogue {

namespace {

constexpr std::size_t longestName = 64;

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isPlainName(std::string_view name)
{
    if (name.empty() || !isLetter(name.front()))
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return isLetter(c) || (c >= '0' && c <= '9') || c == '_'; });
}

} // namespace

bool sameColumnName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return lower(x) == lower(y); });
}

bool hasColumn(const std::vector<std::string>& columns, std::string_view name)
{
    return std::any_of(columns.begin(), columns.end(), [&](const std::string& c) { return sameColumnName(c, name); });
}

std::string_view kindName(OwnKind kind)
{
    switch (kind) {
    case OwnKind::Text: return "testo";
    case OwnKind::Integer: return "numero intero";
    case OwnKind::Number: return "numero";
    case OwnKind::Date: return "data";
    case OwnKind::YesNo: return "sì/no";
    }
    return "testo";
}

std::string_view declaredType(OwnKind kind)
{
    switch (kind) {
    case OwnKind::Text: return "TEXT";
    case OwnKind::Integer: return "INTEGER";
    case OwnKind::Number: return "NUMERIC";
    case OwnKind::Date: return "DATE";
    case OwnKind::YesNo: return "BOOLEAN";
    }
    return "TEXT";
}

std::string kindOfColumn(std::string_view name, std::string_view declared)
{
    const FieldKind kind = fieldKindOf(name, declared);
    // Bytes are text to the grid, but the dialog says what the column holds.
    if (kind == FieldKind::Text && !findStandardField(name) && affinityOf(declared) == Affinity::Blob && !declared.empty())
        return "dati binari";
    return std::string(kindWords(kind));
}

std::optional<std::string> refusedName(std::string_view name, const std::vector<std::string>& existing)
{
    const std::string quoted = "«" + std::string(name) + "»";
    if (name.empty())
        return "Il nome del campo è vuoto.";
    if (!isPlainName(name))
        return "Il nome " + quoted + " non va bene: usare solo lettere senza accenti, cifre e \"_\", "
               "cominciando con una lettera.";
    if (name.size() > longestName)
        return "Il nome " + quoted + " è troppo lungo: al massimo " + std::to_string(longestName) + " caratteri.";
    for (const std::string& column : existing) {
        if (sameColumnName(column, name))
            return "Il catalogo ha già un campo " + (column == name ? quoted : quoted + " («" + column + "»)") +
                   " (maiuscole e minuscole non contano).";
    }
    if (sqlite3_keyword_check(name.data(), static_cast<int>(name.size())))
        return quoted + " è una parola riservata del linguaggio SQL: scegliere un altro nome.";
    if (findStandardField(name))
        return quoted + " è un campo standard: spuntarlo nell'elenco dei campi standard.";
    return std::nullopt;
}

} // namespace catalogue
