// Another catalogue of Gestione Dorvi read as a source: its columns the catalogue
// has carry over, its key is assigned anew, the others are reported.
#include "cataloguesource.h"

#include "fieldnames.h"
#include "importfailure.h"
#include "readonlysource.h"
#include "sqltext.h"
#include "standardfields.h"
#include "statement.h"

#include <algorithm>

namespace bookimport {

namespace {

catalogue::DatabaseHandle openReadOnly(const std::string& path, const std::atomic<bool>* stop = nullptr)
{
    return openReadOnlySource(path, "Impossibile aprire il catalogo " + quoted(path) + ".", stop);
}

std::optional<std::string> cell(sqlite3_stmt* statement, int column)
{
    if (sqlite3_column_type(statement, column) == SQLITE_NULL)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

} // namespace

bool isDorviCatalogue(const std::string& path)
{
    const catalogue::DatabaseHandle db = openReadOnly(path);
    return !catalogue::catalogueColumns(db.get()).empty();
}

void requireBooksOfAccess(const std::string& converted, const std::string& access)
{
    if (!isDorviCatalogue(converted)) {
        refuseSource("Il catalogo di Access " + quoted(access) +
                     " non ha la tabella dorvi, quella dei libri: non ci sono libri da aggiungere. Le sue tabelle si "
                     "convertono in un catalogo nuovo: dorvi-import ORIGINE.mdb NUOVO.mdb.");
    }
}

CatalogueSource::CatalogueSource(const std::string& path, const std::vector<std::string>& columns,
                                 const std::atomic<bool>* stop)
    : m_path(path), m_stop(stop), m_db(openReadOnly(path, stop))
{
    requireRealTables(m_db.get(), path, "Il catalogo", {"dorvi"});
    if (const int rc = sqlite3_exec(m_db.get(), "BEGIN", nullptr, nullptr, nullptr); rc != SQLITE_OK)
        fail(rc);
    std::string list = "rowid";
    std::vector<std::string> ignoredList;
    for (const std::string& name : catalogue::catalogueColumns(m_db.get())) {
        if (catalogue::sameColumnName(name, "iddorvo"))
            continue;
        const auto same = std::find_if(columns.begin(), columns.end(), [&](const std::string& column) {
            return catalogue::sameColumnName(column, name);
        });
        if (same != columns.end()) {
            m_columns.push_back(*same);
            list += ", " + catalogue::quotedIdentifier(name);
        } else {
            m_ignored.push_back(name);
        }
    }
    for (const std::string& name : m_ignored)
        list += ", " + catalogue::quotedIdentifier(name);
    m_ignoredValues.assign(m_ignored.size(), 0);
    sqlite3_stmt* raw = nullptr;
    // In the order of the table itself: rowid order costs nothing on a table,
    // where any other order would sort the whole source before the first book.
    const int rc = sqlite3_prepare_v2(m_db.get(), ("SELECT " + list + " FROM dorvi ORDER BY rowid").c_str(), -1,
                                      &raw, nullptr);
    m_books.reset(raw);
    if (rc != SQLITE_OK)
        fail(rc);
}

void CatalogueSource::fail(int resultCode) const
{
    if (stoppedBy(resultCode, m_stop))
        readingStopped();
    const int primary = resultCode & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        refuseSource("Il catalogo " + quoted(m_path) + " è bloccato da un altro programma che lo sta scrivendo: "
                     "ripetere l'importazione quando ha finito.");
    refuseSource("Il catalogo " + quoted(m_path) + " non si può leggere: " + sqlite3_errmsg(m_db.get()) + ".");
}

bool CatalogueSource::next(SourceBook& book)
{
    sqlite3_stmt* s = m_books.get();
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        fail(rc);
    book.start("libro " + std::to_string(sqlite3_column_int64(s, 0)), m_columns.size());
    book.typed.assign(m_columns.size(), {});
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        const int column = static_cast<int>(c + 1);
        // Numbers and bytes go in as they are: read as text, a blob's bytes became
        // a text and 3.25 the text '3.25'. Typed first, since reading the text
        // converts the engine's value.
        if (const int type = sqlite3_column_type(s, column); type != SQLITE_TEXT && type != SQLITE_NULL)
            book.typed[c] = catalogue::columnValue(s, column);
        book.values[c] = cell(s, column);
    }
    for (std::size_t i = 0; i < m_ignored.size(); ++i)
        m_ignoredValues[i] += sqlite3_column_type(s, static_cast<int>(m_columns.size() + 1 + i)) != SQLITE_NULL;
    return true;
}

std::vector<std::pair<std::string, std::uint64_t>> CatalogueSource::ignoredColumns() const
{
    std::vector<std::pair<std::string, std::uint64_t>> ignored;
    for (std::size_t i = 0; i < m_ignored.size(); ++i)
        ignored.emplace_back(m_ignored[i], m_ignoredValues[i]);
    return ignored;
}

} // namespace bookimport
