#pragma once

#include "codepage.h"
#include "jetheader.h"
#include "jettable.h"
#include "mdbhandles.h"

#include <memory>
#include <string>
#include <vector>

namespace jetimport {

// A Jet file opened through libmdb for reading only (its write support is
// incomplete: the source is never opened for writing), and its user tables:
// system tables, queries, forms and linked tables are not data to convert. A file
// with none says why: its tables are links to other files (named), or it is
// protected by a password, or it is empty.
class JetSource {
public:
    // Throws ImportError when libmdb cannot open the file or read its catalogue,
    // or the file has no table of its own.
    JetSource(const std::string& path, const JetHeader& header, const std::string& codePage);

    std::size_t tableCount() const { return m_tables.size(); }
    std::string tableName(std::size_t index) const { return m_tables.at(index)->object_name; }
    // Throws ImportError when the table's definition cannot be read.
    std::unique_ptr<JetTable> openTable(std::size_t index);

private:
    void readCatalogue();
    ImportError noTables(const JetHeader& header);

    std::string m_path;
    std::unique_ptr<CodePage> m_codePage; ///< Jet 3 only
    MdbFileHandle m_mdb;
    std::vector<MdbCatalogEntry*> m_tables; ///< owned by m_mdb
};

} // namespace jetimport
