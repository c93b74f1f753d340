// The new catalogue written in one transaction: nothing is in the file until the
// commit, and a table or row refused leaves the rest going on.
#include "cataloguewriter.h"

#include "error.h"
#include "importerror.h"

namespace jetimport {

namespace {

catalogue::NewTablesFile openTarget(const std::string& path)
{
    try {
        return catalogue::NewTablesFile(path);
    } catch (const catalogue::Error& error) {
        const std::string& detail = error.engineMessage().empty() ? error.description() : error.engineMessage();
        throw ImportError(ExitCode::TargetUnwritable, "Impossibile scrivere il catalogo " + quoted(path) + ": " +
                                                          detail + ".");
    }
}

} // namespace

template <typename Write>
void CatalogueWriter::guarded(Write&& write)
{
    try {
        write();
    } catch (const catalogue::TableWriteFailure& failure) {
        if (failure.refusesOne())
            throw Refused(failure.engineMessage());
        throw ImportError(ExitCode::TargetUnwritable,
                          "Impossibile scrivere il catalogo " + quoted(m_path) + ": " + failure.engineMessage() + ".");
    }
}

CatalogueWriter::CatalogueWriter(const std::string& path) : m_path(path), m_file(openTarget(path))
{
    guarded([&] { m_file.begin(); });
}

void CatalogueWriter::addTable(const TableSchema& schema)
{
    guarded([&] { m_file.addTable(schema); });
}

void CatalogueWriter::insert(const std::vector<catalogue::Value>& values)
{
    guarded([&] { m_file.insert(values); });
}

void CatalogueWriter::addIndexes(const TableSchema& schema)
{
    guarded([&] { m_file.addIndexes(schema); });
}

void CatalogueWriter::commit()
{
    guarded([&] { m_file.commit(); });
    if (!m_file.close())
        throw ImportError(ExitCode::TargetUnwritable, "Impossibile chiudere il catalogo " + quoted(m_path) + ".");
}

} // namespace jetimport
