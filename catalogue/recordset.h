#pragma once

#include "fieldschema.h"

#include "connection.h"
#include "exactsearch.h"
#include "rowstore.h"
#include "value.h"
#include "writeback.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace catalogue {

enum class LockType { Unspecified = -1, ReadOnly = 1, Pessimistic = 2, Optimistic = 3, BatchOptimistic = 4 };
enum class CursorLocation { Server = 2, Client = 3 };

class History;
struct Cover;

// Told of every change a write makes to the rows held, so a view stays in step.
// Rows leave and come back in runs of neighbours, first to last; a change in many
// runs at once is told as one change of every row, since a view pays a pass over
// all its rows for each run.
class RecordsetObserver {
public:
    virtual ~RecordsetObserver() = default;
    virtual void rowChanged(std::size_t row) = 0;
    virtual void rowAboutToBeAppended(std::size_t row) = 0;
    virtual void rowAppended(std::size_t row) = 0;
    virtual void rowsAboutToBeRemoved(std::size_t first, std::size_t last) = 0;
    virtual void rowsRemoved(std::size_t first, std::size_t last) = 0;
    virtual void rowsAboutToBeInserted(std::size_t first, std::size_t last) = 0;
    virtual void rowsInserted(std::size_t first, std::size_t last) = 0;
    virtual void rowsAboutToBeRearranged() = 0;
    virtual void rowsRearranged() = 0;
};

// A client-side result set: the whole result of one statement, held in memory, and
// written back to its table one change at a time with an optimistic check.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void setLockType(LockType lockType) { m_lockType = lockType; }
    void setCursorLocation(CursorLocation location) { m_cursorLocation = location; }
    void setSource(std::string source) { m_source = std::move(source); }
    void setActiveConnection(std::shared_ptr<Connection> connection) { m_connection = std::move(connection); }
    // The source is one of the window's exact searches: `open` runs it under the
    // old engine's letter rule, on the column's index. Without it the source runs
    // as it is written; no statement text is ever read back into a search.
    void setSearch(ExactSearch search) { m_search = std::move(search); }
    const std::optional<ExactSearch>& search() const { return m_search; }

    // Runs the source on the active connection and fetches every row; no statement
    // stays open on the file afterwards. Throws Error when the connection is not
    // open, or the engine refuses the statement or fails while reading.
    void open();
    bool isOpen() const { return m_rows != nullptr; }
    // True exactly when the result has no rows. Throws Error when not open.
    bool eof() const;

    std::size_t rowCount() const;
    int columnCount() const;
    const std::string& columnName(int column) const { return m_columnNames.at(static_cast<std::size_t>(column)); }
    Affinity columnAffinity(int column) const { return m_affinities.at(static_cast<std::size_t>(column)); }
    // The type the column was declared with ("INTEGER", "DATE"); empty for a computed column.
    const std::string& columnDeclaredType(int column) const { return m_declaredTypes.at(static_cast<std::size_t>(column)); }
    Value value(std::size_t row, int column) const;
    // A text cell without copying it, valid until the row changes; null for other cells.
    std::optional<std::string_view> text(std::size_t row, int column) const { return m_rows->text(row, column); }
    bool holdsBlob(std::size_t row, int column) const { return m_rows->holdsBlob(row, column); }
    std::vector<Value> rowValues(std::size_t row) const;
    const std::vector<std::string>& columnNames() const { return m_columnNames; }
    std::size_t bytesHeld() const;

    // Whether rows can be changed at all; the reason in words when not.
    bool isUpdatable() const { return writeBack() != nullptr; }
    const std::string& notUpdatableReason() const;

    // Each change is written in its own short transaction, and the row held takes
    // the values the file holds afterwards. Each throws Error when the result or
    // the file cannot be changed, when the engine refuses the value, or when the
    // row in the file is no longer the row read: then nothing is written, the row
    // is reloaded (or, if gone, dropped) and the observer is told.
    void update(std::size_t row, int column, const Value& value) { update(row, Cells{{column, value}}); }
    // Several cells of one row in one statement, and `besides` (may be empty) run
    // on the same connection inside the same transaction: a loan's name, its date
    // and its line in the loans' table are written all or none. One step of
    // Annulla takes the cells back together.
    using Cells = std::vector<std::pair<int, Value>>;
    void update(std::size_t row, const Cells& cells, const std::function<void(sqlite3*)>& besides = {});
    // A new book, written as one insert: each result column given and its value;
    // the others take the table's defaults. Returns the new row's index.
    using NewBook = Cells;
    std::size_t addNew(const NewBook& cells);
    std::size_t addNew(int column, const Value& value) { return addNew(NewBook{{column, value}}); }
    // Whether `column` holds a key the engine assigns (a rowid), shown but never
    // typed; false too for a result that cannot be changed.
    bool isAssignedKey(int column) const { return writeBack() && m_writeBack->assignedKeyColumn() == column; }
    // Called now and then during a long write with the rows done; false stops it.
    using Progress = std::function<bool(std::size_t done)>;
    // Deletes the books on `rows` (ascending, no repeats) in one transaction: all or
    // none. Returns false, with nothing deleted, when `progress` stops it. When one
    // of the books is no longer as read, the error names it, nothing is deleted and
    // every row given shows what the file holds.
    bool remove(const std::vector<std::size_t>& rows, const Progress& progress = {});
    void remove(std::size_t row) { remove(std::vector<std::size_t>{row}); }

    // Every write above is recorded in `history`, once it is in the file. The
    // history's own writes (HistoryReplay) are recorded nowhere.
    void setHistory(std::shared_ptr<History> history) { m_history = std::move(history); }

    void setObserver(RecordsetObserver* observer) { m_observer = observer; }

private:
    friend class HistoryReplay;

    const WriteBack* writeBack() const;
    sqlite3* writableDatabase() const;
    // Runs one write; an engine failure leaves it as a message naming the cause.
    void asWrite(const std::function<void()>& write);
    [[noreturn]] void reloadAfterConflict(sqlite3* db, std::size_t row, const std::vector<Value>& read);
    [[noreturn]] void refuseDeletion(sqlite3* db, const std::string& book, bool gone,
                                     const std::vector<std::size_t>& shown);
    void dropRows(const std::vector<std::size_t>& rows);
    void recordDeletion(const std::vector<RowStore::Packed>& packed, const std::vector<std::size_t>& rows,
                        std::vector<Cover> covers);
    void placeRows(const std::vector<std::size_t>& positions, const std::vector<RowStore::Packed>& rows);

    LockType m_lockType = LockType::Unspecified;
    CursorLocation m_cursorLocation = CursorLocation::Server;
    std::string m_source;
    std::optional<ExactSearch> m_search;
    std::shared_ptr<Connection> m_connection;
    std::unique_ptr<RowStore> m_rows; ///< null until open
    std::vector<std::string> m_columnNames;
    std::vector<Affinity> m_affinities;
    std::vector<std::string> m_declaredTypes;
    WriteBack::Origins m_origins;
    // Planned at the first write or question, so a listing never pays for it.
    mutable bool m_planned = false;
    mutable std::unique_ptr<WriteBack> m_writeBack; ///< null when the result is read-only
    mutable std::string m_notUpdatableReason;
    RecordsetObserver* m_observer = nullptr;
    std::shared_ptr<History> m_history;
};

} // namespace catalogue
