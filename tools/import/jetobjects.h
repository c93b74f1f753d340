#pragma once

#include "codepage.h"
#include "importerror.h"
#include "mdbhandles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jetimport {

// One entry of MSysObjects, the list a Jet file keeps of its own objects.
struct JetObject {
    std::string name;
    std::int64_t type = 0;
    std::string database; ///< the linked file, for a table linked to another Jet or ISAM file
    std::string connect;  ///< the link's connection text ("ODBC;DSN=...", "Excel 8.0;DATABASE=...")
};

// MSysObjects, read through the same decoders as the user tables. Throws
// ImportError when it cannot be read. codePage decodes Jet 3 text (null for Jet 4).
std::vector<JetObject> readJetObjects(MdbHandle* mdb, CodePage* codePage);

// A table kept in another file: linked to a Jet or ISAM file (MSysObjects type 6)
// or to an ODBC source (type 4).
bool isLinkedTable(const JetObject& object);

// What a linked table's data is in, as the user would look for it: the linked
// file, the connection's DATABASE= part, or the whole connection text.
std::string linkTarget(const JetObject& object);

// The message for a file whose tables are all linked: it names each linked file
// once, with its tables, so the user converts those instead. Precondition: some
// object is a linked table.
ImportError onlyLinkedTables(const std::string& path, const std::vector<JetObject>& objects);

} // namespace jetimport
