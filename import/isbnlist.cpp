// A list of ISBNs, one a line, as a source of books to look up: told apart from
// other text files by its first line, read whole (it is short by nature).
#include "isbnlist.h"

#include "importfailure.h"
#include "isbn.h"

#include <fstream>

namespace bookimport {

namespace {

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool readsAsIsbn(std::string_view line)
{
    return catalogue::readIsbn(line).status != catalogue::IsbnReading::Status::NotAnIsbn;
}

} // namespace

bool beginsAsIsbnList(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        // A first line longer than the beginning given is no ISBN.
        if (end == std::string_view::npos && text.size() > 64)
            return false;
        const std::string_view line = trimmed(text.substr(0, end));
        if (!line.empty())
            return readsAsIsbn(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return false;
}

std::vector<IsbnLine> readIsbnList(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        refuseSource("Impossibile leggere il file " + quoted(path) + ".");
    std::vector<IsbnLine> lines;
    std::string text;
    for (std::size_t number = 1; std::getline(in, text); ++number) {
        std::string_view line = text;
        if (number == 1 && line.starts_with("\xEF\xBB\xBF"))
            line.remove_prefix(3);
        line = trimmed(line);
        if (line.empty())
            continue;
        if (lines.size() == maxListedIsbns)
            refuseSource("Il file " + quoted(path) + " elenca più di " + std::to_string(maxListedIsbns) +
                         " ISBN: dividerlo in elenchi più brevi.");
        lines.push_back(IsbnLine{number, std::string(line)});
    }
    if (in.bad())
        refuseSource("Impossibile leggere il file " + quoted(path) + ".");
    if (lines.empty())
        refuseSource("In " + quoted(path) + " non c'è nessun ISBN da cercare.");
    return lines;
}

} // namespace bookimport
