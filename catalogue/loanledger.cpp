// The rows of `prestiti` a loan or a return changed, as they were and as they
// became, so Annulla and Ripeti write the loans' table back whole.
#include "loanledger.h"

#include "connection.h"
#include "statement.h"
#include "transaction.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

bool hasLedger(sqlite3* db)
{
    Statement table(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'prestiti' COLLATE NOCASE");
    return table.step();
}

void writeRow(sqlite3* db, std::int64_t id, const std::optional<std::vector<Value>>& row)
{
    if (!row) {
        Statement gone(db, "DELETE FROM prestiti WHERE id = ?");
        gone.bind(1, id);
        gone.step();
        return;
    }
    Statement put(db, "INSERT OR REPLACE INTO prestiti (id, iddorvo, a, dal, al) VALUES (?, ?, ?, ?, ?)");
    put.bind(1, id);
    for (std::size_t column = 0; column < row->size(); ++column)
        put.bind(static_cast<int>(column) + 2, (*row)[column]);
    put.writeRows();
}

class LedgerStep : public History::Step {
public:
    LedgerStep(std::string path, LedgerChanges changes) : m_path(std::move(path)), m_changes(std::move(changes)) {}
    std::string text() const override { return "registro dei prestiti"; }
    std::size_t books() const override { return 0; }
    bool undo(Recordset&, const std::function<bool(std::size_t)>&) override
    {
        write([](const LedgerRow& row) -> const auto& { return row.before; }, true);
        return true;
    }
    bool redo(Recordset&, const std::function<bool(std::size_t)>&) override
    {
        write([](const LedgerRow& row) -> const auto& { return row.after; }, false);
        return true;
    }

private:
    template <typename State>
    void write(State state, bool backwards)
    {
        Connection connection = Connection::openedForWriting(m_path);
        sqlite3* db = connection.handle();
        if (!hasLedger(db))
            return;
        Transaction transaction(connection);
        for (std::size_t at = 0; at < m_changes.size(); ++at) {
            const LedgerRow& row = m_changes[backwards ? m_changes.size() - 1 - at : at];
            writeRow(db, row.id, state(row));
        }
        transaction.commit();
    }

    std::string m_path;
    LedgerChanges m_changes;
};

} // namespace

std::vector<std::pair<std::int64_t, std::vector<Value>>> ledgerRows(sqlite3* db, const char* condition,
                                                                    std::int64_t book)
{
    std::vector<std::pair<std::int64_t, std::vector<Value>>> rows;
    Statement statement(db, std::string("SELECT id, iddorvo, a, dal, al FROM prestiti WHERE ") + condition);
    statement.bind(1, book);
    while (statement.step()) {
        std::vector<Value> row;
        for (int column = 1; column <= 4; ++column)
            row.push_back(columnValue(statement.handle(), column));
        rows.emplace_back(sqlite3_column_int64(statement.handle(), 0), std::move(row));
    }
    return rows;
}

std::unique_ptr<History::Step> ledgerStep(std::string path, LedgerChanges changes)
{
    return std::make_unique<LedgerStep>(std::move(path), std::move(changes));
}

} // namespace catalogue
