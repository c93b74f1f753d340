#pragma once

#include "value.h"

#include <string>
#include <vector>

namespace catalogue {

// How a message names one book: «Titolo» di Autore, from the columns of those
// names (letter case aside). Without an author it is «Titolo»; without a title
// «senza titolo»; with neither, «n. » and its first column. Each value is quoted
// as quotedInMessage makes it: at most about 80 characters, in Unicode isolates.
std::string bookLabel(const std::vector<std::string>& columnNames, const std::vector<Value>& row);
// The label and the book's number, when the columns hold it: «Titolo» di Autore,
// n. 12. For a book that must be found again by hand.
std::string bookLabelAndNumber(const std::vector<std::string>& columnNames, const std::vector<Value>& row);
// The same without the author: «Titolo».
std::string bookTitle(const std::vector<std::string>& columnNames, const std::vector<Value>& row);

} // namespace catalogue
