#pragma once

#include "booksource.h"
#include "importreport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace bookimport {

struct ImportOptions {
    bool keepDuplicates = false; ///< add duplicates anyway (--anche-doppioni)
    std::vector<std::pair<std::string, std::string>> fieldMap; ///< column, heading (--campo)
    // Called with the catalogue's path once the source has been read far enough
    // to be known good, just before anything is written: the safety copy goes
    // here. Whatever it throws stops the import with nothing written.
    std::function<void(const std::string& catalogue)> beforeWriting;
    // Told every thousand books read, for a progress; whatever it throws stops
    // the import with nothing written (the user's Annulla).
    std::function<void(std::uint64_t read)> progress;
    // Called inside the transaction once every book is written, just before the
    // commit, with the catalogue's connection and the largest rowid `dorvi` had
    // before the first book: the books added are those after it (the window keeps
    // them for its undo). Whatever it throws stops the import with nothing written.
    std::function<void(sqlite3* db, std::int64_t lastRowBefore)> beforeCommit;
    // Keep in the report the loans' lines the import writes (see loanLines).
    bool keepLoanLines = false;
    // Set by another thread (the window's Annulla) to end the reading of the
    // source at once, however long one book would still take: the import then
    // throws the error of readingStopped() with nothing written.
    const std::atomic<bool>* stop = nullptr;
};

// Told after each book of a trial import has been written, skipped or refused,
// inside its transaction; returning false ends the trial there.
using BookWatch = std::function<bool(sqlite3* db, const BookSource& source, const SourceBook& book,
                                     const ImportReport& report)>;

// Adds the books of `source` to the catalogue at `catalogue`: the standard
// columns it lacks first, then the books, all in one transaction, so a failure
// anywhere (a damaged source, a full disk, another program's lock) leaves the
// catalogue exactly as it was. Throws catalogue::Error, in Italian, for every
// failure; nothing is written then.
ImportReport importIntoCatalogue(const std::string& source, const std::string& catalogue,
                                 const ImportOptions& options);

// The import of `source` into `catalogue` as importIntoCatalogue would make it,
// `watch` told of each book, and then everything rolled back: the file is left
// as it was. Used for a preview of what will be stored.
ImportReport tryImport(const std::string& source, const std::string& catalogue, const ImportOptions& options,
                       const BookWatch& watch);

// The same into a new catalogue at `target`, a file that does not exist or is
// empty: the starter's table with every standard field, indexes made after the
// books. The caller writes to a temporary file and puts it in place.
ImportReport importIntoNewCatalogue(const std::string& source, const std::string& target,
                                    const ImportOptions& options);

// The columns the catalogue at `catalogue` will have once an import has added
// the standard ones it lacks. Throws catalogue::Error.
std::vector<std::string> columnsAfterImport(const std::string& catalogue);

// The statements that make a new catalogue's empty table and its indexes.
std::string newCatalogueTable();
std::string newCatalogueIndexes();

} // namespace bookimport
