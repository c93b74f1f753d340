#include "transaction.h"

#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

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
    execute(m_db, "COMMIT");
    m_done = true;
}

} // namespace catalogue
