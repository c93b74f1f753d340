#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace catalogue {

// The longest a value quoted in a message is, in characters as the user sees them
// (grapheme clusters), the closing "…" included.
inline constexpr std::size_t quotedCharacters = 80;

// `utf8`, a value of the catalogue, made fit to stand inside a sentence of a
// message: cut to `quotedCharacters` on a character's boundary with "…", its line
// breaks turned to spaces, and set apart with Unicode's isolates (FSI … PDI) with
// any direction marks inside it closed, so that a right-to-left title, or one
// holding an override, reads as it is without turning the words around it.
std::string quotedInMessage(std::string_view utf8);

// How many bytes of `utf8` the first `characters` grapheme clusters take. A cluster
// of more than `longestCluster` code points (a chain of thousands of emoji joined
// by zero-width joiners is one) ends at its last whole emoji, or at the limit.
// Reads only as far as it needs, whatever the length of the text.
std::size_t graphemePrefix(std::string_view utf8, std::size_t characters, bool* whole = nullptr);

inline constexpr std::size_t longestCluster = 32;

} // namespace catalogue
