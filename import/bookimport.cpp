// An import from start to end: the source read, the safety copy, every book in one
// transaction; any failure leaves the catalogue exactly as it was.
#include "bookimport.h"

#include "bookwriter.h"
#include "importfailure.h"
#include "importtarget.h"
#include "sourcekind.h"
#include "standardfields.h"
#include "transaction.h"

#include <algorithm>
#include <filesystem>

namespace bookimport {

namespace {

// The catalogue's columns once the standard ones it lacks are added.
std::vector<std::string> columnsAfterStandard(std::vector<std::string> columns)
{
    for (const catalogue::StandardField& field : catalogue::standardFields) {
        if (std::none_of(columns.begin(), columns.end(), [&](const std::string& name) {
                const catalogue::StandardField* standard = catalogue::findStandardField(name);
                return standard && standard->name == field.name;
            }))
            columns.emplace_back(field.name);
    }
    return columns;
}

std::unique_ptr<BookSource> openBooks(const std::string& path, const std::vector<std::string>& columns,
                                      const ImportOptions& options)
{
    const RecognisedSource source = recogniseSource(path);
    if (!options.fieldMap.empty() && source.kind != SourceKind::Delimited)
        refuseSource("--campo vale solo per i file CSV o TSV: " + quoted(path) + " non lo è.");
    return openSource(source, columns, options.fieldMap, options.stop);
}

// Returns false when `watch` ended the import early.
bool copyBooks(BookSource& books, BookWriter& writer, const ImportReport& report, const std::string& path,
               const ImportOptions& options, sqlite3* db = nullptr, const BookWatch& watch = {})
{
    constexpr std::uint64_t progressEvery = 1000;
    SourceBook book;
    while (books.next(book)) {
        if (options.stop && options.stop->load())
            readingStopped();
        writer.write(book);
        if (watch && !watch(db, books, book, report))
            return false;
        if (options.progress && report.read % progressEvery == 0)
            options.progress(report.read);
    }
    if (report.read == 0)
        refuseSource("In " + quoted(path) + " non c'è nessun libro da importare.");
    return true;
}

// The import into an existing catalogue; with a watch, a trial that is rolled back.
ImportReport addBooks(const std::string& source, const std::string& path, const ImportOptions& options,
                      const BookWatch& watch)
{
    if (!std::filesystem::is_regular_file(path))
        refuseSource("Il catalogo " + quoted(path) + " non esiste.");
    const catalogue::DatabaseHandle db = catalogue::openImportTarget(path, catalogue::OpenMode::ReadWrite);
    const std::vector<std::string> existing = catalogue::catalogueColumns(db.get());
    if (existing.empty())
        refuseSource("Il file " + quoted(path) + " non è un catalogo di Gestione Dorvi (non ha la tabella dorvi).");
    const std::unique_ptr<BookSource> books = openBooks(source, columnsAfterStandard(existing), options);
    if (options.beforeWriting && !watch)
        options.beforeWriting(path);

    catalogue::Transaction transaction(db.get());
    const std::int64_t before = catalogue::lastBookRow(db.get());
    ImportReport report;
    report.kind = books->kind();
    report.addedColumns = catalogue::addStandardColumnsInTransaction(db.get());
    BookWriter writer(db.get(), books->columns(), options.keepDuplicates, report, options.keepLoanLines);
    if (!copyBooks(*books, writer, report, source, options, db.get(), watch) || watch)
        return report;
    report.ignoredColumns = books->ignoredColumns();
    report.repeatedColumns = books->repeatedColumns();
    if (options.beforeCommit)
        options.beforeCommit(db.get(), before);
    transaction.commit();
    return report;
}

} // namespace

std::string newCatalogueTable()
{
    return catalogue::newCatalogueTable();
}

std::string newCatalogueIndexes()
{
    return catalogue::newCatalogueIndexes();
}

std::vector<std::string> columnsAfterImport(const std::string& catalogue)
{
    const catalogue::DatabaseHandle db = catalogue::openImportTarget(catalogue, catalogue::OpenMode::ReadOnly);
    return columnsAfterStandard(catalogue::catalogueColumns(db.get()));
}

ImportReport importIntoCatalogue(const std::string& source, const std::string& path, const ImportOptions& options)
{
    return addBooks(source, path, options, {});
}

ImportReport tryImport(const std::string& source, const std::string& path, const ImportOptions& options,
                       const BookWatch& watch)
{
    const BookWatch everyBook = [](sqlite3*, const BookSource&, const SourceBook&, const ImportReport&) { return true; };
    return addBooks(source, path, options, watch ? watch : everyBook);
}

ImportReport importIntoNewCatalogue(const std::string& source, const std::string& target,
                                    const ImportOptions& options)
{
    const catalogue::DatabaseHandle db = catalogue::openImportTarget(target, catalogue::OpenMode::Create);
    const std::unique_ptr<BookSource> books = openBooks(source, columnsAfterStandard({"iddorvo", "autore", "titolo",
                                                                                      "genere"}),
                                                        options);
    if (options.beforeWriting)
        options.beforeWriting(target);

    catalogue::Transaction transaction(db.get());
    catalogue::createBooksTable(db.get());
    ImportReport report;
    report.kind = books->kind();
    {
        BookWriter writer(db.get(), books->columns(), options.keepDuplicates, report);
        copyBooks(*books, writer, report, source, options);
    }
    report.ignoredColumns = books->ignoredColumns();
    report.repeatedColumns = books->repeatedColumns();
    catalogue::createBooksIndexes(db.get());
    transaction.commit();
    return report;
}

} // namespace bookimport
