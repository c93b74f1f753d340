// Builds the write-back statements of one updatable result. Values are always bound
// parameters; only identifiers read from the file's own schema are put in the text,
// and those are quoted. Comparisons with the values read use IS (NULL equals NULL)
// and BINARY collation, so a change of letter case by someone else counts as a change.
#include "writeback.h"

#include "engineerror.h"
#include "fieldnames.h"
#include "sqltext.h"

#include <numeric>
#include <sqlite3.h>

namespace catalogue {

namespace {

struct KeyColumn {
    std::string name;
    std::string declaredType;
};

std::vector<KeyColumn> primaryKey(sqlite3* db, const std::string& table)
{
    Statement statement(db, "SELECT name, type FROM pragma_table_info(?1) WHERE pk > 0 ORDER BY pk");
    statement.bind(1, table);
    std::vector<KeyColumn> key;
    while (statement.step()) {
        const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(statement.handle(), 1));
        key.push_back({reinterpret_cast<const char*>(sqlite3_column_text(statement.handle(), 0)), type ? type : ""});
    }
    return key;
}

// Whether the engine assigns the key itself: a key of one column declared exactly
// INTEGER names the table's rowid (an Access counter is converted to one), unless
// the table keeps its key in an index of its own, as it does for INTEGER PRIMARY
// KEY DESC and for a table WITHOUT ROWID.
bool isRowidKey(sqlite3* db, const std::string& table, const std::vector<KeyColumn>& key)
{
    if (key.size() != 1 || sqlite3_stricmp(key.front().declaredType.c_str(), "INTEGER") != 0)
        return false;
    Statement index(db, "SELECT 1 FROM pragma_index_list(?1) WHERE origin = 'pk'");
    index.bind(1, table);
    return !index.step();
}

std::string parameter(int index) { return "?" + std::to_string(index); }

} // namespace

WriteBack::Origins WriteBack::originsOf(sqlite3_stmt* query)
{
    Origins origins;
    const int count = sqlite3_column_count(query);
    if (count == 0)
        origins.reason = "il risultato non ha colonne";
    for (int c = 0; c < count && origins.reason.empty(); ++c) {
        const char* database = sqlite3_column_database_name(query, c);
        const char* table = sqlite3_column_table_name(query, c);
        const char* origin = sqlite3_column_origin_name(query, c);
        if (!database || !table || !origin || std::string(database) != "main") {
            origins.reason = "la colonna «" + std::string(sqlite3_column_name(query, c)) +
                             "» è calcolata e non viene da una tabella";
        } else if (c > 0 && origins.table != table) {
            origins.reason = "le colonne vengono da più di una tabella";
        } else {
            origins.table = table;
            origins.columns.emplace_back(origin);
        }
    }
    return origins;
}

std::unique_ptr<WriteBack> WriteBack::plan(sqlite3* db, const Origins& origins, std::string& reason)
{
    if (!origins.reason.empty()) {
        reason = origins.reason;
        return nullptr;
    }
    const int count = static_cast<int>(origins.columns.size());
    const std::vector<KeyColumn> key = primaryKey(db, origins.table);
    std::vector<int> keyColumns;
    for (const KeyColumn& keyColumn : key) {
        int found = -1;
        for (int c = 0; c < count && found < 0; ++c) {
            if (sameColumnName(origins.columns[c], keyColumn.name))
                found = c;
        }
        if (found < 0) {
            reason = "manca la colonna chiave «" + keyColumn.name + "» della tabella";
            return nullptr;
        }
        keyColumns.push_back(found);
    }
    const int assignedKey = isRowidKey(db, origins.table, key) ? keyColumns.front() : -1;

    std::vector<std::string> quoted;
    for (const std::string& origin : origins.columns)
        quoted.push_back(quotedIdentifier(origin));
    return std::unique_ptr<WriteBack>(
        new WriteBack(quotedIdentifier(origins.table), std::move(quoted), std::move(keyColumns), assignedKey));
}

WriteBack::WriteBack(std::string table, std::vector<std::string> columns, std::vector<int> keyColumns,
                     int assignedKey)
    : m_table(std::move(table)), m_columns(std::move(columns)), m_keyColumns(std::move(keyColumns)),
      m_assignedKey(assignedKey)
{
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        m_columnList += (c ? ", " : "") + m_columns[c];
    m_allColumns.resize(m_columns.size());
    std::iota(m_allColumns.begin(), m_allColumns.end(), 0);
}

std::string WriteBack::unchangedClause(const std::vector<int>& columns, int firstParameter) const
{
    std::string clause;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        clause += (i ? " AND " : "") + m_columns[columns[i]] + " IS " +
                  parameter(firstParameter + static_cast<int>(i)) + " COLLATE BINARY";
    }
    return clause;
}

// Finds the row read: by its key, or, in a table without one, the first row that
// still holds every value read (identical rows cannot be told apart anyway).
std::string WriteBack::matchClause(int firstParameter) const
{
    if (!m_keyColumns.empty())
        return unchangedClause(m_keyColumns, firstParameter);
    return "rowid = (SELECT rowid FROM " + m_table + " WHERE " + unchangedClause(m_allColumns, firstParameter) +
           " LIMIT 1)";
}

void WriteBack::bindMatch(Statement& statement, int firstParameter, const std::vector<Value>& row) const
{
    if (!m_keyColumns.empty()) {
        for (std::size_t i = 0; i < m_keyColumns.size(); ++i)
            statement.bind(firstParameter + static_cast<int>(i), row[m_keyColumns[i]]);
        return;
    }
    bindRow(statement, row, firstParameter);
}

Statement WriteBack::update(sqlite3* db, const std::vector<std::pair<int, Value>>& cells,
                            const std::vector<Value>& row) const
{
    std::string assignments;
    std::vector<int> columns;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        assignments += (i ? ", " : "") + m_columns[cells[i].first] + " = " + parameter(1 + static_cast<int>(i));
        columns.push_back(cells[i].first);
    }
    const int matchParameter = 1 + static_cast<int>(cells.size());
    const int checkParameter =
        matchParameter + static_cast<int>(m_keyColumns.empty() ? row.size() : m_keyColumns.size());
    Statement statement(db, "UPDATE " + m_table + " SET " + assignments + " WHERE " + matchClause(matchParameter) +
                                " AND " + unchangedClause(columns, checkParameter) + " RETURNING " + m_columnList);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        statement.bind(1 + static_cast<int>(i), cells[i].second);
        statement.bind(checkParameter + static_cast<int>(i), row[cells[i].first]);
    }
    bindMatch(statement, matchParameter, row);
    return statement;
}

// Columns not given take the table's defaults, the key the engine assigns among them.
Statement WriteBack::insert(sqlite3* db, const std::vector<std::pair<int, Value>>& cells) const
{
    std::string columns, values;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        columns += (i ? ", " : "") + m_columns[cells[i].first];
        values += (i ? ", " : "") + parameter(1 + static_cast<int>(i));
    }
    const std::string what = cells.empty() ? " DEFAULT VALUES" : " (" + columns + ") VALUES (" + values + ")";
    Statement statement(db, "INSERT INTO " + m_table + what + " RETURNING " + m_columnList);
    for (std::size_t i = 0; i < cells.size(); ++i)
        statement.bind(1 + static_cast<int>(i), cells[i].second);
    return statement;
}

Statement WriteBack::remove(sqlite3* db, const std::vector<Value>& row) const
{
    Statement statement = removal(db);
    bindRow(statement, row);
    return statement;
}

Statement WriteBack::removal(sqlite3* db) const
{
    const std::string where = m_keyColumns.empty() ? matchClause(1) : unchangedClause(m_allColumns, 1);
    return Statement(db, "DELETE FROM " + m_table + " WHERE " + where + " RETURNING 1");
}

void WriteBack::bindRow(Statement& statement, const std::vector<Value>& row, int firstParameter) const
{
    for (std::size_t c = 0; c < row.size(); ++c)
        statement.bind(firstParameter + static_cast<int>(c), row[c]);
}

Statement WriteBack::restoral(sqlite3* db) const
{
    std::string values;
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        values += (c ? ", " : "") + parameter(1 + static_cast<int>(c));
    return Statement(db, "INSERT INTO " + m_table + " (" + m_columnList + ") VALUES (" + values + ") RETURNING " +
                             m_columnList);
}

Statement WriteBack::everyRow(sqlite3* db) const
{
    return Statement(db, "SELECT " + m_columnList + " FROM " + m_table);
}

void WriteBack::empty(sqlite3* db) const
{
    Statement statement(db, "DELETE FROM " + m_table);
    statement.step();
}

std::vector<Value> WriteBack::keyOf(const std::vector<Value>& row) const
{
    if (m_keyColumns.empty())
        return row;
    std::vector<Value> key;
    for (int column : m_keyColumns)
        key.push_back(row[column]);
    return key;
}

bool WriteBack::sameBook(const std::vector<Value>& a, const std::vector<Value>& b) const
{
    if (m_keyColumns.empty())
        return a == b;
    for (int column : m_keyColumns) {
        if (a[column] != b[column])
            return false;
    }
    return true;
}

Statement WriteBack::reload(sqlite3* db, const std::vector<Value>& row) const
{
    Statement statement(db, "SELECT " + m_columnList + " FROM " + m_table + " WHERE " + matchClause(1));
    bindMatch(statement, 1, row);
    return statement;
}

} // namespace catalogue
