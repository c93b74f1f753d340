#include "readonlysource.h"

#include "importfailure.h"
#include "opening.h"

namespace bookimport {

catalogue::DatabaseHandle openReadOnlySource(const std::string& path, const std::string& failure)
{
    catalogue::DatabaseHandle db;
    try {
        db = catalogue::openCatalogueFile(path, catalogue::OpenMode::ReadOnly);
    } catch (const catalogue::Error&) {
        refuseSource(failure);
    }
    return db;
}

} // namespace bookimport
