#pragma once

#include "random.h"

#include <cstdint>
#include <string>

struct sqlite3_stmt;

namespace bench {

// Values for the standard fields of generated books, as a collector's catalogue
// holds them: each field is filled in about half the books, drawn anew for every
// book, so which fields hold a value varies from book to book. The loan's two
// fields are the exception: only a book in fifty is out. Numbers are numbers, the
// ISBN its 13 digits with a right check digit, dates AAAA-MM-GG, and one note in
// eight runs to several hundred characters over a few lines.
class BookFieldValues {
public:
    explicit BookFieldValues(std::uint64_t seed) : m_random(seed) {}

    // The columns for an INSERT after the first ones (", anno, editore, …"), and
    // their parameters numbered from `first` (", ?4, ?5, …").
    static std::string columns();
    static std::string parameters(int first);

    // Binds the next book's values to the parameters numbered from `first`, a NULL
    // for each field the book leaves empty.
    void bindNext(sqlite3_stmt* insert, int first);

private:
    bool filled() { return m_random.below(2) == 0; }
    std::string isbn();
    std::string date(int fromYear, int toYear);
    std::string note();

    Random m_random;
};

} // namespace bench
