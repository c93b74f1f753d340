// The undo history's writes. Each is one transaction of its own, all or nothing.
// A deletion taken back places the very rows the history kept into the result
// shown when that result has the recorded columns, so taking a million books back
// and forth never copies them (the result keeps the history's blocks alive).
#include "historyreplay.h"

#include "booklabel.h"
#include "bulkdeletion.h"
#include "error.h"
#include "fieldnames.h"
#include "recordset.h"
#include "sqltext.h"
#include "transaction.h"

#include <algorithm>
#include <map>
#include <sqlite3.h>

namespace catalogue {

namespace {

std::string quoted(const std::string& text) { return "«" + text + "»"; }

// Many books put back into a table that holds fewer: its indexes are set aside and
// made again from the whole table afterwards, sorted once, instead of placing each
// book in every index (999,999 books back beside one: 18 s book by book, against
// 8 s of sorting). All inside the one transaction, so the file never shows the
// table without them; indexes the engine made for a constraint of the table stay
// and are kept book by book.
class IndexesMadeAfter {
public:
    IndexesMadeAfter(sqlite3* db, const BookMatch& match, std::size_t books) : m_db(db)
    {
        constexpr std::size_t worthIt = 50'000;
        if (books < worthIt || holdsAtLeast(db, match, books))
            return;
        Statement indexes(db, "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 "
                              "COLLATE NOCASE AND sql IS NOT NULL");
        indexes.bind(1, match.tableName());
        std::vector<std::string> names;
        while (indexes.step()) {
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(indexes.handle(), 0)));
            m_definitions.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(indexes.handle(), 1)));
        }
        for (const std::string& name : names)
            Statement(db, "DROP INDEX main." + quotedIdentifier(name)).step();
    }
    void make()
    {
        for (const std::string& definition : m_definitions)
            Statement(m_db, definition).step();
    }

private:
    static bool holdsAtLeast(sqlite3* db, const BookMatch& match, std::size_t books)
    {
        Statement count(db, "SELECT count(*) FROM (SELECT 1 FROM " + match.table() + " LIMIT ?1)");
        count.bind(1, Value(static_cast<std::int64_t>(books)));
        return count.step() && static_cast<std::size_t>(sqlite3_column_int64(count.handle(), 0)) >= books;
    }

    sqlite3* m_db;
    std::vector<std::string> m_definitions;
};

} // namespace

HistoryReplay::HistoryReplay(Recordset& shown, const std::vector<std::string>& recorded)
    : m_shown(shown), m_recorded(recorded)
{
    const std::vector<std::string>& names = shown.columnNames();
    m_sameColumns = names.size() == recorded.size();
    for (std::size_t c = 0; c < recorded.size(); ++c) {
        int found = -1;
        for (std::size_t s = 0; s < names.size() && found < 0; ++s) {
            if (sameColumnName(names[s], recorded[c]))
                found = static_cast<int>(s);
        }
        m_shownColumn.push_back(found);
        m_sameColumns = m_sameColumns && found == static_cast<int>(c);
    }
}

std::string HistoryReplay::label(const RowStore& rows, std::size_t row) const
{
    return bookLabel(m_recorded, rows.rowValues(row));
}

std::string HistoryReplay::shownColumnList() const
{
    std::string list;
    for (std::size_t c = 0; c < m_shown.m_origins.columns.size(); ++c)
        list += (c ? ", " : "") + quotedIdentifier(m_shown.m_origins.columns[c]);
    return list;
}

// A column the change writes, or one holding a value of a book to put back, must
// still be in the table; any other lost column is simply no longer compared.
void HistoryReplay::refuseMissing(const BookMatch& match, const RowStore& rows, const std::vector<int>& needed) const
{
    for (int column : needed) {
        if (!match.columnOf(column).empty())
            continue;
        bool holdsValue = false;
        for (std::size_t row = 0; row < rows.size() && !holdsValue; ++row)
            holdsValue = !isNull(rows.value(row, column));
        if (holdsValue) {
            throw Error(ErrorNumber::ColumnMissing,
                        "Un altro programma ha tolto dal catalogo la colonna " +
                            quoted(m_recorded[static_cast<std::size_t>(column)]) +
                            ", che questa modifica riguarda: non si può annullare né ripetere. Le altre modifiche "
                            "restano disponibili.");
        }
    }
}

bool HistoryReplay::sameBook(const BookMatch& match, std::size_t shownRow, const RowStore& rows, std::size_t row) const
{
    const RowStore& shown = *m_shown.m_rows;
    std::vector<int> columns = match.key();
    if (columns.empty()) {
        for (std::size_t c = 0; c < m_recorded.size(); ++c)
            columns.push_back(static_cast<int>(c));
    }
    for (int column : columns) {
        const int at = m_shownColumn[static_cast<std::size_t>(column)];
        if (at < 0 || shown.value(shownRow, at) != rows.value(row, column))
            return false;
    }
    return true;
}

std::optional<std::size_t> HistoryReplay::shownRow(const BookMatch& match, const RowStore& rows, std::size_t row,
                                                   std::size_t hint) const
{
    const std::size_t count = m_shown.rowCount();
    if (hint < count && sameBook(match, hint, rows, row))
        return hint;
    for (std::size_t at = 0; at < count; ++at) {
        if (sameBook(match, at, rows, row))
            return at;
    }
    return std::nullopt;
}

// The rows shown that hold the books of `rows`, ascending. Each is looked for at its
// hint first; the rest are found through one pass over the rows shown.
std::vector<std::size_t> HistoryReplay::shownRows(const BookMatch& match, const RowStore& rows,
                                                  const std::vector<std::size_t>& hints) const
{
    const std::size_t count = m_shown.rowCount();
    std::vector<std::size_t> found;
    std::vector<std::size_t> missed;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t hint = i < hints.size() ? hints[i] : count;
        if (hint < count && sameBook(match, hint, rows, i))
            found.push_back(hint);
        else
            missed.push_back(i);
    }
    if (!missed.empty()) {
        std::vector<int> key = match.key();
        if (key.empty()) {
            for (std::size_t c = 0; c < m_recorded.size(); ++c)
                key.push_back(static_cast<int>(c));
        }
        const auto keyOf = [&](const auto& value) {
            std::vector<Value> values;
            for (int column : key)
                values.push_back(value(column));
            return values;
        };
        std::map<std::vector<Value>, int> wanted;
        for (std::size_t i : missed)
            wanted.emplace(keyOf([&](int column) { return rows.value(i, column); }), 0);
        const bool shownHasKey = std::all_of(key.begin(), key.end(), [&](int c) { return m_shownColumn[c] >= 0; });
        for (std::size_t at = 0; shownHasKey && at < count; ++at) {
            const auto shownKey =
                keyOf([&](int column) { return m_shown.m_rows->value(at, m_shownColumn[static_cast<std::size_t>(column)]); });
            if (wanted.count(shownKey))
                found.push_back(at);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

void HistoryReplay::rewriteCells(const RowStore& rows, std::size_t from, std::size_t to,
                                 const std::vector<int>& columns, std::size_t hint)
{
    m_shown.asWrite([&] {
        sqlite3* db = m_shown.writableDatabase();
        const BookMatch match(db, m_shown.m_origins.table, m_recorded);
        refuseMissing(match, rows, columns);
        const std::optional<std::size_t> shown = shownRow(match, rows, from, hint);
        Transaction transaction(db);
        std::string assignments;
        for (std::size_t i = 0; i < columns.size(); ++i)
            assignments += (i ? ", " : "") + match.columnOf(columns[i]) + " = ?" + std::to_string(i + 1);
        const int firstMatch = static_cast<int>(columns.size()) + 1;
        Statement statement(db, "UPDATE " + match.table() + " SET " + assignments + " WHERE " +
                                    match.condition(firstMatch) + " RETURNING " + shownColumnList());
        for (std::size_t i = 0; i < columns.size(); ++i)
            statement.bind(static_cast<int>(i) + 1, rows.value(to, columns[i]));
        match.bindBook(statement, rows, from, firstMatch);
        if (!statement.step()) {
            const bool gone = !match.keyTaken(db, rows, from);
            const Error named(gone ? ErrorNumber::RowGone : ErrorNumber::RowChanged,
                              "Un altro programma ha " + std::string(gone ? "eliminato" : "modificato") + " il libro " +
                                  label(rows, from) + " dopo che era stato letto: la modifica non è stata scritta.");
            // The row shown takes what the file holds; the message is this one,
            // naming the book, since an undo concerns a book the cursor may not be on.
            if (shown) {
                try {
                    m_shown.reloadAfterConflict(db, *shown, m_shown.rowValues(*shown));
                } catch (const Error& reloaded) {
                    if (reloaded.number() != ErrorNumber::RowChanged && reloaded.number() != ErrorNumber::RowGone)
                        throw;
                }
            }
            throw named;
        }
        const RowStore::Packed written = m_shown.m_rows->pack(statement.handle());
        statement.step();
        transaction.commit();
        if (shown) {
            m_shown.m_rows->replace(*shown, written);
            if (m_shown.m_observer)
                m_shown.m_observer->rowChanged(*shown);
        }
    });
}

bool HistoryReplay::restoreBooks(const RowStore& rows, const std::vector<std::size_t>& positions,
                                 const Progress& progress)
{
    bool restored = false;
    m_shown.asWrite([&] {
        sqlite3* db = m_shown.writableDatabase();
        const BookMatch match(db, m_shown.m_origins.table, m_recorded);
        std::vector<int> every(m_recorded.size());
        for (std::size_t c = 0; c < every.size(); ++c)
            every[c] = static_cast<int>(c);
        refuseMissing(match, rows, every);
        // The very rows kept go back on show when the columns are those recorded;
        // otherwise each comes back from the file in the columns shown.
        const bool placeKept = m_sameColumns && match.missingColumns().empty();
        std::string columns, values;
        int parameter = 0;
        for (std::size_t c = 0; c < m_recorded.size(); ++c) {
            if (match.columnOf(static_cast<int>(c)).empty())
                continue;
            columns += (parameter ? ", " : "") + match.columnOf(static_cast<int>(c));
            values += (parameter ? ", ?" : "?") + std::to_string(parameter + 1);
            ++parameter;
        }
        std::vector<RowStore::Packed> written;
        written.reserve(rows.size());
        {
            const RoomForLargeWrite room(db, rows.size());
            Transaction transaction(db);
            IndexesMadeAfter indexes(db, match, rows.size());
            Statement insert(db, "INSERT INTO " + match.table() + " (" + columns + ") VALUES (" + values + ")" +
                                     (placeKept ? std::string() : " RETURNING " + shownColumnList()));
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (progress && i % progressEvery == 0 && !progress(i))
                    return;
                match.bindBook(insert, rows, i, 1);
                try {
                    if (insert.step()) {
                        written.push_back(m_shown.m_rows->pack(insert.handle()));
                        insert.step();
                    } else {
                        written.push_back(rows.packed(i));
                    }
                } catch (const Error& error) {
                    if (error.engineCode() != SQLITE_CONSTRAINT_PRIMARYKEY)
                        throw;
                    throw Error(ErrorNumber::DuplicateKey,
                                "Un altro programma ha scritto nel catalogo un libro con la stessa chiave di " +
                                    label(rows, i) + ": non è stato rimesso nessun libro.");
                }
                // Another program's trigger may leave the book out without an error.
                if (rowsChanged(db) != 1)
                    throw Error(ErrorNumber::NotUpdatable,
                                "Una regola del catalogo (trigger di un altro programma) ha scartato il libro " +
                                    label(rows, i) + ": non è stato rimesso nessun libro.");
                insert.reset();
            }
            const EngineProgress told(db, progress, rows.size());
            try {
                indexes.make();
            } catch (const Error&) {
                if (told.stopped())
                    return;
                throw;
            }
            transaction.commit();
        }
        if (placeKept)
            m_shown.m_rows->keepBlocksOf(rows);
        // Each book goes back where it was, as far as the rows shown still allow.
        const std::size_t count = m_shown.rowCount();
        std::vector<std::size_t> placed(positions.begin(), positions.end());
        placed.resize(written.size(), count + written.size());
        for (std::size_t i = 0; i < placed.size(); ++i) {
            const std::size_t lowest = i == 0 ? 0 : placed[i - 1] + 1;
            placed[i] = std::min(std::max(placed[i], lowest), count + i);
        }
        m_shown.placeRows(placed, written);
        restored = true;
    });
    return restored;
}

bool HistoryReplay::removeBooks(const RowStore& rows, const std::vector<std::size_t>& hints, const Progress& progress)
{
    bool removed = false;
    m_shown.asWrite([&] {
        sqlite3* db = m_shown.writableDatabase();
        const BookMatch match(db, m_shown.m_origins.table, m_recorded);
        std::vector<std::size_t> books(rows.size());
        for (std::size_t i = 0; i < books.size(); ++i)
            books[i] = i;
        BulkDeletion deletion(db, match, rows);
        const BulkDeletion::Outcome outcome = deletion.run(books, progress);
        if (outcome == BulkDeletion::Outcome::Stopped)
            return;
        const std::vector<std::size_t> shown = shownRows(match, rows, hints);
        if (outcome == BulkDeletion::Outcome::Refused)
            m_shown.refuseDeletion(db, label(rows, deletion.refusedRow()), deletion.refusedBookGone(), shown);
        m_shown.dropRows(shown);
        removed = true;
    });
    return removed;
}

} // namespace catalogue
