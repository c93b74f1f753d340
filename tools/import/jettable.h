#pragma once

#include "codepage.h"
#include "longvalue.h"
#include "mdbhandles.h"
#include "value.h"

#include <cstdint>
#include <string>
#include <vector>

namespace jetimport {

struct JetColumn {
    std::string name;
    int type = 0; ///< libmdb's MDB_* code
    bool autoNumber = false;
    int scale = 0;      ///< digits after the point, for decimal (NUMERIC) columns
    int precision = 0;  ///< most digits in all, for decimal (NUMERIC) columns
};

// A value that could not be carried over as stored: its column and what was done.
// Lost: some of the value is not in the catalogue (the file is damaged there);
// otherwise the value is all there, in another form than the stored one.
struct ValueProblem {
    std::size_t column = 0;
    std::string reason;
    bool lost = false;
};

struct JetRow {
    bool readable = true; ///< false when the row's bytes could not be taken apart
    std::vector<catalogue::Value> values;
    std::vector<ValueProblem> problems;
};

// One user table of a Jet file, read row after row through libmdb.
class JetTable {
public:
    // Reads the table's definition; throws ImportError when libmdb cannot.
    // codePage decodes Jet 3 text and must outlive the table; null for Jet 4.
    JetTable(MdbCatalogEntry* entry, CodePage* codePage);

    const std::string& name() const { return m_name; }
    const std::vector<JetColumn>& columns() const { return m_columns; }
    // The primary key's columns, by position; empty when the table has none.
    const std::vector<std::size_t>& primaryKey() const { return m_primaryKey; }
    // The row count the table's definition records.
    std::uint64_t declaredRows() const { return m_table->num_rows; }

    // The next row, or false at the end.
    bool next(JetRow& row);

private:
    void readColumns();
    void readPrimaryKey();
    catalogue::Value decode(const JetColumn& column, const MdbField& field, ValueProblem& problem);
    catalogue::Value decodeFixed(const JetColumn& column, Bytes bytes, ValueProblem& problem);
    catalogue::Value decodeVariable(const JetColumn& column, Bytes bytes, ValueProblem& problem);
    catalogue::Value text(Bytes bytes, ValueProblem& problem);
    catalogue::Value decimal(const JetColumn& column, Bytes bytes, ValueProblem& problem);
    LongValue longValue(Bytes reference);
    MdbHandle* mdb() const { return m_table->entry->mdb; }

    MdbTableHandle m_table;
    std::string m_name;
    std::vector<JetColumn> m_columns;
    std::vector<std::size_t> m_primaryKey;
    std::vector<MdbField> m_fields;
    CodePage* m_codePage;
};

} // namespace jetimport
