#pragma once

#include "bookimport.h"

#include <cstddef>
#include <string>
#include <vector>

namespace bookimport {

// A book of the preview: its values as they will be stored, in the preview's
// columns, and what the import does with it.
struct PreviewBook {
    std::string where;               ///< "riga 2"
    std::vector<std::string> values; ///< empty text for no value
    std::string note;                ///< "doppione di …: non aggiunto", a change, a refusal; empty when plainly added
    bool added = false;
};

// What an import into a catalogue will do, found by a trial rolled back: the
// first books as the catalogue will hold them, the duplicates named with the book
// they match.
struct ImportPreview {
    std::string kind;                          ///< "Goodreads", "calibre", "testo delimitato (;)"
    std::vector<std::string> columns;          ///< the catalogue columns the source fills
    std::vector<PreviewBook> books;
    std::vector<std::string> catalogueColumns; ///< every column, the standard ones it lacks included
    std::vector<std::string> headings;         ///< a delimited file's heading line; empty for other sources
    // What must still be chosen before anything can be imported (a delimited file
    // whose headings name no field); empty when the preview shows the books.
    std::string missing;
};

// Throws catalogue::Error, in Italian, as the import would; nothing is written.
// A delimited file whose headings name no field is no failure here: the preview
// has its headings, its first records as they stand under them, and says in
// `missing` that a field must be chosen.
ImportPreview previewImport(const std::string& source, const std::string& catalogue, const ImportOptions& options,
                            std::size_t books = 20);

} // namespace bookimport
