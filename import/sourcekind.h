#pragma once

#include "booksource.h"

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace bookimport {

// An IsbnList is no list of books but of ISBNs to look up: openSource refuses it,
// the callers that look books up read it with readIsbnList.
enum class SourceKind { Delimited, Calibre, Catalogue, TellicoZip, TellicoXml, Gcstar, Access, IsbnList };

struct RecognisedSource {
    SourceKind kind;
    std::string path; ///< a calibre library's folder becomes its metadata.db
};

// What a file is, from its content rather than its name. Throws catalogue::Error,
// in Italian, for a missing file, a spreadsheet's own file (saying how to save it
// as CSV) and anything that is none of the sources the import reads.
RecognisedSource recogniseSource(const std::string& path);

// The books of a recognised source (not Access, which has its own conversion).
// `columns` are the catalogue's; `mapped` pairs columns with headings of a
// delimited file. A database source ends its reading as soon as `stop` (when
// given) is set. Throws catalogue::Error.
std::unique_ptr<BookSource> openSource(const RecognisedSource& source, const std::vector<std::string>& columns,
                                       const std::vector<std::pair<std::string, std::string>>& mapped,
                                       const std::atomic<bool>* stop = nullptr);

} // namespace bookimport
