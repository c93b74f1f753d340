#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bookimport {

// One line of a list of ISBNs, as written there.
struct IsbnLine {
    std::size_t line = 0; ///< counted from 1
    std::string typed;    ///< trimmed
};

// The most ISBNs one list may hold: each is looked up in the services at their
// pace, about a second each, and a larger file is no list a person made.
inline constexpr std::size_t maxListedIsbns = 10'000;

// Whether a text file's beginning is a list of ISBNs: its first line that is not
// blank reads as an ISBN-10 or ISBN-13 (hyphens and spaces allowed, its check
// digit right or not). A CSV file's heading never does.
bool beginsAsIsbnList(std::string_view text);

// The ISBNs of the list at `path`, one a line, blank lines left out, each as
// written (its faults are judged by whoever looks it up). Throws catalogue::Error,
// in Italian, for a file that cannot be read, holds no ISBN or too many.
std::vector<IsbnLine> readIsbnList(const std::string& path);

} // namespace bookimport
