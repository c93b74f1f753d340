// What an import will do, found by a trial rolled back: the first books as they
// will be stored, the file left untouched.
#include "importpreview.h"

#include "delimitedreader.h"
#include "delimitedsource.h"
#include "importfailure.h"
#include "sourcekind.h"
#include "sqltext.h"
#include "standardfields.h"
#include "statement.h"

#include <sqlite3.h>

#include <algorithm>

namespace bookimport {

namespace {

std::string cellText(sqlite3_stmt* row, int column)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_BLOB:
        return "(dati binari)";
    default:
        return reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    }
}

std::vector<std::string> storedValues(sqlite3* db, const std::vector<std::string>& columns)
{
    std::string list;
    for (const std::string& column : columns)
        list += (list.empty() ? "" : ", ") + catalogue::quotedIdentifier(column);
    catalogue::Statement row(db, "SELECT " + list + " FROM dorvi WHERE rowid = ?1");
    row.bind(1, static_cast<std::int64_t>(sqlite3_last_insert_rowid(db)));
    std::vector<std::string> values(columns.size());
    if (row.step()) {
        for (std::size_t c = 0; c < columns.size(); ++c)
            values[c] = cellText(row.handle(), static_cast<int>(c));
    }
    return values;
}

std::string lineText(const ReportLine& line)
{
    return (line.column.empty() ? std::string() : "«" + line.column + "»: ") + line.text;
}

// What happened to the book just written, from what the report gained.
class PreviewWatch {
public:
    PreviewWatch(ImportPreview& preview, std::size_t books) : m_preview(preview), m_books(books) {}

    bool operator()(sqlite3* db, const BookSource& source, const SourceBook& book, const ImportReport& report)
    {
        if (m_preview.columns.empty()) {
            m_preview.columns = source.columns();
            m_preview.catalogueColumns = catalogue::catalogueColumns(db);
        }
        PreviewBook shown;
        shown.where = book.where;
        shown.added = report.added > m_seen.added;
        std::vector<std::string> notes;
        for (std::size_t i = m_seen.duplicates; i < report.duplicates.size(); ++i)
            notes.push_back(lineText(report.duplicates[i]));
        for (std::size_t i = m_seen.refusals; i < report.refusals.size(); ++i)
            notes.push_back(lineText(report.refusals[i]));
        for (std::size_t i = m_seen.changes; i < report.changes.size(); ++i)
            notes.push_back(lineText(report.changes[i]));
        for (const std::string& note : notes)
            shown.note += (shown.note.empty() ? "" : "; ") + note;
        if (shown.added) {
            shown.values = storedValues(db, m_preview.columns);
        } else {
            for (std::size_t c = 0; c < m_preview.columns.size(); ++c)
                shown.values.push_back(c < book.values.size() && book.values[c] ? *book.values[c] : std::string());
        }
        m_preview.books.push_back(std::move(shown));
        m_seen = {report.added, report.duplicates.size(), report.refusals.size(), report.changes.size()};
        return m_preview.books.size() < m_books;
    }

private:
    struct Counts {
        std::uint64_t added = 0;
        std::size_t duplicates = 0, refusals = 0, changes = 0;
    };
    ImportPreview& m_preview;
    std::size_t m_books;
    Counts m_seen;
};

// The first records of a delimited file as they stand, under its own headings,
// so that the user sees what each column holds while choosing its field.
void showRecordsAsRead(ImportPreview& preview, DelimitedReader& records, std::size_t books)
{
    // A few dozen columns are what a screen shows: a file of thousands shows its first.
    constexpr std::size_t shownColumns = 50;
    preview.kind = delimitedKind(records.delimiter());
    preview.columns.assign(preview.headings.begin(),
                           preview.headings.begin() +
                               static_cast<std::ptrdiff_t>(std::min(preview.headings.size(), shownColumns)));
    std::vector<std::string> fields;
    while (preview.books.size() < books && records.next(fields)) {
        PreviewBook shown;
        shown.where = "riga " + std::to_string(records.line());
        shown.values = std::move(fields);
        shown.values.resize(preview.columns.size());
        preview.books.push_back(std::move(shown));
        fields = {};
    }
}

} // namespace

ImportPreview previewImport(const std::string& source, const std::string& catalogue, const ImportOptions& options,
                            std::size_t books)
{
    ImportPreview preview;
    try {
        preview.kind = tryImport(source, catalogue, options, PreviewWatch(preview, books)).kind;
    } catch (const HeadingNamesNoField&) {
        preview = ImportPreview();
        preview.catalogueColumns = columnsAfterImport(catalogue);
        preview.missing = "Nessuna intestazione del file è il nome di un campo del catalogo: scegliere almeno il "
                          "titolo negli elenchi qui sopra, e ogni altra colonna da importare.";
    }
    if (recogniseSource(source).kind == SourceKind::Delimited) {
        DelimitedReader heading(source);
        heading.next(preview.headings);
        if (!preview.missing.empty())
            showRecordsAsRead(preview, heading, books);
    }
    return preview;
}

} // namespace bookimport
