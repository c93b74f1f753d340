// The new catalogue written in one transaction: nothing is in the file until the
// commit, and a table or row refused leaves the rest going on.
#include "cataloguewriter.h"

#include "error.h"
#include "importerror.h"
#include "opening.h"
#include "statement.h"

namespace jetimport {

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

CatalogueWriter::CatalogueWriter(const std::string& path)
    : m_path(path)
{
    try {
        m_db = catalogue::openCatalogueFile(path, catalogue::OpenMode::Create);
    } catch (const catalogue::Error& error) {
        const std::string& detail = error.engineMessage().empty() ? error.description() : error.engineMessage();
        throw ImportError(ExitCode::TargetUnwritable,
                          "Impossibile scrivere il catalogo " + quoted(m_path) + ": " + detail + ".");
    }
    execute("BEGIN");
}

void CatalogueWriter::addTable(const TableSchema& schema)
{
    m_insert.reset();
    execute(createTableStatement(schema));
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(m_db.get(), insertStatement(schema).c_str(), -1, &raw, nullptr);
    m_insert.reset(raw);
    if (rc != SQLITE_OK)
        fail(rc);
}

void CatalogueWriter::insert(const std::vector<catalogue::Value>& values)
{
    sqlite3_stmt* statement = m_insert.get();
    sqlite3_reset(statement);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (const int rc = catalogue::bindValue(statement, static_cast<int>(i + 1), values[i]); rc != SQLITE_OK)
            fail(rc);
    }
    if (const int rc = sqlite3_step(statement); rc != SQLITE_DONE)
        fail(rc);
}

void CatalogueWriter::addIndexes(const TableSchema& schema)
{
    for (const std::string& sql : createIndexStatements(schema))
        execute(sql);
}

void CatalogueWriter::commit()
{
    m_insert.reset();
    execute("COMMIT");
    const int rc = sqlite3_close_v2(m_db.release());
    if (rc != SQLITE_OK)
        throw ImportError(ExitCode::TargetUnwritable, "Impossibile chiudere il catalogo " + quoted(m_path) + ".");
}

void CatalogueWriter::execute(const std::string& sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db.get(), sql.c_str(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        fail(rc);
}

void CatalogueWriter::fail(int resultCode) const
{
    const std::string detail = m_db ? sqlite3_errmsg(m_db.get()) : sqlite3_errstr(resultCode);
    if (m_db && isRefusal(resultCode))
        throw Refused(detail);
    throw ImportError(ExitCode::TargetUnwritable,
                      "Impossibile scrivere il catalogo " + quoted(m_path) + ": " + detail + ".");
}

} // namespace jetimport
