// A source's text as its field stores it; a value the field cannot take is kept
// exactly as given, with the reason.
#include "fieldvalues.h"

#include "isbn.h"
#include "numbertext.h"
#include "standardfields.h"

#include <charconv>
#include <cmath>

namespace bookimport {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<int> digits(std::string_view text, std::size_t from, std::size_t count)
{
    if (from + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool realDay(int year, int month, int day)
{
    static constexpr int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > days[month - 1])
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month != 2 || day < 29 || leap;
}

std::optional<std::string> formatted(int year, int month, int day)
{
    if (!realDay(year, month, day))
        return std::nullopt;
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", year, month, day);
    return std::string(out);
}

// The catalogue's one reading of a number, as a double whatever its form.
std::optional<double> decimalNumber(std::string_view text)
{
    const std::optional<catalogue::Value> number = catalogue::numberValue(text);
    if (!number)
        return std::nullopt;
    if (const auto* integer = std::get_if<std::int64_t>(&*number))
        return static_cast<double>(*integer);
    return std::get<double>(*number);
}

StoredValue kept(const std::string& text, std::string reason)
{
    return {text, std::move(reason)};
}

// A whole number by the catalogue's reading: "3,5" in a column of whole numbers is
// reported, not rounded.
std::optional<std::int64_t> integer(std::string_view text)
{
    const std::optional<catalogue::Value> number = catalogue::numberValue(text);
    if (const auto* whole = number ? std::get_if<std::int64_t>(&*number) : nullptr)
        return *whole;
    return std::nullopt;
}

StoredValue number(const std::string& text, std::string_view shown)
{
    if (const auto whole = integer(text))
        return {*whole, {}};
    return kept(text, std::string("non è ") + std::string(shown) + ": tenuto com'è");
}

StoredValue decimal(const std::string& text)
{
    if (std::optional<catalogue::Value> number = catalogue::numberValue(text))
        return {std::move(*number), {}};
    return kept(text, "non è un numero: tenuto com'è");
}

StoredValue year(const std::string& text)
{
    if (const auto whole = integer(text))
        return {*whole, {}};
    if (const auto date = isoDate(trimmed(text)))
        return {std::int64_t{std::stoi(date->substr(0, 4))}, {}};
    return kept(text, "non è un anno: tenuto com'è");
}

StoredValue yesNo(const std::string& text)
{
    std::string lower;
    for (const char c : trimmed(text))
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    for (const char* yes : {"1", "sì", "si", "s", "x", "true", "vero", "yes", "y", "letto", "read"}) {
        if (lower == yes)
            return {std::int64_t{1}, {}};
    }
    for (const char* no : {"0", "no", "n", "false", "falso", "non letto"}) {
        if (lower == no)
            return {std::int64_t{0}, {}};
    }
    return kept(text, "non è sì o no: tenuto com'è");
}

StoredValue stars(const std::string& text)
{
    const std::string_view plain = trimmed(text);
    if (const auto whole = wholeNumber(plain); whole && *whole >= 1 && *whole <= 5)
        return {*whole, {}};
    if (const auto real = decimalNumber(plain); real && *real >= 1 && *real <= 5) {
        const auto rounded = static_cast<std::int64_t>(std::floor(*real + 0.5));
        return {rounded, "voto " + std::string(plain) + " arrotondato a " + std::to_string(rounded)};
    }
    return kept(text, "il voto va da 1 a 5: tenuto com'è");
}

StoredValue date(const std::string& text)
{
    if (const auto iso = isoDate(trimmed(text)))
        return {*iso, {}};
    return kept(text, "non è una data: tenuta com'è");
}

StoredValue isbn(const std::string& text)
{
    const catalogue::IsbnReading reading = catalogue::readIsbn(text);
    if (reading.valid())
        return {reading.isbn13, {}};
    return kept(text, catalogue::isbnProblem(reading) + ": tenuto com'è");
}

bool contains(std::string_view type, std::string_view word)
{
    std::string upper;
    for (const char c : type)
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return upper.find(word) != std::string::npos;
}

// SQLite's own rules for a column's affinity from its declared type.
ValueRule ruleOfType(std::string_view type)
{
    if (contains(type, "INT"))
        return ValueRule::Whole;
    if (contains(type, "CHAR") || contains(type, "CLOB") || contains(type, "TEXT") || contains(type, "BLOB") ||
        type.empty())
        return ValueRule::Text;
    if (contains(type, "REAL") || contains(type, "FLOA") || contains(type, "DOUB") || contains(type, "NUM") ||
        contains(type, "DEC"))
        return ValueRule::Decimal;
    return ValueRule::Text;
}

} // namespace

std::optional<std::int64_t> wholeNumber(std::string_view text)
{
    if (text.starts_with('+'))
        text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<std::string> isoDate(std::string_view text)
{
    // AAAA-MM-GG or AAAA/MM/GG, a time allowed after it
    if (text.size() >= 10 && (text[4] == '-' || text[4] == '/') && text[7] == text[4] &&
        (text.size() == 10 || text[10] == ' ' || text[10] == 'T')) {
        const auto y = digits(text, 0, 4), m = digits(text, 5, 2), d = digits(text, 8, 2);
        if (y && m && d)
            return formatted(*y, *m, *d);
        return std::nullopt;
    }
    // G/M/AAAA, GG-MM-AAAA, GG.MM.AAAA: the Italian order
    const std::size_t first = text.find_first_of("/-.");
    if (first == 0 || first > 2)
        return std::nullopt;
    const char separator = text[first];
    const std::size_t second = text.find(separator, first + 1);
    if (second == std::string_view::npos || second - first - 1 == 0 || second - first - 1 > 2 ||
        text.size() != second + 5)
        return std::nullopt;
    const auto d = digits(text, 0, first), m = digits(text, first + 1, second - first - 1),
               y = digits(text, second + 1, 4);
    if (d && m && y)
        return formatted(*y, *m, *d);
    return std::nullopt;
}

ValueRule valueRule(std::string_view column, std::string_view declaredType)
{
    const catalogue::StandardField* field = catalogue::findStandardField(column);
    if (!field)
        return ruleOfType(declaredType);
    const std::string_view name = field->name;
    if (name == "isbn")
        return ValueRule::Isbn;
    if (name == "anno")
        return ValueRule::Year;
    if (name == "pagine")
        return ValueRule::Whole;
    switch (field->kind) {
    case catalogue::FieldKind::Number:
        return ValueRule::Decimal;
    case catalogue::FieldKind::YesNo:
        return ValueRule::YesNo;
    case catalogue::FieldKind::Stars:
        return ValueRule::Stars;
    case catalogue::FieldKind::Date:
        return ValueRule::Date;
    case catalogue::FieldKind::Text:
    case catalogue::FieldKind::LongText:
        break;
    }
    return ValueRule::Text;
}

StoredValue storedValue(ValueRule rule, const std::string& text)
{
    switch (rule) {
    case ValueRule::Isbn:
        return isbn(text);
    case ValueRule::Year:
        return year(text);
    case ValueRule::Whole:
        return number(text, "un numero intero");
    case ValueRule::Decimal:
        return decimal(text);
    case ValueRule::YesNo:
        return yesNo(text);
    case ValueRule::Stars:
        return stars(text);
    case ValueRule::Date:
        return date(text);
    case ValueRule::Text:
        break;
    }
    return {text, {}};
}

StoredValue storedValue(ValueRule rule, const catalogue::Value& value, const std::string& text)
{
    const bool ownRule = rule != ValueRule::Text && rule != ValueRule::Whole && rule != ValueRule::Decimal;
    if (std::holds_alternative<catalogue::Blob>(value) || !ownRule)
        return {value, {}};
    StoredValue ruled = storedValue(rule, text);
    const auto* kept = std::get_if<std::string>(&ruled.value);
    if (!ruled.change.empty() && kept && *kept == text)
        ruled.value = value;
    return ruled;
}

StoredValue storedValue(std::string_view column, std::string_view declaredType, const std::string& text)
{
    return storedValue(valueRule(column, declaredType), text);
}

} // namespace bookimport
