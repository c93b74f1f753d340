// Trova doppioni, the duplicate notice, Riepilogo and Libri in prestito at a
// million books, each next to a reference measured in the same run: a plain read
// of the columns the tool reads (the floor of any pass over the books), and, for
// Libri in prestito, the search for one author the window runs.
#include "catalogues.h"
#include "fixture.h"
#include "librarysummary.h"
#include "loans.h"
#include "nearduplicates.h"
#include "recordset.h"
#include "references.h"

#include <benchmark/benchmark.h>

#include <random>
#include <sqlite3.h>

namespace bench {

namespace {

constexpr int rows = 1'000'000;
constexpr int booksLent = 2'000;

benchmark::internal::Benchmark* add(const char* name, void (*run)(benchmark::State&))
{
    return benchmark::RegisterBenchmark(name, run)->Arg(rows)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// The author Libri in prestito is measured against: the window's search for them
// lists as many books as are out.
// ... as the body of an SQL text: quotes doubled.
const std::string& searchedAuthor()
{
    static const std::string author = [] {
        std::string quoted;
        for (const char c : presentValues(rows).author)
            quoted += c == '\'' ? std::string("''") : std::string(1, c);
        return quoted;
    }();
    return author;
}

// A copy with the loan columns, some books out (the first loan makes the table and
// the index), and a few hundred duplicates, so every tool has work. As many books
// are out as the searched author has, spread over the whole catalogue, so that
// Libri in prestito and the search list the same number of rows.
const Catalogue& lentCatalogue()
{
    static const Catalogue& file = [] () -> const Catalogue& {
        const Catalogue& copy = scratchCatalogue(rows);
        const auto db = openBare(copy.path);
        catalogue::addLoanColumns(db.get());
        catalogue::recordLoan(db.get(), 1, "Marta", "2026-01-01");
        const std::string lend = "UPDATE dorvi SET prestato_a = 'Marta', prestato_il = date('2026-01-01', '+' || "
                                 "(iddorvo % 300) || ' days') WHERE iddorvo IN (SELECT iddorvo FROM dorvi WHERE "
                                 "iddorvo % 997 = 0 LIMIT (SELECT count(*) FROM dorvi WHERE autore = '" + searchedAuthor() + "'));";
        sqlite3_exec(db.get(), lend.c_str(), nullptr, nullptr, nullptr);
        sqlite3_exec(db.get(),
                     "INSERT INTO dorvi (autore, titolo, genere) SELECT autore, titolo || '!', genere FROM dorvi "
                     "WHERE iddorvo % 3000 = 1;",
                     nullptr, nullptr, nullptr);
        return copy;
    }();
    return file;
}

void scanReference(benchmark::State& state)
{
    const auto db = openBare(lentCatalogue().path);
    for (auto _ : state)
        benchmark::DoNotOptimize(stepEveryColumn(db.get(), "SELECT iddorvo, autore, titolo, genere FROM dorvi"));
}

void findDuplicates(benchmark::State& state)
{
    const auto db = openBare(lentCatalogue().path);
    std::size_t groups = 0;
    for (auto _ : state)
        groups = catalogue::findDuplicateGroups(db.get()).size();
    state.counters["groups"] = static_cast<double>(groups);
}

void summary(benchmark::State& state)
{
    const auto db = openBare(lentCatalogue().path);
    for (auto _ : state)
        benchmark::DoNotOptimize(catalogue::summarize(db.get()));
}

// The notice after a book is written: the index is made once, when the first book
// is written in a run; each further book is one look-up.
void duplicateNotice(benchmark::State& state)
{
    const std::string path = lentCatalogue().path;
    const auto db = openBare(path);
    catalogue::NearDuplicateIndex index(db.get());
    std::mt19937 random(24);
    std::uniform_int_distribution<std::int64_t> book(1, rows);
    for (auto _ : state) {
        // A connection of its own each time, as the window checks a book.
        const auto connection = openBare(path);
        benchmark::DoNotOptimize(index.duplicateOf(connection.get(), book(random)));
    }
}

void bookLookupReference(benchmark::State& state)
{
    std::mt19937 random(24);
    std::uniform_int_distribution<std::int64_t> book(1, rows);
    const std::string path = lentCatalogue().path;
    for (auto _ : state) {
        const auto db = openBare(path);
        benchmark::DoNotOptimize(stepEveryColumn(db.get(), "SELECT * FROM dorvi WHERE iddorvo = " +
                                                               std::to_string(book(random))));
    }
}

void booksOut(benchmark::State& state)
{
    const std::string path = lentCatalogue().path; // made before the clock starts
    std::size_t out = 0;
    for (auto _ : state) {
        const auto listed = openResult(path, catalogue::booksOutStatement());
        out = listed->rowCount();
        benchmark::DoNotOptimize(catalogue::booksOut(*listed)); // the notice under the list
    }
    state.counters["books"] = static_cast<double>(out);
}

void authorSearchReference(benchmark::State& state)
{
    const std::string path = lentCatalogue().path;
    std::size_t found = 0;
    for (auto _ : state)
        found = openResult(path, "select * from dorvi where autore='" + searchedAuthor() + "';")->rowCount();
    state.counters["books"] = static_cast<double>(found);
}

} // namespace

void registerLibraryTools()
{
    add("TrovaDoppioni/reference_scan", scanReference);
    add("TrovaDoppioni/ours", findDuplicates);
    add("Riepilogo/reference_scan", scanReference);
    add("Riepilogo/ours", summary);
    add("DuplicateNotice/reference_book_by_key", bookLookupReference);
    add("DuplicateNotice/ours", duplicateNotice);
    // Two millisecond figures whose runs differ by about 6 % from one to the next:
    // compared by the median of nine.
    for (auto* listing : {add("LibriInPrestito/reference_author_search", authorSearchReference),
                          add("LibriInPrestito/ours", booksOut)})
        listing->Repetitions(9)->ReportAggregatesOnly(true);
    registerTimeLimit("TrovaDoppioni/limit_1500ms", 1.5);
    registerTimeLimit("Riepilogo/limit_1s", 1.0);
    registerTimeLimit("DuplicateNotice/limit_5ms", 0.005);
}

} // namespace bench
