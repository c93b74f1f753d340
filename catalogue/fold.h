#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

// The one place where the program decides which letters count as the same. Both
// folds turn text into a key: two texts match under a rule exactly when their keys
// are equal byte for byte. Bytes that are not valid UTF-8 stay as they are, one by
// one, so a damaged value still matches itself and nothing else.

// Jet's rule for "=": letter case ignored for every letter, accents kept (È = è,
// e ≠ è). Unicode's simple case folding, one code point for one; no normalization,
// so a letter stored with a combining accent stays apart from its composed form.
std::string foldCase(std::string_view utf8);

// The quick filter's rule: letter case and accents both ignored ("niccolo" =
// "Niccolò"). Marks go, compatibility forms become their plain letters (ﬁ → fi),
// and letters with a stroke or ligatures meet their plain spelling (ø → o,
// ł → l, æ → ae, ß → ss).
std::string foldCaseAndAccents(std::string_view utf8);
// The same key appended to `out`, so a caller folding many values reuses one buffer.
void appendFoldCaseAndAccents(std::string& out, std::string_view utf8);

// The quick filter's key: the fold above with apostrophes, hyphens and dots left
// out, so "dannunzio" finds "D'Annunzio", "jrr" finds "J.R.R." and "pierpaolo"
// finds "Pier-Paolo". The typographic forms count too (’ ʼ ‘, ‐ – —, ·).
std::string filterFold(std::string_view utf8);
void appendFilterFold(std::string& out, std::string_view utf8);

// The apostrophes a text may be typed with: the plain one, the grave accent typed
// for it, the typeset ’ and ‘, and the modifier letter ʼ. The filter leaves them
// out; the duplicate rule reads them as one, to find a leading "L'" or "Un'".
bool isApostrophe(char32_t c);
// The fold of case and accents (appendFoldCaseAndAccents) with every apostrophe
// written as the plain one.
void appendFoldWithPlainApostrophes(std::string& out, std::string_view utf8);

// The case fold of one code point.
char32_t foldCase(char32_t c);

// Every code point whose case fold equals that of `c`, `c` among them, in
// ascending order: "k" gives k, K and the Kelvin sign.
std::vector<char32_t> caseVariants(char32_t c);

// One code point read from UTF-8: its value and how many bytes it took. A byte
// that does not begin a valid sequence reads as itself alone, with valid false.
struct Utf8Char {
    char32_t value;
    std::size_t length;
    bool valid;
};
// Reads the code point beginning at `at`, which must be inside `text`.
Utf8Char readUtf8(std::string_view text, std::size_t at);
// Appends `c`, a code point of Unicode's range, encoded in UTF-8.
void appendUtf8(std::string& out, char32_t c);

} // namespace catalogue
