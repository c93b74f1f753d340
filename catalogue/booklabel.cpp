// The words a question or an error uses for one book, so that the user can tell
// which book is meant without looking for it in the grid. Titles and authors are
// quoted as quotedInMessage makes them: short, and unable to turn the sentence.
#include "booklabel.h"

#include "fieldnames.h"
#include "messagetext.h"

#include <algorithm>
#include <cstdio>

namespace catalogue {

namespace {

std::string plainText(const Value& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return std::to_string(*integer);
    if (const auto* real = std::get_if<double>(&value)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", *real);
        return buffer;
    }
    return {};
}

std::string column(const std::vector<std::string>& names, const std::vector<Value>& row, const char* name)
{
    for (std::size_t c = 0; c < names.size() && c < row.size(); ++c) {
        if (sameColumnName(names[c], name))
            return plainText(row[c]);
    }
    return {};
}

} // namespace

std::string bookTitle(const std::vector<std::string>& columnNames, const std::vector<Value>& row)
{
    const std::string title = column(columnNames, row, "titolo");
    if (!title.empty())
        return "«" + quotedInMessage(title) + "»";
    if (column(columnNames, row, "autore").empty())
        return "«n. " + quotedInMessage(row.empty() ? std::string() : plainText(row.front())) + "»";
    return "«senza titolo»";
}

std::string bookLabel(const std::vector<std::string>& columnNames, const std::vector<Value>& row)
{
    const std::string author = column(columnNames, row, "autore");
    const std::string title = bookTitle(columnNames, row);
    return author.empty() ? title : title + " di " + quotedInMessage(author);
}

std::string bookLabelAndNumber(const std::vector<std::string>& columnNames, const std::vector<Value>& row)
{
    const std::string number = column(columnNames, row, "iddorvo");
    const std::string label = bookLabel(columnNames, row);
    if (number.empty())
        return label;
    const bool digits = std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
    return label + ", n. " + (digits ? number : quotedInMessage(number));
}

} // namespace catalogue
