// The result set of one statement. It keeps its connection alive as long as it
// lives; it is open once `open` has fetched every row, and then holds them all in a
// RowStore. The file is touched again only by the three write operations, each in
// a transaction of its own that ends before the operation returns: no lock stays
// on the file between two of the user's actions.
#include "recordset.h"

#include "booklabel.h"
#include "bulkdeletion.h"
#include "coverhistory.h"
#include "engineerror.h"
#include "exactsearch.h"
#include "history.h"
#include "statement.h"
#include "transaction.h"
#include "writeback.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <map>
#include <numeric>
#include <sqlite3.h>

namespace catalogue {

namespace {

// True when only white space, semicolons or comments follow the first statement.
bool isOneStatement(sqlite3* db, const char* tail)
{
    sqlite3_stmt* next = nullptr;
    const int rc = sqlite3_prepare_v2(db, tail, -1, &next, nullptr);
    StatementHandle owned(next);
    return rc == SQLITE_OK && next == nullptr;
}

// Beyond this many runs of neighbouring rows, a view is told of one change of every
// row instead: each run costs it a pass over all its rows (about 2 ms at a million).
constexpr std::size_t maxRunsTold = 8;

// Runs of neighbours in `rows` (ascending): the index where each run begins.
std::vector<std::size_t> runStarts(const std::vector<std::size_t>& rows)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == 0 || rows[i] != rows[i - 1] + 1)
            starts.push_back(i);
    }
    return starts;
}

} // namespace

void Recordset::asWrite(const std::function<void()>& write)
{
    try {
        write();
    } catch (const Error& failure) {
        if (failure.engineCode() == 0 || !m_connection || !m_connection->isOpen())
            throw;
        throw writeError(failure, sqlite3_system_errno(m_connection->handle()), m_connection->connectionString());
    }
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::open()
{
    if (!m_connection || !m_connection->isOpen())
        throw Error(ErrorNumber::NotOpen, "Il risultato non ha una connessione aperta al catalogo.");
    sqlite3* db = m_connection->handle();

    // The window's exact searches compare letters by the old engine's rule, which
    // the file's collation does not know: they run as a statement of their own.
    // One the column cannot take (not text, or missing) runs as written, so the
    // engine names what is wrong.
    std::optional<BoundSearch> search;
    if (m_search)
        search = planExactSearch(db, *m_search);
    const std::string& sql = search ? search->sql : m_source;

    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1, &raw, &tail);
    StatementHandle query(raw);
    if (rc != SQLITE_OK)
        throw engineError(db, rc);
    for (std::size_t i = 0; search && i < search->values.size(); ++i) {
        const std::string& value = search->values[i];
        const int bound = sqlite3_bind_text64(query.get(), static_cast<int>(i) + 1, value.data(), value.size(),
                                              SQLITE_STATIC, SQLITE_UTF8);
        if (bound != SQLITE_OK)
            throw engineError(db, bound);
    }
    if (!query || !isOneStatement(db, tail)) {
        throw Error(ErrorNumber::StatementRefused,
                    "L'istruzione deve essere un solo comando select: «" + m_source + "».");
    }
    if (!sqlite3_stmt_readonly(query.get())) {
        throw Error(ErrorNumber::StatementRefused,
                    "Si possono eseguire solo istruzioni che leggono il catalogo: «" + m_source + "».");
    }

    const int columns = sqlite3_column_count(query.get());
    std::vector<std::string> names;
    std::vector<Affinity> affinities;
    std::vector<std::string> declaredTypes;
    for (int c = 0; c < columns; ++c) {
        names.emplace_back(sqlite3_column_name(query.get(), c));
        const char* declared = sqlite3_column_decltype(query.get(), c);
        affinities.push_back(affinityOf(declared ? declared : ""));
        declaredTypes.emplace_back(declared ? declared : "");
    }
    WriteBack::Origins origins = WriteBack::originsOf(query.get());
    if (m_lockType == LockType::ReadOnly || m_lockType == LockType::Unspecified)
        origins.reason = "il risultato è stato aperto in sola lettura";

    auto rows = std::make_unique<RowStore>(columns);
    for (int step = sqlite3_step(query.get()); step != SQLITE_DONE; step = sqlite3_step(query.get())) {
        if (step != SQLITE_ROW)
            throw engineError(db, step);
        rows->append(query.get());
    }

    m_columnNames = std::move(names);
    m_affinities = std::move(affinities);
    m_declaredTypes = std::move(declaredTypes);
    m_origins = std::move(origins);
    m_planned = false;
    m_writeBack.reset();
    m_rows = std::move(rows);
}

bool Recordset::eof() const
{
    return rowCount() == 0;
}

std::size_t Recordset::rowCount() const
{
    if (!m_rows)
        throw Error(ErrorNumber::NotOpen, "Il risultato non è aperto.");
    return m_rows->size();
}

int Recordset::columnCount() const
{
    return static_cast<int>(m_columnNames.size());
}

Value Recordset::value(std::size_t row, int column) const
{
    return m_rows->value(row, column);
}

std::vector<Value> Recordset::rowValues(std::size_t row) const
{
    return m_rows->rowValues(row);
}

std::size_t Recordset::bytesHeld() const
{
    return m_rows ? m_rows->bytesHeld() : 0;
}

const WriteBack* Recordset::writeBack() const
{
    if (!m_planned && isOpen()) {
        m_writeBack = WriteBack::plan(m_connection->handle(), m_origins, m_notUpdatableReason);
        m_planned = true;
    }
    return m_writeBack.get();
}

const std::string& Recordset::notUpdatableReason() const
{
    writeBack();
    return m_notUpdatableReason;
}

sqlite3* Recordset::writableDatabase() const
{
    if (!writeBack()) {
        throw Error(ErrorNumber::NotUpdatable,
                    "Questo risultato non si può modificare: " + m_notUpdatableReason + ".");
    }
    sqlite3* db = m_connection->handle();
    m_connection->prepareForWriting();
    return db;
}

void Recordset::update(std::size_t row, const Cells& cells, const std::function<void(sqlite3*)>& besides)
{
    assert(!cells.empty());
    asWrite([&] {
        sqlite3* db = writableDatabase();
        const std::vector<Value> read = rowValues(row);
        Transaction transaction(db);
        Statement statement = m_writeBack->update(db, cells, read);
        if (!statement.step())
            reloadAfterConflict(db, row, read);
        const RowStore::Packed written = m_rows->pack(statement.handle());
        statement.step();
        if (besides)
            besides(db);
        transaction.commit();
        const RowStore::Packed before = m_rows->packed(row);
        m_rows->replace(row, written);
        std::vector<int> columns;
        for (const auto& cell : cells)
            columns.push_back(cell.first);
        if (m_history)
            m_history->recordEdit(*this, std::move(columns), before, written, row);
        if (m_observer)
            m_observer->rowChanged(row);
    });
}

std::size_t Recordset::addNew(const NewBook& cells)
{
    std::size_t added = 0;
    asWrite([&] {
        sqlite3* db = writableDatabase();
        Transaction transaction(db);
        Statement statement = m_writeBack->insert(db, cells);
        if (!statement.step())
            throw Error(ErrorNumber::Generic, "Il catalogo non ha restituito il libro appena aggiunto.");
        const RowStore::Packed written = m_rows->pack(statement.handle());
        statement.step();
        transaction.commit();
        const std::size_t row = m_rows->size();
        if (m_observer)
            m_observer->rowAboutToBeAppended(row);
        m_rows->append(written);
        if (m_history)
            m_history->recordAddition(*this, written, row);
        if (m_observer)
            m_observer->rowAppended(row);
        added = row;
    });
    return added;
}

bool Recordset::remove(const std::vector<std::size_t>& rows, const Progress& progress)
{
    bool removed = false;
    asWrite([&] {
        assert(std::is_sorted(rows.begin(), rows.end()));
        sqlite3* db = writableDatabase();
        const BookMatch match(db, m_origins.table, m_origins.columns);
        BulkDeletion deletion(db, match, *m_rows);
        const BulkDeletion::Outcome outcome = deletion.run(rows, progress);
        if (outcome == BulkDeletion::Outcome::Stopped)
            return;
        if (outcome == BulkDeletion::Outcome::Refused) {
            refuseDeletion(db, bookLabel(m_columnNames, m_rows->rowValues(deletion.refusedRow())),
                           deletion.refusedBookGone(), rows);
        }
        // The packed bytes outlive the rows: the store never frees them.
        std::vector<RowStore::Packed> packed;
        packed.reserve(rows.size());
        for (std::size_t row : rows)
            packed.push_back(m_rows->packed(row));
        if (m_history)
            recordDeletion(packed, rows, std::move(deletion.takenCovers()));
        dropRows(rows);
        removed = true;
    });
    return removed;
}

// The covers taken go back after the books, and go again before them: a book put
// back under a key another book took meanwhile is refused, and no cover of that
// other book is touched.
void Recordset::recordDeletion(const std::vector<RowStore::Packed>& packed, const std::vector<std::size_t>& rows,
                               std::vector<Cover> covers)
{
    if (covers.empty()) {
        m_history->recordDeletion(*this, *m_rows, packed, rows);
        return;
    }
    const std::size_t mark = m_history->mark();
    std::vector<CoverChange> changes;
    for (Cover& cover : covers)
        changes.push_back(CoverChange{cover.book, std::move(cover), std::nullopt});
    m_history->recordStep(coverStep(m_connection->connectionString(), std::move(changes), "copertine"));
    m_history->recordDeletion(*this, *m_rows, packed, rows);
    m_history->joinSince(mark, m_history->undoText(), nullptr);
}

// Nothing was deleted: every row concerned shows the file again, and the user is
// told which book stopped the deletion.
void Recordset::refuseDeletion(sqlite3* db, const std::string& book, bool gone,
                               const std::vector<std::size_t>& shown)
{
    std::vector<std::size_t> goneRows;
    for (std::size_t row : shown) {
        Statement current = m_writeBack->reload(db, m_rows->rowValues(row));
        if (current.step()) {
            m_rows->replace(row, m_rows->pack(current.handle()));
            if (m_observer)
                m_observer->rowChanged(row);
        } else {
            goneRows.push_back(row);
        }
    }
    dropRows(goneRows);
    const std::string& label = book;
    const std::string what = gone ? "eliminato" : "modificato";
    throw Error(gone ? ErrorNumber::RowGone : ErrorNumber::RowChanged,
                "Un altro programma ha " + what + " il libro " + label +
                    " dopo che era stato letto: non è stato eliminato nessun libro. Le righe mostrano ora ciò "
                    "che il catalogo contiene.");
}

void Recordset::dropRows(const std::vector<std::size_t>& rows)
{
    if (rows.empty())
        return;
    const std::vector<std::size_t> starts = runStarts(rows);
    if (starts.size() > maxRunsTold || !m_observer) {
        if (m_observer)
            m_observer->rowsAboutToBeRearranged();
        m_rows->erase(rows);
        if (m_observer)
            m_observer->rowsRearranged();
        return;
    }
    // From the last run up, so the runs still to go keep their numbers.
    for (std::size_t r = starts.size(); r-- > 0;) {
        const std::size_t begin = starts[r];
        const std::size_t end = r + 1 < starts.size() ? starts[r + 1] : rows.size();
        const std::size_t first = rows[begin], last = rows[end - 1];
        m_observer->rowsAboutToBeRemoved(first, last);
        std::vector<std::size_t> run(rows.begin() + static_cast<std::ptrdiff_t>(begin),
                                     rows.begin() + static_cast<std::ptrdiff_t>(end));
        m_rows->erase(run);
        m_observer->rowsRemoved(first, last);
    }
}

void Recordset::placeRows(const std::vector<std::size_t>& positions, const std::vector<RowStore::Packed>& rows)
{
    if (rows.empty())
        return;
    const std::vector<std::size_t> starts = runStarts(positions);
    if (starts.size() > maxRunsTold || !m_observer) {
        if (m_observer)
            m_observer->rowsAboutToBeRearranged();
        m_rows->insert(positions, rows);
        if (m_observer)
            m_observer->rowsRearranged();
        return;
    }
    for (std::size_t r = 0; r < starts.size(); ++r) {
        const auto begin = static_cast<std::ptrdiff_t>(starts[r]);
        const auto end = static_cast<std::ptrdiff_t>(r + 1 < starts.size() ? starts[r + 1] : rows.size());
        const std::size_t first = positions[starts[r]], last = positions[static_cast<std::size_t>(end) - 1];
        m_observer->rowsAboutToBeInserted(first, last);
        m_rows->insert({positions.begin() + begin, positions.begin() + end}, {rows.begin() + begin, rows.begin() + end});
        m_observer->rowsInserted(first, last);
    }
}

// The row in the file is not the row read: show what the file holds now and say so.
void Recordset::reloadAfterConflict(sqlite3* db, std::size_t row, const std::vector<Value>& read)
{
    Statement current = m_writeBack->reload(db, read);
    if (current.step()) {
        m_rows->replace(row, m_rows->pack(current.handle()));
        if (m_observer)
            m_observer->rowChanged(row);
        throw Error(ErrorNumber::RowChanged,
                    "Un altro programma ha modificato questo libro dopo che era stato letto: la modifica "
                    "non è stata scritta. La riga mostra ora ciò che il catalogo contiene.");
    }
    dropRows({row});
    throw Error(ErrorNumber::RowGone,
                "Un altro programma ha eliminato questo libro dopo che era stato letto: la modifica "
                "non è stata scritta e la riga è stata tolta dalla griglia.");
}

} // namespace catalogue
