// The result set of one statement. It keeps its connection alive as long as it
// lives; it is open once `open` has fetched every row, and then holds them all in a
// RowStore. The file is touched again only by the three write operations, each in
// a transaction of its own that ends before the operation returns: no lock stays
// on the file between two of the user's actions.
#include "recordset.h"

#include "booklabel.h"
#include "engineerror.h"
#include "exactsearch.h"
#include "history.h"
#include "statement.h"
#include "transaction.h"
#include "writeback.h"
#include "writeerror.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <map>
#include <numeric>

namespace catalogue {

namespace {

// SQLite's own rules for a column's affinity from its declared type.
Affinity affinityOf(const char* declaredType)
{
    std::string type = declaredType ? declaredType : "";
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::toupper(c); });
    const auto has = [&](const char* part) { return type.find(part) != std::string::npos; };
    if (has("INT"))
        return Affinity::Integer;
    if (has("CHAR") || has("CLOB") || has("TEXT"))
        return Affinity::Text;
    if (type.empty() || has("BLOB"))
        return Affinity::Blob;
    if (has("REAL") || has("FLOA") || has("DOUB"))
        return Affinity::Real;
    return Affinity::Numeric;
}

// True when only white space, semicolons or comments follow the first statement.
bool isOneStatement(sqlite3* db, const char* tail)
{
    sqlite3_stmt* next = nullptr;
    const int rc = sqlite3_prepare_v2(db, tail, -1, &next, nullptr);
    StatementHandle owned(next);
    return rc == SQLITE_OK && next == nullptr;
}

// Runs one write of `connection`; an engine failure leaves it as a message that
// names the cause of the refused write.
template <typename Write>
auto asWrite(const std::shared_ptr<Connection>& connection, Write write) -> decltype(write())
{
    try {
        return write();
    } catch (const Error& failure) {
        if (failure.engineCode() == 0 || !connection || !connection->isOpen())
            throw;
        throw writeError(failure, sqlite3_system_errno(connection->handle()), connection->connectionString());
    }
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

Value columnValue(sqlite3_stmt* stmt, int column)
{
    sqlite3_value* value = sqlite3_column_value(stmt, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return std::int64_t(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_TEXT:
        return std::string(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                           static_cast<std::size_t>(sqlite3_value_bytes(value)));
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
        return Blob{std::string(bytes, bytes + sqlite3_value_bytes(value))};
    }
    default:
        return std::monostate{};
    }
}

// How often a long write reports, and may be stopped.
constexpr std::size_t progressEvery = 256;

// A write of many books touches pages of the table and of every index all over the
// file. In the default page cache (2 MB) they were spilled and read back again and
// again before the commit: three quarters of the time of deleting 10,000 books at
// a million. For the length of such a write the cache may grow to 256 MB (only as
// pages are touched); afterwards it shrinks back and the memory is returned.
class RoomForLargeWrite {
public:
    RoomForLargeWrite(sqlite3* db, std::size_t books) : m_db(books > 64 ? db : nullptr)
    {
        if (!m_db)
            return;
        Statement size(m_db, "PRAGMA cache_size");
        m_previous = size.step() ? sqlite3_column_int64(size.handle(), 0) : -2000;
        execute(m_db, "PRAGMA cache_size = -262144");
    }
    ~RoomForLargeWrite()
    {
        if (!m_db)
            return;
        const std::string restore = "PRAGMA cache_size = " + std::to_string(m_previous);
        sqlite3_exec(m_db, restore.c_str(), nullptr, nullptr, nullptr);
        sqlite3_db_release_memory(m_db);
    }
    RoomForLargeWrite(const RoomForLargeWrite&) = delete;
    RoomForLargeWrite& operator=(const RoomForLargeWrite&) = delete;

private:
    sqlite3* m_db;
    sqlite3_int64 m_previous = 0;
};

} // namespace

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::open()
{
    if (!m_connection || !m_connection->isOpen())
        throw Error(ErrorNumber::NotOpen, "Il risultato non ha una connessione aperta al catalogo.");
    sqlite3* db = m_connection->handle();

    // The window's exact searches compare letters by the old engine's rule, which
    // the file's collation does not know: they run as a statement of their own.
    std::optional<BoundSearch> search;
    if (std::optional<ExactSearch> parsed = parseExactSearch(m_source))
        search = planExactSearch(db, *parsed);
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
    for (int c = 0; c < columns; ++c) {
        names.emplace_back(sqlite3_column_name(query.get(), c));
        affinities.push_back(affinityOf(sqlite3_column_decltype(query.get(), c)));
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

void Recordset::update(std::size_t row, int column, const Value& value)
{
    asWrite(m_connection, [&] {
        sqlite3* db = writableDatabase();
        const std::vector<Value> read = rowValues(row);
        Transaction transaction(db);
        Statement statement = m_writeBack->update(db, column, value, read);
        if (!statement.step())
            reloadAfterConflict(db, row, read);
        const RowStore::Packed written = m_rows->pack(statement.handle());
        statement.step();
        transaction.commit();
        const RowStore::Packed before = m_rows->packed(row);
        m_rows->replace(row, written);
        if (m_history)
            m_history->recordEdit(*this, column, before, written, row);
        if (m_observer)
            m_observer->rowChanged(row);
    });
}

std::size_t Recordset::addNew(const NewBook& cells)
{
    return asWrite(m_connection, [&] {
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
        return row;
    });
}

bool Recordset::remove(const std::vector<std::size_t>& rows, const Progress& progress)
{
    return asWrite(m_connection, [&] {
        assert(std::is_sorted(rows.begin(), rows.end()));
        sqlite3* db = writableDatabase();
        std::vector<RowStore::Packed> removed;
        removed.reserve(rows.size());
        for (std::size_t row : rows)
            removed.push_back(m_rows->packed(row));
        if (!deleteBooks(db, *m_rows, rows, rows, progress))
            return false;
        // The packed bytes outlive the rows: the store never frees them.
        if (m_history)
            m_history->recordDeletion(*this, removed, rows);
        return true;
    });
}

// One transaction for every book: a statement prepared once and run per book, so
// that a million books cost a million steps and nothing more.
bool Recordset::deleteBooks(sqlite3* db, const RowStore& rows, const std::vector<std::size_t>& books,
                            const std::vector<std::size_t>& shown, const Progress& progress)
{
    std::optional<std::vector<Value>> refused;
    bool gone = false;
    {
        const RoomForLargeWrite room(db, books.size());
        Transaction transaction(db);
        bool emptied = false;
        if (&rows == m_rows.get() && books.size() == m_rows->size() && books.size() > 64) {
            const std::optional<bool> exactly = fileHoldsExactly(db, progress);
            if (!exactly)
                return false;
            if (*exactly) {
                m_writeBack->empty(db);
                emptied = true;
            }
        }
        Statement statement = m_writeBack->removal(db);
        for (std::size_t i = 0; i < books.size() && !refused && !emptied; ++i) {
            if (progress && i % progressEvery == 0 && !progress(i))
                return false;
            std::vector<Value> book = rows.rowValues(books[i]);
            m_writeBack->bindRow(statement, book);
            if (statement.step()) {
                statement.step();
                statement.reset();
            } else {
                refused = std::move(book);
            }
        }
        if (refused) {
            Statement current = m_writeBack->reload(db, *refused);
            gone = !current.step();
        } else {
            transaction.commit();
        }
    }
    if (refused)
        refuseDeletion(db, *refused, gone, shown);
    dropRows(shown);
    return true;
}

// Every book shown is to go (Ctrl+A). When the file holds exactly those books, as
// read, one pass over the table proves it, and the table is emptied in one
// statement that frees its pages instead of taking each book out of every index:
// about 1 s instead of 40 s at a million books. Anything else, or any doubt, and the
// books go one by one. Returns nothing when `progress` stops it.
std::optional<bool> Recordset::fileHoldsExactly(sqlite3* db, const Progress& progress) const
{
    Statement scan = m_writeBack->everyRow(db);
    std::size_t row = 0;
    for (; scan.step(); ++row) {
        if (row >= m_rows->size())
            return false;
        if (progress && row % progressEvery == 0 && !progress(row))
            return std::nullopt;
        for (int c = 0; c < columnCount(); ++c) {
            if (columnValue(scan.handle(), c) != m_rows->value(row, c))
                return false;
        }
    }
    return row == m_rows->size();
}

// Nothing was deleted: every row concerned shows the file again, and the user is
// told which book stopped the deletion.
void Recordset::refuseDeletion(sqlite3* db, const std::vector<Value>& book, bool gone,
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
    const std::string label = bookLabel(m_columnNames, book);
    const std::string what = gone ? "eliminato" : "modificato";
    throw Error(gone ? ErrorNumber::RowGone : ErrorNumber::RowChanged,
                "Un altro programma ha " + what + " il libro " + label +
                    " dopo che era stato letto: non è stato eliminato nessun libro. Le righe mostrano ora ciò "
                    "che il catalogo contiene.");
}

void Recordset::rewrite(const std::vector<Value>& expected, int column, const Value& value, std::size_t hint)
{
    asWrite(m_connection, [&] {
        sqlite3* db = writableDatabase();
        const std::optional<std::size_t> shown = findShown(expected, hint);
        Transaction transaction(db);
        Statement statement = m_writeBack->update(db, column, value, expected);
        if (!statement.step()) {
            if (shown)
                reloadAfterConflict(db, *shown, m_rows->rowValues(*shown));
            Statement current = m_writeBack->reload(db, expected);
            const bool gone = !current.step();
            throw Error(gone ? ErrorNumber::RowGone : ErrorNumber::RowChanged,
                        "Un altro programma ha " + std::string(gone ? "eliminato" : "modificato") + " il libro " +
                            bookLabel(m_columnNames, expected) +
                            " dopo che era stato letto: la modifica non è stata scritta.");
        }
        const RowStore::Packed written = m_rows->pack(statement.handle());
        statement.step();
        transaction.commit();
        if (shown) {
            m_rows->replace(*shown, written);
            if (m_observer)
                m_observer->rowChanged(*shown);
        }
    });
}

void Recordset::restore(const RowStore& rows, const std::vector<std::size_t>& positions)
{
    asWrite(m_connection, [&] {
        sqlite3* db = writableDatabase();
        std::vector<RowStore::Packed> written;
        written.reserve(rows.size());
        {
            const RoomForLargeWrite room(db, rows.size());
            Transaction transaction(db);
            Statement statement = m_writeBack->restoral(db);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const std::vector<Value> book = rows.rowValues(i);
                m_writeBack->bindRow(statement, book);
                try {
                    statement.step();
                } catch (const Error& error) {
                    if (error.number() != ErrorNumber::DuplicateKey)
                        throw;
                    throw Error(ErrorNumber::DuplicateKey,
                                "Un altro programma ha scritto nel catalogo un libro con la stessa chiave di " +
                                    bookLabel(m_columnNames, book) + ": non è stato rimesso nessun libro.");
                }
                written.push_back(m_rows->pack(statement.handle()));
                statement.step();
                statement.reset();
            }
            transaction.commit();
        }
        // Each book goes back where it was, as far as the rows shown still allow.
        std::vector<std::size_t> placed(positions.begin(), positions.end());
        placed.resize(written.size(), m_rows->size() + written.size());
        for (std::size_t i = 0; i < placed.size(); ++i) {
            const std::size_t lowest = i == 0 ? 0 : placed[i - 1] + 1;
            placed[i] = std::min(std::max(placed[i], lowest), m_rows->size() + i);
        }
        placeRows(placed, written);
    });
}

void Recordset::removeBooks(const RowStore& rows, const std::vector<std::size_t>& hints)
{
    asWrite(m_connection, [&] {
        sqlite3* db = writableDatabase();
        std::vector<std::size_t> books(rows.size());
        std::iota(books.begin(), books.end(), 0);
        deleteBooks(db, rows, books, findShown(rows, hints), {});
    });
}

std::optional<std::size_t> Recordset::findShown(const std::vector<Value>& book, std::size_t hint) const
{
    if (hint < m_rows->size() && m_writeBack->sameBook(m_rows->rowValues(hint), book))
        return hint;
    for (std::size_t row = 0; row < m_rows->size(); ++row) {
        if (m_writeBack->sameBook(m_rows->rowValues(row), book))
            return row;
    }
    return std::nullopt;
}

// The rows shown that hold the books of `rows`, ascending. Each is looked for at its
// hint first; the rest are found through one pass over the rows shown.
std::vector<std::size_t> Recordset::findShown(const RowStore& rows, const std::vector<std::size_t>& hints) const
{
    std::vector<std::size_t> found;
    std::vector<std::vector<Value>> missed;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::vector<Value> book = rows.rowValues(i);
        const std::size_t hint = i < hints.size() ? hints[i] : m_rows->size();
        if (hint < m_rows->size() && m_writeBack->sameBook(m_rows->rowValues(hint), book))
            found.push_back(hint);
        else
            missed.push_back(m_writeBack->keyOf(book));
    }
    if (!missed.empty()) {
        std::map<std::vector<Value>, std::size_t> wanted;
        for (auto& key : missed)
            wanted.emplace(std::move(key), 0);
        for (std::size_t row = 0; row < m_rows->size(); ++row) {
            if (wanted.count(m_writeBack->keyOf(m_rows->rowValues(row))))
                found.push_back(row);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
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
