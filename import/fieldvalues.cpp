// Values read from another program's list, stored by the catalogue's value
// rules (catalogue::readValue): what the grid would refuse is kept as given and
// named in the import's report, rather than thrown away.
#include "fieldvalues.h"

#include "datetext.h"
#include "fieldschema.h"
#include "isbn.h"
#include "standardfields.h"
#include "textblanks.h"
#include "valuerules.h"

#include <charconv>

namespace bookimport {

namespace {

StoredValue kept(const std::string& text, std::string reason)
{
    return {text, std::move(reason)};
}

// What the report says of a value kept as given, for each rule.
std::string keptReason(ValueRule rule, const catalogue::ValueReading& reading)
{
    switch (rule) {
    case ValueRule::Isbn: return reading.detail + ": tenuto com'è";
    case ValueRule::Year: return "non è un anno: tenuto com'è";
    case ValueRule::Whole: return "non è un numero intero: tenuto com'è";
    case ValueRule::Decimal: return "non è un numero: tenuto com'è";
    case ValueRule::YesNo: return "non è sì o no: tenuto com'è";
    case ValueRule::Stars: return "il voto va da 1 a 5: tenuto com'è";
    case ValueRule::Date: return "non è una data: tenuta com'è";
    case ValueRule::Text: break;
    }
    return {};
}

catalogue::FieldKind kindOf(ValueRule rule)
{
    switch (rule) {
    case ValueRule::Isbn: return catalogue::FieldKind::Isbn;
    case ValueRule::Year:
    case ValueRule::Whole: return catalogue::FieldKind::Integer;
    case ValueRule::Decimal: return catalogue::FieldKind::Number;
    case ValueRule::YesNo: return catalogue::FieldKind::YesNo;
    case ValueRule::Stars: return catalogue::FieldKind::Stars;
    case ValueRule::Date: return catalogue::FieldKind::Date;
    case ValueRule::Text: break;
    }
    return catalogue::FieldKind::Text;
}

// A year may come as a whole date ("1975-05-02", a publication date): its year.
std::optional<std::int64_t> yearOfDate(std::string_view text)
{
    const auto day = catalogue::readDate(text);
    return day ? std::optional<std::int64_t>(day->year) : std::nullopt;
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
    const auto day = catalogue::readDate(text);
    return day ? std::optional(catalogue::storedDate(*day)) : std::nullopt;
}

ValueRule valueRule(std::string_view column, std::string_view declaredType)
{
    const catalogue::StandardField* field = catalogue::findStandardField(column);
    if (field && field->name == "anno")
        return ValueRule::Year;
    switch (catalogue::fieldKindOf(column, declaredType)) {
    case catalogue::FieldKind::Isbn: return ValueRule::Isbn;
    case catalogue::FieldKind::Integer: return ValueRule::Whole;
    case catalogue::FieldKind::Number: return ValueRule::Decimal;
    case catalogue::FieldKind::YesNo: return ValueRule::YesNo;
    case catalogue::FieldKind::Stars: return ValueRule::Stars;
    case catalogue::FieldKind::Date: return ValueRule::Date;
    case catalogue::FieldKind::Text:
    case catalogue::FieldKind::LongText: break;
    }
    return ValueRule::Text;
}

// A blank value or a rating of 0 is kept as given and reported rather than
// stored as NULL: an import never empties what the source wrote.
StoredValue storedValue(ValueRule rule, const std::string& text)
{
    if (rule == ValueRule::Text)
        return {text, {}};
    const catalogue::ValueReading reading = catalogue::readValue(kindOf(rule), text);
    if (reading.accepted() && !reading.zeroRating && !catalogue::isNull(reading.value)) {
        if (reading.rounded)
            return {reading.value, "voto " + std::string(catalogue::withoutSpaces(text)) + " arrotondato a " +
                                       std::to_string(std::get<std::int64_t>(reading.value))};
        return {reading.value, {}};
    }
    if (rule == ValueRule::Year) {
        if (const auto year = yearOfDate(text))
            return {*year, {}};
    }
    catalogue::ValueReading refused = reading;
    if (rule == ValueRule::Isbn && refused.detail.empty())
        refused.detail = catalogue::isbnProblem(catalogue::readIsbn(text));
    return kept(text, keptReason(rule, refused));
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
