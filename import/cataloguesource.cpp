// Another catalogue of Gestione Dorvi read as a source: its columns the catalogue
// has carry over, its key is assigned anew, the others are reported.
#include "cataloguesource.h"

#include "fieldnames.h"
#include "importfailure.h"
#include "readonlysource.h"
#include "sourcecatalogue.h"
#include "standardfields.h"

#include <algorithm>

namespace bookimport {

namespace {

catalogue::DatabaseHandle openReadOnly(const std::string& path, const std::atomic<bool>* stop = nullptr)
{
    return openReadOnlySource(path, "Impossibile aprire il catalogo " + quoted(path) + ".", stop);
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
    : m_path(path), m_db(openReadOnly(path, stop))
{
    requireRealTables(m_db.get(), path, "Il catalogo", {"dorvi"});
    std::vector<std::string> read;
    for (const std::string& name : catalogue::catalogueColumns(m_db.get())) {
        if (catalogue::sameColumnName(name, "iddorvo"))
            continue;
        const auto same = std::find_if(columns.begin(), columns.end(), [&](const std::string& column) {
            return catalogue::sameColumnName(column, name);
        });
        if (same != columns.end()) {
            m_columns.push_back(*same);
            read.push_back(name);
        } else {
            m_ignored.push_back(name);
        }
    }
    read.insert(read.end(), m_ignored.begin(), m_ignored.end());
    m_ignoredValues.assign(m_ignored.size(), 0);
    try {
        m_books.emplace(catalogue::sourceCatalogueRows(m_db.get(), read, stop));
    } catch (const catalogue::SourceReadError& error) {
        fail(error);
    }
}

void CatalogueSource::fail(const catalogue::SourceReadError& error) const
{
    if (error.trouble() == catalogue::SourceTrouble::Stopped)
        readingStopped();
    if (error.trouble() == catalogue::SourceTrouble::Locked)
        refuseSource("Il catalogo " + quoted(m_path) + " è bloccato da un altro programma che lo sta scrivendo: "
                     "ripetere l'importazione quando ha finito.");
    refuseSource("Il catalogo " + quoted(m_path) + " non si può leggere: " + error.engineMessage() + ".");
}

bool CatalogueSource::next(SourceBook& book)
{
    catalogue::SourceRows& rows = *m_books;
    try {
        if (!rows.next())
            return false;
    } catch (const catalogue::SourceReadError& error) {
        fail(error);
    }
    book.start("libro " + std::to_string(rows.integer(0)), m_columns.size());
    book.typed.assign(m_columns.size(), {});
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        const int column = static_cast<int>(c + 1);
        // Numbers and bytes go in as they are: read as text, a blob's bytes became
        // a text and 3.25 the text '3.25'.
        book.values[c] = rows.textAndHeld(column, book.typed[c]);
    }
    for (std::size_t i = 0; i < m_ignored.size(); ++i)
        m_ignoredValues[i] += !rows.isNull(static_cast<int>(m_columns.size() + 1 + i));
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
