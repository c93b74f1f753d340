#pragma once

#include "error.h"
#include "handletypes.h"
#include "tablelayout.h"
#include "value.h"

#include <string>
#include <vector>

namespace catalogue {

// A write to a new file that failed: either one table or row the file's rules
// refuse (a name SQLite keeps for itself, a repeated key), after which the rest
// may go on, or the file cannot be written at all. The engine's words travel as
// the error's engine message.
class TableWriteFailure : public Error {
public:
    TableWriteFailure(bool refusesOne, int engineCode, const std::string& engineMessage);
    bool refusesOne() const noexcept { return m_refusesOne; }

private:
    bool m_refusesOne;
};

// A new file filled with tables in one transaction: nothing is in it until
// commit(). One table is filled at a time, its rows through one prepared statement.
class NewTablesFile {
public:
    // Opens (creating if need be) the file at `path`. Throws Error when it cannot.
    explicit NewTablesFile(const std::string& path);

    // Each of these throws TableWriteFailure.
    void begin();
    // Makes the table and readies the insert of its rows.
    void addTable(const TableLayout& layout);
    // One row of the table last added, a value for each of its columns in order.
    void insert(const std::vector<Value>& values);
    void addIndexes(const TableLayout& layout);
    void commit();

    // Closes the file once committed; false when the engine could not.
    bool close();

private:
    void execute(const std::string& sql);
    [[noreturn]] void fail(int resultCode) const;

    DatabaseHandle m_db;
    StatementHandle m_insert;
};

} // namespace catalogue
