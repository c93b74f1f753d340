// The rules between the text a person types or a source holds and the value the
// file keeps, kind by kind. The grid, the card and the import all read through
// them, so `8/12/2026` typed and `8/12/2026` imported store the same day.
#include "valuerules.h"

#include "datetext.h"
#include "isbn.h"
#include "numbertext.h"
#include "textblanks.h"

#include <array>
#include <cmath>

namespace catalogue {

namespace {

constexpr std::string_view fullStar = "\u2605";
constexpr std::string_view emptyStar = "\u2606";

// ASCII letters and the accented capitals of the answers ("SÌ") in lower case.
std::string lowered(std::string_view text)
{
    std::string lower;
    for (const char c : text)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    for (std::size_t at = lower.find("\xC3\x8C"); at != std::string::npos; at = lower.find("\xC3\x8C", at))
        lower.replace(at, 2, "\xC3\xAC");
    return lower;
}

ValueReading taken(Value value)
{
    ValueReading reading;
    reading.value = std::move(value);
    return reading;
}

ValueReading misread(std::string_view text, Misreading problem)
{
    ValueReading reading = taken(std::string(text));
    reading.problem = problem;
    return reading;
}

ValueReading whole(std::string_view text)
{
    const std::optional<Value> number = numberValue(text);
    if (!number)
        return misread(text, Misreading::NotNumber);
    if (!std::holds_alternative<std::int64_t>(*number))
        return misread(text, Misreading::NotWhole);
    return taken(*number);
}

ValueReading number(std::string_view text)
{
    if (std::optional<Value> number = numberValue(text))
        return taken(std::move(*number));
    return misread(text, Misreading::NotNumber);
}

ValueReading date(std::string_view text)
{
    if (const auto day = readDate(text))
        return taken(storedDate(*day));
    return misread(text, Misreading::NotDate);
}

ValueReading yesNo(std::string_view text)
{
    static constexpr std::array<std::string_view, 11> yes{"1", "sì", "si", "s", "x", "vero", "true", "yes", "y",
                                                          "letto", "read"};
    static constexpr std::array<std::string_view, 6> no{"0", "no", "n", "falso", "false", "non letto"};
    const std::string answer = lowered(withoutBlanks(text));
    for (const std::string_view word : yes) {
        if (answer == word)
            return taken(std::int64_t{1});
    }
    for (const std::string_view word : no) {
        if (answer == word)
            return taken(std::int64_t{0});
    }
    return misread(text, Misreading::NotYesNo);
}

// "★★★☆☆" as shownValue writes it: its full stars, when it is made of stars only.
std::optional<std::int64_t> starsShown(std::string_view text)
{
    std::int64_t full = 0;
    while (!text.empty()) {
        if (text.starts_with(fullStar)) {
            ++full;
            text.remove_prefix(fullStar.size());
        } else if (text.starts_with(emptyStar)) {
            text.remove_prefix(emptyStar.size());
        } else {
            return std::nullopt;
        }
    }
    return full;
}

ValueReading rating(std::string_view text)
{
    const std::string_view plain = withoutBlanks(text);
    std::optional<Value> number = numberValue(plain);
    if (!number) {
        if (const auto stars = starsShown(plain))
            number = Value{*stars};
    }
    const auto* stars = number ? std::get_if<std::int64_t>(&*number) : nullptr;
    if (stars && *stars == 0) {
        ValueReading none = taken(Value{});
        none.zeroRating = true;
        return none;
    }
    if (stars && *stars >= 1 && *stars <= 5)
        return taken(*stars);
    const auto* real = number ? std::get_if<double>(&*number) : nullptr;
    if (real && *real >= 1 && *real <= 5) {
        ValueReading rounded = taken(static_cast<std::int64_t>(std::floor(*real + 0.5)));
        rounded.rounded = true;
        return rounded;
    }
    return misread(text, Misreading::NotRating);
}

ValueReading isbn(std::string_view text)
{
    const IsbnReading reading = readIsbn(std::string(text));
    if (reading.valid())
        return taken(reading.isbn13);
    ValueReading refused = misread(text, Misreading::NotIsbn);
    refused.detail = isbnProblem(reading);
    return refused;
}

} // namespace

ValueReading readValue(FieldKind kind, std::string_view text)
{
    if (kind == FieldKind::Text || kind == FieldKind::LongText)
        return taken(std::string(text));
    if (withoutBlanks(text).empty())
        return taken(Value{});
    switch (kind) {
    case FieldKind::Integer: return whole(text);
    case FieldKind::Number: return number(text);
    case FieldKind::Date: return date(text);
    case FieldKind::YesNo: return yesNo(text);
    case FieldKind::Stars: return rating(text);
    case FieldKind::Isbn: return isbn(text);
    case FieldKind::Text:
    case FieldKind::LongText: break;
    }
    return taken(std::string(text));
}

std::optional<std::string> shownValue(FieldKind kind, const Value& value)
{
    if (kind == FieldKind::Date) {
        const auto* text = std::get_if<std::string>(&value);
        if (const auto day = text ? readDate(*text) : std::nullopt; day && isPlainDate(*text))
            return italianDate(*day);
    } else if (kind == FieldKind::Stars) {
        if (const auto stars = ratingOf(value)) {
            std::string shown;
            for (std::int64_t star = 1; star <= 5; ++star)
                shown += star <= *stars ? fullStar : emptyStar;
            return shown;
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> wholeValue(const Value& value)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return *number;
    const auto* real = std::get_if<double>(&value);
    if (real && std::isfinite(*real) && std::abs(*real) < 9e18 && *real == std::trunc(*real))
        return static_cast<std::int64_t>(*real);
    return std::nullopt;
}

std::optional<std::int64_t> ratingOf(const Value& value)
{
    const auto stars = wholeValue(value);
    return stars && *stars >= 1 && *stars <= 5 ? stars : std::nullopt;
}

std::optional<bool> yesNoOf(const Value& value)
{
    const auto number = wholeValue(value);
    if (number == 1)
        return true;
    if (number == 0)
        return false;
    return std::nullopt;
}

} // namespace catalogue
