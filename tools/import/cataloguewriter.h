#pragma once

#include "newtablesfile.h"
#include "schema.h"
#include "value.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace jetimport {

// A table or row the catalogue refused (a name SQLite keeps for itself, a repeated
// key); the rest of the conversion goes on.
class Refused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes a new catalogue file in one transaction: nothing is in it until commit().
class CatalogueWriter {
public:
    // Opens (creating if need be) the file at path. Throws ImportError
    // (ExitCode::TargetUnwritable) when SQLite cannot.
    explicit CatalogueWriter(const std::string& path);

    // Creates the table and readies its insert. Throws Refused when SQLite
    // refuses the table, ImportError when the file cannot be written at all.
    void addTable(const TableSchema& schema);
    // Throws Refused for a row the table's rules refuse, ImportError when the
    // file cannot be written at all.
    void insert(const std::vector<catalogue::Value>& values);
    // The indexes are made after the rows, which is quicker than keeping them up.
    void addIndexes(const TableSchema& schema);
    void commit();

private:
    // Runs `write`, telling its failure as Refused or ImportError.
    template <typename Write>
    void guarded(Write&& write);

    std::string m_path;
    catalogue::NewTablesFile m_file;
};

} // namespace jetimport
