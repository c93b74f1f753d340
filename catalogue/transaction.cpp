// A change of the catalogue as one unit: BEGIN IMMEDIATE takes the write lock at
// once, so another program's lock shows before anything is written, not halfway;
// leaving the scope without commit() rolls every statement back.
#include "transaction.h"

#include "connection.h"
#include "error.h"
#include "statement.h"

#include <cassert>
#include <sqlite3.h>
#include <string>

namespace catalogue {

Transaction::Transaction(Connection& connection) : Transaction(connection.handle()) {}

Transaction::Transaction(sqlite3* db) : m_db(db)
{
    execute(m_db, "BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (!m_done && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    assert(!m_done && "a transaction commits once");
    if (m_done)
        throw Error(ErrorNumber::Generic, "Errore interno: la stessa modifica è stata confermata due volte.");
    // Ended under the writer (a trigger's RAISE(ROLLBACK) whose failure was taken
    // for one row's): what was written since runs outside it, so the change
    // cannot be confirmed as one.
    if (sqlite3_get_autocommit(m_db))
        throw Error(ErrorNumber::TransactionEnded, "Una regola del catalogo (trigger di un altro programma) ha "
                                                   "interrotto la modifica e l'ha annullata: non è stata confermata.");
    execute(m_db, "COMMIT");
    m_done = true;
}

// Up to 64 books the pages touched fit the default cache many times over: the two
// pragmas would cost more than they save.
RoomForLargeWrite::RoomForLargeWrite(sqlite3* db, std::size_t books) : m_db(books > 64 ? db : nullptr)
{
    if (!m_db)
        return;
    Statement size(m_db, "PRAGMA cache_size");
    m_previous = size.step() ? sqlite3_column_int64(size.handle(), 0) : -2000;
    execute(m_db, "PRAGMA cache_size = -262144");
}

RoomForLargeWrite::~RoomForLargeWrite()
{
    if (!m_db)
        return;
    const std::string restore = "PRAGMA cache_size = " + std::to_string(m_previous);
    sqlite3_exec(m_db, restore.c_str(), nullptr, nullptr, nullptr);
    sqlite3_db_release_memory(m_db);
}

FreedPagesLeft::FreedPagesLeft(sqlite3* db) : m_db(db)
{
    Statement setting(m_db, "PRAGMA secure_delete");
    m_previous = setting.step() ? sqlite3_column_int64(setting.handle(), 0) : 0;
    execute(m_db, "PRAGMA secure_delete = FAST");
}

FreedPagesLeft::~FreedPagesLeft()
{
    const std::string restore = "PRAGMA secure_delete = " + std::to_string(m_previous);
    sqlite3_exec(m_db, restore.c_str(), nullptr, nullptr, nullptr);
}

// About every 2 to 5 ms of engine work at a million books.
constexpr int instructionsBetweenReports = 100'000;

EngineProgress::EngineProgress(sqlite3* db, const Progress& progress, std::size_t done)
    : m_db(progress ? db : nullptr), m_progress(progress), m_done(done)
{
    if (m_db)
        sqlite3_progress_handler(m_db, instructionsBetweenReports, &EngineProgress::tell, this);
}

EngineProgress::~EngineProgress()
{
    if (m_db)
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
}

int EngineProgress::tell(void* self)
{
    auto* engine = static_cast<EngineProgress*>(self);
    engine->m_stopped = engine->m_stopped || !engine->m_progress(engine->m_done);
    return engine->m_stopped ? 1 : 0;
}

} // namespace catalogue
