// A calibre library read as a source: opened read-only, its tables only, in one
// read transaction, so calibre's own functions never run.
#include "calibresource.h"

#include "calibrebooks.h"
#include "htmltext.h"
#include "importfailure.h"
#include "readonlysource.h"

#include <cmath>
#include <filesystem>

namespace bookimport {

namespace {

const std::vector<std::string> calibreColumns = {"titolo", "autore", "isbn", "editore", "anno", "collana", "numero",
                                                 "lingua", "voto", "genere", "note", "aggiunto_il"};

// calibre leaves an empty text where it has no value.
std::optional<std::string> text(const catalogue::SourceRows& rows, int column)
{
    std::optional<std::string> value = rows.text(column);
    if (value && value->empty())
        return std::nullopt;
    return value;
}

// 1.0 as "1", 1.5 as "1.5".
std::string seriesNumber(double index)
{
    if (index == std::floor(index) && std::fabs(index) < 1e15)
        return std::to_string(static_cast<long long>(index));
    char out[32];
    std::snprintf(out, sizeof out, "%g", index);
    return out;
}

catalogue::DatabaseHandle openReadOnly(const std::string& path, const std::atomic<bool>* stop = nullptr)
{
    return openReadOnlySource(path, "Impossibile aprire la biblioteca di calibre " + quoted(path) + ".", stop);
}

[[noreturn]] void locked(const std::string& path)
{
    refuseSource("La biblioteca di calibre " + quoted(path) +
                 " è bloccata da calibre, che la sta scrivendo. Chiudere calibre (o attendere che finisca) "
                 "e ripetere l'importazione.");
}

} // namespace

bool isCalibreLibrary(const std::string& path)
{
    const catalogue::DatabaseHandle db = openReadOnly(path);
    const catalogue::CalibreCheck check = catalogue::checkCalibreLibrary(db.get());
    if (check == catalogue::CalibreCheck::Locked) {
        // A locked file cannot be read to tell what it is; only a calibre library
        // is called metadata.db, and calibre is named only for one.
        if (std::filesystem::path(path).filename() == "metadata.db")
            locked(path);
        refuseSource("Il file " + quoted(path) + " è bloccato da un altro programma che lo sta scrivendo: "
                     "ripetere l'importazione quando ha finito.");
    }
    return check == catalogue::CalibreCheck::Library;
}

CalibreSource::CalibreSource(const std::string& path, const std::atomic<bool>* stop)
    : m_path(path), m_db(openReadOnly(path, stop)), m_columns(calibreColumns)
{
    requireRealTables(m_db.get(), path, "La biblioteca di calibre", catalogue::calibreBookTables());
    try {
        m_books.emplace(catalogue::calibreBookRows(m_db.get(), stop));
    } catch (const catalogue::SourceReadError& error) {
        fail(error);
    }
}

void CalibreSource::fail(const catalogue::SourceReadError& error) const
{
    if (error.trouble() == catalogue::SourceTrouble::Stopped)
        readingStopped();
    if (error.trouble() == catalogue::SourceTrouble::Locked)
        locked(m_path);
    refuseSource("La biblioteca di calibre " + quoted(m_path) + " non si può leggere: " + error.engineMessage() + ".");
}

bool CalibreSource::next(SourceBook& book)
{
    using namespace catalogue::calibre;
    catalogue::SourceRows& rows = *m_books;
    try {
        if (!rows.next())
            return false;
    } catch (const catalogue::SourceReadError& error) {
        fail(error);
    }
    book.start("libro " + std::to_string(rows.integer(Id)), m_columns.size());
    book.values[0] = text(rows, Title);
    book.values[1] = text(rows, Authors);
    book.values[2] = text(rows, Isbn);
    book.values[3] = text(rows, Publisher);
    // calibre writes the year 101 for "no date".
    if (const auto year = text(rows, Year); year && *year != "0101")
        book.values[4] = year;
    book.values[5] = text(rows, Series);
    if (book.values[5] && !rows.isNull(SeriesIndex))
        book.values[6] = seriesNumber(rows.real(SeriesIndex));
    book.values[7] = text(rows, Languages);
    // calibre rates 0 to 10, half stars being odd numbers.
    if (const int rating = static_cast<int>(rows.integer(Rating)); rating > 0) {
        book.values[8] = std::to_string((rating + 1) / 2);
        if (rating % 2)
            book.notes.push_back({"voto", "mezza stella di calibre (" + std::to_string(rating / 2) +
                                              ",5) arrotondata a " + std::to_string((rating + 1) / 2)});
    }
    book.values[9] = text(rows, Tags);
    if (const auto comments = text(rows, Comments))
        book.values[10] = plainText(*comments);
    book.values[11] = text(rows, Added);
    return true;
}

} // namespace bookimport
