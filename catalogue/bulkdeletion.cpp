// Deleting many books in one transaction. The books are found by name, column by
// column, so the same code deletes the rows of the result on show and the books the
// undo history kept from a result long gone.
#include "bulkdeletion.h"

#include "engineerror.h"
#include "error.h"
#include "fieldnames.h"
#include "sqltext.h"
#include "transaction.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

std::string parameter(int index) { return "?" + std::to_string(index); }

// Text is bound where it lies in the store: a million books bind without a copy.
void bindCell(Statement& statement, int index, const RowStore& books, std::size_t row, int column)
{
    if (const std::optional<std::string_view> text = books.text(row, column)) {
        sqlite3_bind_text64(statement.handle(), index, text->data(), text->size(), SQLITE_STATIC, SQLITE_UTF8);
        return;
    }
    statement.bind(index, books.value(row, column));
}

void bindCell(sqlite3_stmt* statement, int index, const RowStore::Cell& cell)
{
    int rc = SQLITE_OK;
    switch (cell.kind) {
    case RowStore::Cell::Integer:
        rc = sqlite3_bind_int64(statement, index, cell.integer());
        break;
    case RowStore::Cell::Real:
        rc = sqlite3_bind_double(statement, index, cell.real());
        break;
    case RowStore::Cell::Text:
        rc = sqlite3_bind_text64(statement, index, cell.bytes.data(), cell.bytes.size(), SQLITE_STATIC, SQLITE_UTF8);
        break;
    case RowStore::Cell::Blob:
        rc = sqlite3_bind_blob64(statement, index, cell.bytes.data(), cell.bytes.size(), SQLITE_STATIC);
        break;
    default:
        rc = sqlite3_bind_null(statement, index);
        break;
    }
    if (rc != SQLITE_OK)
        throw engineError(sqlite3_db_handle(statement), rc);
}

// Whether the engine's value is the kept one: the same type (1 and 1.0 differ, as
// kept values do) and the same bytes.
bool sameCell(sqlite3_value* value, const RowStore::Cell& cell)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return cell.kind == RowStore::Cell::Integer && cell.integer() == sqlite3_value_int64(value);
    case SQLITE_FLOAT:
        return cell.kind == RowStore::Cell::Real && cell.real() == sqlite3_value_double(value);
    case SQLITE_TEXT: {
        if (cell.kind != RowStore::Cell::Text)
            return false;
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return cell.bytes == std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)));
    }
    case SQLITE_BLOB: {
        if (cell.kind != RowStore::Cell::Blob)
            return false;
        const auto length = static_cast<std::size_t>(sqlite3_value_bytes(value));
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
        return cell.bytes == std::string_view(length ? bytes : "", length);
    }
    default:
        return cell.kind == RowStore::Cell::Null;
    }
}

} // namespace

BookMatch::BookMatch(sqlite3* db, std::string table, const std::vector<std::string>& kept)
    : m_tableName(table), m_table(quotedIdentifier(table)), m_names(kept), m_quoted(kept.size())
{
    Statement columns(db, "SELECT name, pk FROM pragma_table_info(?1) ORDER BY pk");
    columns.bind(1, table);
    std::vector<std::pair<std::string, int>> keyNames;
    while (columns.step()) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(columns.handle(), 0));
        const int pk = sqlite3_column_int(columns.handle(), 1);
        m_tableHasKey = m_tableHasKey || pk > 0;
        for (std::size_t c = 0; c < kept.size(); ++c) {
            if (m_quoted[c].empty() && sameColumnName(kept[c], name)) {
                m_quoted[c] = quotedIdentifier(name);
                if (pk > 0)
                    m_key.push_back(static_cast<int>(c));
            }
        }
    }
    for (std::size_t c = 0; c < kept.size(); ++c) {
        if (!m_quoted[c].empty())
            m_present.push_back(static_cast<int>(c));
    }
}

std::vector<std::string> BookMatch::missingColumns() const
{
    std::vector<std::string> missing;
    for (std::size_t c = 0; c < m_names.size(); ++c) {
        if (m_quoted[c].empty())
            missing.push_back(m_names[c]);
    }
    return missing;
}

std::string BookMatch::condition(int firstParameter) const
{
    std::string clause;
    for (std::size_t i = 0; i < m_present.size(); ++i) {
        clause += (i ? " AND " : "") + m_quoted[static_cast<std::size_t>(m_present[i])] + " IS " +
                  parameter(firstParameter + static_cast<int>(i)) + " COLLATE BINARY";
    }
    if (clause.empty())
        clause = "0";
    if (m_tableHasKey)
        return clause;
    return "rowid = (SELECT rowid FROM " + m_table + " WHERE " + clause + " LIMIT 1)";
}

void BookMatch::bindBook(Statement& statement, const RowStore& books, std::size_t row, int firstParameter) const
{
    books.readCells(row, m_cells);
    for (std::size_t i = 0; i < m_present.size(); ++i)
        bindCell(statement.handle(), firstParameter + static_cast<int>(i), m_cells[cellOf(i)]);
}

bool BookMatch::keyTaken(sqlite3* db, const RowStore& books, std::size_t row) const
{
    if (!m_tableHasKey || m_key.empty())
        return false;
    std::string clause;
    for (std::size_t i = 0; i < m_key.size(); ++i)
        clause += (i ? " AND " : "") + m_quoted[static_cast<std::size_t>(m_key[i])] + " IS " +
                  parameter(1 + static_cast<int>(i));
    Statement lookup(db, "SELECT 1 FROM " + m_table + " WHERE " + clause);
    for (std::size_t i = 0; i < m_key.size(); ++i)
        bindCell(lookup, 1 + static_cast<int>(i), books, row, m_key[i]);
    return lookup.step();
}

Statement BookMatch::everyRow(sqlite3* db) const
{
    std::string list;
    for (std::size_t i = 0; i < m_present.size(); ++i)
        list += (i ? ", " : "") + m_quoted[static_cast<std::size_t>(m_present[i])];
    return Statement(db, "SELECT rowid" + (list.empty() ? std::string() : ", " + list) + " FROM " + m_table);
}

// Every cell is compared where it lies on both sides, the kept row read once and
// each engine value fetched once: making a value of each cell tripled the time of
// deleting every book of a million, and looking each cell up by column doubled it.
bool BookMatch::sameAs(sqlite3_stmt* scan, const RowStore& books, std::size_t row) const
{
    books.readCells(row, m_cells);
    for (std::size_t i = 0; i < m_present.size(); ++i) {
        if (!sameCell(sqlite3_column_value(scan, static_cast<int>(i) + 1), m_cells[cellOf(i)]))
            return false;
    }
    return true;
}

BulkDeletion::BulkDeletion(sqlite3* db, const BookMatch& match, const RowStore& books)
    : m_db(db), m_match(match), m_books(books)
{
}

// A deletion of most of the table goes in one statement that frees the table's
// pages, with the few books that stay put back after it: deleting 999,999 books of
// a million took 11 s book by book, taking each out of every index. Anything
// else, or any doubt, and the books go one by one, each checked as it goes.
BulkDeletion::Outcome BulkDeletion::run(const std::vector<std::size_t>& rows, const Progress& progress)
{
    const RoomForLargeWrite room(m_db, rows.size());
    Transaction transaction(m_db);
    if (rows.size() > 64) {
        const Survey found = survey(rows, progress);
        if (found.stopped)
            return Outcome::Stopped;
        if (found.everyBookFound && (found.keptRowids.empty() || mayEmptyAndRefill())) {
            const EngineProgress told(m_db, progress, rows.size());
            try {
                emptyKeeping(found.keptRowids);
            } catch (const Error&) {
                if (told.stopped())
                    return Outcome::Stopped;
                throw;
            }
            m_covers = takeCoversOfDeletedBooks(m_db, m_match.tableName());
            transaction.commit();
            return Outcome::Deleted;
        }
    }
    const Outcome outcome = oneByOne(rows, progress);
    if (outcome == Outcome::Deleted) {
        m_covers = takeCoversOfDeletedBooks(m_db, m_match.tableName());
        transaction.commit();
    }
    return outcome;
}

// One statement prepared once and run per book, so that a million books cost a
// million steps and nothing more.
BulkDeletion::Outcome BulkDeletion::oneByOne(const std::vector<std::size_t>& rows, const Progress& progress)
{
    Statement removal(m_db, "DELETE FROM " + m_match.table() + " WHERE " + m_match.condition(1) + " RETURNING 1");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (progress && i % progressEvery == 0 && !progress(i))
            return Outcome::Stopped;
        m_match.bindBook(removal, m_books, rows[i], 1);
        if (!removal.step()) {
            m_refused = rows[i];
            m_gone = !m_match.keyTaken(m_db, m_books, rows[i]);
            return Outcome::Refused;
        }
        removal.step();
        removal.reset();
    }
    return Outcome::Deleted;
}

// One pass over the table: each book to delete must come, as kept, in the order
// given; every other row stays. More than a quarter staying, and the books go one
// by one anyway.
BulkDeletion::Survey BulkDeletion::survey(const std::vector<std::size_t>& rows, const Progress& progress) const
{
    Survey found;
    if (!m_match.missingColumns().empty())
        return found;
    Statement scan = m_match.everyRow(m_db);
    std::size_t at = 0;
    for (std::size_t seen = 0; scan.step(); ++seen) {
        if (progress && seen % progressEvery == 0 && !progress(at)) {
            found.stopped = true;
            return found;
        }
        if (at < rows.size() && m_match.sameAs(scan.handle(), m_books, rows[at]))
            ++at;
        else if (found.keptRowids.size() * 4 < rows.size())
            found.keptRowids.push_back(sqlite3_column_int64(scan.handle(), 0));
        else
            return found;
    }
    found.everyBookFound = at == rows.size();
    return found;
}

// Emptying the table and putting rows back is the same as deleting the others only
// when nothing else reacts to a row deleted or added: no trigger on the table, no
// foreign key enforced, no column computed by the engine.
bool BulkDeletion::mayEmptyAndRefill() const
{
    Statement triggers(m_db, "SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE");
    triggers.bind(1, m_match.tableName());
    Statement foreignKeys(m_db, "PRAGMA foreign_keys");
    Statement computed(m_db, "SELECT 1 FROM pragma_table_xinfo(?1) WHERE hidden <> 0");
    computed.bind(1, m_match.tableName());
    return !triggers.step() && !(foreignKeys.step() && sqlite3_column_int(foreignKeys.handle(), 0)) &&
           !computed.step();
}

// The rows that stay wait in a temporary table, with their rowids, while the table
// is emptied; they go back as they were.
void BulkDeletion::emptyKeeping(const std::vector<long long>& rowids)
{
    const std::string& table = m_match.table();
    if (!rowids.empty()) {
        execute(m_db, "DROP TABLE IF EXISTS temp.dorvi_kept_rowids");
        execute(m_db, "DROP TABLE IF EXISTS temp.dorvi_kept_rows");
        execute(m_db, "CREATE TEMP TABLE dorvi_kept_rowids (id INTEGER PRIMARY KEY)");
        Statement keep(m_db, "INSERT INTO temp.dorvi_kept_rowids VALUES (?1)");
        for (long long rowid : rowids) {
            keep.bind(1, Value(std::int64_t(rowid)));
            keep.step();
            keep.reset();
        }
        Statement(m_db, "CREATE TEMP TABLE dorvi_kept_rows AS SELECT rowid AS dorvi_kept_rowid, * FROM main." +
                            table + " WHERE rowid IN (SELECT id FROM temp.dorvi_kept_rowids)")
            .step();
    }
    {
        const FreedPagesLeft quick(m_db);
        Statement(m_db, "DELETE FROM main." + table).step();
    }
    if (rowids.empty())
        return;
    std::string columns;
    Statement names(m_db, "SELECT name FROM pragma_table_info(?1)");
    names.bind(1, m_match.tableName());
    while (names.step())
        columns += ", " + quotedIdentifier(reinterpret_cast<const char*>(sqlite3_column_text(names.handle(), 0)));
    Statement(m_db, "INSERT INTO main." + table + " (rowid" + columns + ") SELECT dorvi_kept_rowid" + columns +
                        " FROM temp.dorvi_kept_rows")
        .step();
    execute(m_db, "DROP TABLE temp.dorvi_kept_rows");
    execute(m_db, "DROP TABLE temp.dorvi_kept_rowids");
}

} // namespace catalogue
