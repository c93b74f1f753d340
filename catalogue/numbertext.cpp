// Numbers written as text. One reading for the grid, the card and the import, so
// a value the import keeps as no number is also one the grid refuses, and the
// decimal comma reads the same everywhere.
#include "numbertext.h"

#include "textblanks.h"
#include <charconv>
#include <cmath>

namespace catalogue {

namespace {

// from_chars takes no '+': one before a digit or a point is dropped, so "+-5"
// stays no number.
std::string_view withoutPlus(std::string_view text)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    return text;
}

std::optional<std::int64_t> whole(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A comma is the decimal point only when the text has no point: "1.234,5" mixes
// the two ways of writing thousands and is read as no number rather than guessed.
std::optional<double> decimal(std::string_view text)
{
    std::string dotted(text);
    if (dotted.find('.') == std::string::npos) {
        if (const auto comma = dotted.find(','); comma != std::string::npos)
            dotted[comma] = '.';
    }
    double value = 0;
    const auto [end, error] = std::from_chars(dotted.data(), dotted.data() + dotted.size(), value);
    if (dotted.empty() || error != std::errc() || end != dotted.data() + dotted.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<Value> numberValue(std::string_view text)
{
    const std::string_view plain = withoutPlus(withoutBlanks(text));
    if (const auto integer = whole(plain))
        return Value{*integer};
    if (const auto real = decimal(plain))
        return Value{*real};
    return std::nullopt;
}

std::string numberRefusal(std::string_view typed)
{
    return "«" + std::string(typed) + "» non è un numero: scrivere solo cifre, con la virgola per i decimali, "
                                      "per esempio 1840 o 12,50.";
}

} // namespace catalogue
