#pragma once

#include "importerror.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jetimport {

struct TableReport {
    std::string name;
    std::uint64_t declared = 0; ///< rows the table's definition records
    std::uint64_t read = 0;
    std::uint64_t written = 0;
    std::string error; ///< why the table, or part of it, could not be converted
};

// A value written other than as stored, or a row not written.
struct ValueChange {
    std::string table;
    std::string column; ///< empty for a whole row
    std::uint64_t row = 0; ///< counted from 1, in the order the rows were read
    std::string key;       ///< "ID = 17" when the table has a one-column key
    std::string reason;
    bool lost = false; ///< part of the data is not in the catalogue
};

// What a conversion did, table by table; or the error that stopped it.
struct ImportReport {
    std::vector<TableReport> tables;
    std::vector<ValueChange> changes;
    std::optional<ImportError> failure;

    // Every row of every table read and written, and no value lost: the
    // catalogue may take the target's place, even when some values are there in
    // another form than the stored one.
    bool complete() const;
    ExitCode exitCode() const;
};

// The report as text and back, for the trip from the process that reads the
// source to the one that answers the user.
std::string serialize(const ImportReport& report);
ImportReport deserialize(const std::string& text);

} // namespace jetimport

namespace jetimport {

// For the user: a line per table with the rows read and written, then every
// value changed and every row not written, by table and column.
std::string summaryText(const ImportReport& report);

} // namespace jetimport
