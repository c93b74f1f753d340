#pragma once

#include <string>
#include <string_view>

namespace catalogue {

// What a typed ISBN turned out to be.
struct IsbnReading {
    enum class Status {
        Valid,          ///< isbn13 holds the 13 digits of its ISBN-13
        WrongCheckDigit, ///< the shape of an ISBN whose last character is wrong
        NotAnIsbn,      ///< neither ten nor thirteen digits in the shape of one
    };
    Status status = Status::NotAnIsbn;
    std::string isbn13;
    // For WrongCheckDigit: the last character that would make the value right,
    // in the form typed ('X' is possible for an ISBN-10).
    char rightCheckDigit = 0;

    bool valid() const { return status == Status::Valid; }
};

// Reads an ISBN-10 or ISBN-13 typed with or without hyphens and spaces
// ("88-04-12345-0", "978 88 07 90007 5"), a leading "ISBN", "ISBN-10:" or
// "ISBN-13:" allowed; an ISBN-10 is converted to its ISBN-13 (978 prefix).
IsbnReading readIsbn(std::string_view typed);

// The Italian reason a value is not stored as an ISBN-13, for messages and
// reports: "la cifra di controllo dovrebbe essere 0".
std::string isbnProblem(const IsbnReading& reading);

// Whether `column` is the standard field of ISBNs (letter case ignored).
bool isIsbnColumn(std::string_view column);

// What becomes of a value typed into the ISBN field, in the grid or the card: an
// ISBN-10 or ISBN-13 in any of its forms is stored as the 13 digits of its ISBN-13;
// one whose check digit is wrong is stored only once the user agrees, exactly as
// typed (`question` asks, naming the right digit); anything else is stored as typed.
struct IsbnEntry {
    std::string stored;   ///< what to write when the user is not asked, or agrees
    std::string question; ///< empty when there is nothing to ask
};
IsbnEntry isbnEntry(std::string_view typed);

} // namespace catalogue
