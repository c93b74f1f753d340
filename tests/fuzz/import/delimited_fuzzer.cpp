// Fuzzes the reading of a CSV or TSV file, from the delimiter's guess and the
// quoted fields to the heading's layout (Goodreads, LibraryThing, our own
// export) and every value's cleaning: any input is books or a refusal in
// Italian, each book with one value or none per column, all in UTF-8 (a file in
// Windows-1252 is converted, one mixing the two refused).
#include "delimitedsource.h"
#include "fuzzfile.h"
#include "standardfields.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::string> catalogueColumns()
{
    std::vector<std::string> columns{"iddorvo", "autore", "titolo", "genere"};
    for (const catalogue::StandardField& field : catalogue::standardFields)
        columns.emplace_back(field.name);
    return columns;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<std::string> columns = catalogueColumns();
    const std::string path = fuzzfile::write({reinterpret_cast<const char*>(data), size}, ".csv");
    try {
        bookimport::DelimitedSource source(path, columns, {});
        // A byte of Windows-1252 is up to 3 of UTF-8 ('‰' is E2 80 B0), and a
        // value joined from two fields (the authors, the notes) adds its separators.
        fuzzfile::readAll(source, 6 * size + 64, true);
    } catch (const catalogue::Error&) {
    }
    return 0;
}
