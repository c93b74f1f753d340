#pragma once

#include "importreport.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace bookimport {

struct ImportOptions {
    bool keepDuplicates = false; ///< add duplicates anyway (--anche-doppioni)
    std::vector<std::pair<std::string, std::string>> fieldMap; ///< column, heading (--campo)
    // Called with the catalogue's path once the source has been read far enough
    // to be known good, just before anything is written: the safety copy goes
    // here. Whatever it throws stops the import with nothing written.
    std::function<void(const std::string& catalogue)> beforeWriting;
};

// Adds the books of `source` to the catalogue at `catalogue`: the standard
// columns it lacks first, then the books, all in one transaction, so a failure
// anywhere (a damaged source, a full disk, another program's lock) leaves the
// catalogue exactly as it was. Throws catalogue::Error, in Italian, for every
// failure; nothing is written then.
ImportReport importIntoCatalogue(const std::string& source, const std::string& catalogue,
                                 const ImportOptions& options);

// The same into a new catalogue at `target`, a file that does not exist or is
// empty: the starter's table with every standard field, indexes made after the
// books. The caller writes to a temporary file and puts it in place.
ImportReport importIntoNewCatalogue(const std::string& source, const std::string& target,
                                    const ImportOptions& options);

// The statements that make a new catalogue's empty table and its indexes.
std::string newCatalogueTable();
std::string newCatalogueIndexes();

} // namespace bookimport
