// A new file written in one transaction, table by table: a table or row its rules
// refuse is told apart from a file that cannot be written at all.
#include "newtablesfile.h"

#include "opening.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

// Failures that belong to one table or row; anything else means the file cannot
// be written.
bool isRefusal(int resultCode)
{
    switch (resultCode & 0xFF) {
    case SQLITE_ERROR:
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
        return true;
    default:
        return false;
    }
}

} // namespace

TableWriteFailure::TableWriteFailure(bool refusesOne, int engineCode, const std::string& engineMessage)
    : Error(refusesOne ? ErrorNumber::ValueRefused : ErrorNumber::FileNotWritten, engineMessage, engineCode,
            engineMessage),
      m_refusesOne(refusesOne)
{
}

NewTablesFile::NewTablesFile(const std::string& path) : m_db(openCatalogueFile(path, OpenMode::Create)) {}

void NewTablesFile::begin()
{
    execute("BEGIN");
}

void NewTablesFile::addTable(const TableLayout& layout)
{
    m_insert.reset();
    execute(createTableStatement(layout));
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(m_db.get(), insertStatement(layout).c_str(), -1, &raw, nullptr);
    m_insert.reset(raw);
    if (rc != SQLITE_OK)
        fail(rc);
}

void NewTablesFile::insert(const std::vector<Value>& values)
{
    sqlite3_stmt* statement = m_insert.get();
    sqlite3_reset(statement);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (const int rc = bindValue(statement, static_cast<int>(i + 1), values[i]); rc != SQLITE_OK)
            fail(rc);
    }
    if (const int rc = sqlite3_step(statement); rc != SQLITE_DONE)
        fail(rc);
}

void NewTablesFile::addIndexes(const TableLayout& layout)
{
    for (const std::string& sql : createIndexStatements(layout))
        execute(sql);
}

void NewTablesFile::commit()
{
    m_insert.reset();
    execute("COMMIT");
}

bool NewTablesFile::close()
{
    return sqlite3_close_v2(m_db.release()) == SQLITE_OK;
}

void NewTablesFile::execute(const std::string& sql)
{
    if (const int rc = sqlite3_exec(m_db.get(), sql.c_str(), nullptr, nullptr, nullptr); rc != SQLITE_OK)
        fail(rc);
}

void NewTablesFile::fail(int resultCode) const
{
    const std::string detail = m_db ? sqlite3_errmsg(m_db.get()) : sqlite3_errstr(resultCode);
    throw TableWriteFailure(m_db && isRefusal(resultCode), resultCode, detail);
}

} // namespace catalogue
