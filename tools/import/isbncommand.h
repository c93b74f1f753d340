#pragma once

#include "commandline.h"

#include <string>

namespace jetimport {

// Whether the source is a list of ISBNs to look up rather than a list of books.
bool isIsbnList(const std::string& path);

// `dorvi-import --aggiungi ISBN.txt CATALOGO`: each ISBN of the list looked up in
// the bibliographic services and the books found added with their covers, one at
// a time, after one safety copy; duplicates by the import's rule. Prints the
// report and returns the exit status: 0, 1 when an ISBN was not found, had a
// wrong check digit or could not be looked up (each is named), 2 when nothing
// was written.
int addIsbnList(const CommandLine& line);

} // namespace jetimport
