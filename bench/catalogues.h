#pragma once

#include <string>

namespace bench {

// Catalogues of realistic books for measuring, made on first use and kept under
// the build folder. Each lives alone in a folder as dorvi.mdb, because the window
// always opens the catalogue beside the program.
//
// The rows are deterministic: the same count always gives the same file, so runs
// on different days measure the same data.
struct Catalogue {
    std::string folder;
    std::string path; ///< folder + "/dorvi.mdb"
    int rows = 0;
};

// The catalogue of `rows` books, made now if missing or made by an older generator.
// Throws std::runtime_error when it cannot be made.
const Catalogue& catalogue(int rows);

// The same books with every standard field holding realistic values, each field in
// about half the books, varying from book to book (see BookFieldValues). Kept in a
// folder of its own, so the benchmarks on the catalogue above keep their figures.
const Catalogue& filledCatalogue(int rows);

// A fresh copy of the catalogue of `rows` books that benchmarks may change; made
// anew once per run, so writes never leak into the read benchmarks.
const Catalogue& scratchCatalogue(int rows);

// A copy of the 100,000-book catalogue with huge titles: a megabyte each for books
// 1 to 5 and the last five (on the first and the last screen), and 700,000 emoji
// joined by zero-width joiners for book `hugeEmojiBook`. Made anew once per run.
constexpr int hugeTitlesRows = 100'000;
constexpr int hugeEmojiBook = 60;
constexpr int hugeEmojiCount = 700'000;
const Catalogue& hugeTitlesCatalogue();

// Values certain to be in every generated catalogue (they are those of its middle
// row), and values certain not to be. The author holds an apostrophe and an accent.
struct SearchValues {
    std::string author, title, genre;
};
SearchValues presentValues(int rows);
SearchValues absentValues();

// Three authors with exactly one book in 5000 each, every other one of them spelled
// in capitals: the answers in capitals that find them all. The first is plain
// ASCII; the second holds an accented capital, the third begins with one.
struct CapitalsAnswers {
    std::string ascii, accented, accentFirst;
};
CapitalsAnswers capitalsAnswers();

} // namespace bench
