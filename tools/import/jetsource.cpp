// A Jet file opened through libmdb for reading only, and its user tables; a file
// with none says why.
#include "jetsource.h"

#include "importerror.h"
#include "jetobjects.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace jetimport {

namespace {

// libmdb reads its settings from the environment when it opens a file: the code
// page of Jet 3 names (MDB_JET3_CHARSET) and debugging switches (MDBOPTS) that
// would change what it prints and reads. Both are set for the open only.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* previous = std::getenv(name))
            m_previous = previous;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (m_previous)
            ::setenv(m_name, m_previous->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_previous;
};

[[noreturn]] void damaged(const std::string& path, const std::string& what)
{
    throw ImportError(ExitCode::SourceUnreadable,
                      "Il catalogo di Access " + quoted(path) + " è danneggiato o troncato: " + what + ".");
}

// libmdb reads the list of objects until a page fails and says nothing: a copy
// cut short would seem to hold fewer tables, or none. The list is the system
// table MSysObjects, whose definition records how many rows it has.
void checkObjectListComplete(MdbHandle* mdb, const std::string& path)
{
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2; // where Jet keeps MSysObjects' definition
    std::snprintf(entry.object_name, sizeof entry.object_name, "MSysObjects");
    const MdbTableHandle objects(mdb_read_table(&entry));
    if (!objects || !mdb_read_columns(objects.get()))
        damaged(path, "manca l'elenco dei suoi oggetti");
    mdb_rewind_table(objects.get());
    std::uint64_t rows = 0;
    while (mdb_fetch_row(objects.get()))
        ++rows;
    if (rows != objects->num_rows) {
        damaged(path, "il suo elenco di oggetti ne dichiara " + std::to_string(objects->num_rows) +
                          " e se ne leggono " + std::to_string(rows));
    }
}

MdbFileHandle openReadOnly(const std::string& path, const std::string& codePage)
{
    const ScopedVariable names("MDB_JET3_CHARSET", codePage.c_str());
    const ScopedVariable options("MDBOPTS", nullptr);
    return MdbFileHandle(mdb_open(path.c_str(), MDB_NOFLAGS));
}

} // namespace

JetSource::JetSource(const std::string& path, const JetHeader& header, const std::string& codePage)
    : m_path(path)
    , m_mdb(openReadOnly(path, codePage))
{
    if (header.version == JetVersion::Jet3)
        m_codePage = std::make_unique<CodePage>(codePage);
    try {
        readCatalogue();
    } catch (const ImportError&) {
        // What libmdb cannot read of a protected file is the protection's doing
        // far more often than damage: the user is told how to remove it.
        if (header.isProtected())
            throw protectedFileError(path, header);
        throw;
    }
    if (m_tables.empty())
        throw noTables(header);
}

void JetSource::readCatalogue()
{
    if (!m_mdb)
        throw ImportError(ExitCode::SourceUnreadable, "Impossibile aprire il catalogo di Access " + quoted(m_path) + ".");
    checkObjectListComplete(m_mdb.get(), m_path);
    if (!mdb_read_catalog(m_mdb.get(), MDB_TABLE))
        damaged(m_path, "non si legge l'elenco delle tabelle");
    for (unsigned i = 0; i < m_mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m_mdb->catalog, i));
        if (mdb_is_user_table(entry))
            m_tables.push_back(entry);
    }
}

ImportError JetSource::noTables(const JetHeader& header)
{
    try {
        const std::vector<JetObject> objects = readJetObjects(m_mdb.get(), m_codePage.get());
        if (std::any_of(objects.begin(), objects.end(), isLinkedTable))
            return onlyLinkedTables(m_path, objects);
    } catch (const ImportError&) {
        // The list was read once already; without the links, the plainer message.
    }
    if (header.isProtected())
        return protectedFileError(m_path, header);
    return ImportError(ExitCode::SourceUnreadable,
                       "Il catalogo di Access " + quoted(m_path) + " non contiene tabelle: non c'è nulla da convertire.");
}

std::unique_ptr<JetTable> JetSource::openTable(std::size_t index)
{
    return std::make_unique<JetTable>(m_tables.at(index), m_codePage.get());
}

} // namespace jetimport
