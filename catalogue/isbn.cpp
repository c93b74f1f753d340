// The ISBN rule: any typed form read to its 13 digits, a wrong check digit told
// with the digit that would make it right, never corrected silently.
#include "isbn.h"

#include <algorithm>

namespace catalogue {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isSeparator(char c) { return c == '-' || c == ' ' || c == '\t'; }

// "ISBN", "ISBN:", "ISBN-13:", "isbn10 " at the front, as labels and shops print it.
std::string_view withoutLabel(std::string_view text)
{
    while (!text.empty() && isSeparator(text.front()))
        text.remove_prefix(1);
    if (text.size() < 4)
        return text;
    for (std::size_t i = 0; i < 4; ++i) {
        if ((text[i] | 0x20) != "isbn"[i])
            return text;
    }
    text.remove_prefix(4);
    std::size_t skip = 0;
    while (skip < text.size() && isSeparator(text[skip]))
        ++skip;
    const std::string_view rest = text.substr(skip);
    for (std::string_view kind : {"10", "13"}) {
        if (rest.size() > 2 && rest.substr(0, 2) == kind && (rest[2] == ':' || isSeparator(rest[2]))) {
            text = rest.substr(2);
            skip = 0;
            break;
        }
    }
    if (skip < text.size() && text[skip] == ':')
        ++skip;
    return text.substr(skip);
}

char isbn10CheckDigit(std::string_view nine)
{
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += (nine[i] - '0') * (10 - i);
    const int check = (11 - sum % 11) % 11;
    return check == 10 ? 'X' : static_cast<char>('0' + check);
}

char isbn13CheckDigit(std::string_view twelve)
{
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (twelve[i] - '0') * (i % 2 == 0 ? 1 : 3);
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

IsbnReading checked(std::string digits, char right)
{
    IsbnReading reading;
    const char given = digits.back() == 'x' ? 'X' : digits.back();
    if (given != right) {
        reading.status = IsbnReading::Status::WrongCheckDigit;
        reading.rightCheckDigit = right;
        return reading;
    }
    reading.status = IsbnReading::Status::Valid;
    if (digits.size() == 10) {
        digits = "978" + digits.substr(0, 9);
        digits += isbn13CheckDigit(digits);
    }
    reading.isbn13 = std::move(digits);
    return reading;
}

} // namespace

IsbnReading readIsbn(std::string_view typed)
{
    std::string digits;
    for (char c : withoutLabel(typed)) {
        if (isSeparator(c))
            continue;
        const bool last10 = digits.size() == 9 && (c == 'X' || c == 'x');
        if (!isDigit(c) && !last10)
            return {};
        if (digits.size() == 13)
            return {};
        digits += c;
    }
    if (digits.size() == 10) {
        const char right = isbn10CheckDigit(digits);
        return checked(std::move(digits), right);
    }
    // Thirteen digits are an ISBN only with the book prefixes; anything else
    // (an EAN of another article) is not one. An X belongs to ISBN-10s only.
    if (digits.size() == 13 && (digits.starts_with("978") || digits.starts_with("979")) &&
        digits.find_first_of("Xx") == std::string::npos) {
        const char right = isbn13CheckDigit(digits);
        return checked(std::move(digits), right);
    }
    return {};
}

std::string isbnProblem(const IsbnReading& reading)
{
    switch (reading.status) {
    case IsbnReading::Status::Valid:
        return {};
    case IsbnReading::Status::WrongCheckDigit:
        return std::string("ISBN non valido: la cifra di controllo dovrebbe essere ") + reading.rightCheckDigit;
    case IsbnReading::Status::NotAnIsbn:
        break;
    }
    return "non è un ISBN (servono 10 o 13 cifre)";
}

bool isIsbnColumn(std::string_view column)
{
    return column.size() == 4 && std::equal(column.begin(), column.end(), "isbn", [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b;
           });
}

IsbnEntry isbnEntry(std::string_view typed)
{
    const IsbnReading reading = readIsbn(typed);
    if (reading.valid())
        return {reading.isbn13, {}};
    if (reading.status != IsbnReading::Status::WrongCheckDigit)
        return {std::string(typed), {}};
    return {std::string(typed), "«" + std::string(typed) + "» non è un ISBN valido: la cifra di controllo dovrebbe "
                                "essere " + reading.rightCheckDigit + ".\nConservarlo così come è scritto?"};
}

} // namespace catalogue
