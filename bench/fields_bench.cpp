// Adding a field at a million books, as "Campi" does it: a connection opened for
// the change, the name checked, one ALTER TABLE … ADD COLUMN in a transaction of its
// own, committed with the program's synchronous=FULL. The catalogue has every
// standard field, half of them empty in every book. The reference is the same
// ALTER TABLE through the bare C API on the same file, in its own BEGIN IMMEDIATE
// and COMMIT: the engine's floor for the change, so the ratio is what the program
// adds to it; the same change on an empty catalogue shows that it does not grow
// with the books (ADD COLUMN rewrites only the schema), and a fixed 100 ms states
// the target. Listing the fields for the dialog (one pass counting the values of
// every column) is shown beside a plain count(*) for context.
//
// Opening "Campi" on the catalogue with every standard field half filled: from
// the menu item until the dialog has painted, and closing it (which stops its
// counting, still running on its own thread), against reading the column list on a
// connection opened for it, the least any listing of the fields does; and, for
// context, the listing with its counts that the dialog made before it showed.
#include "catalogues.h"
#include "connection.h"
#include "fieldchanges.h"
#include "fixture.h"
#include "references.h"
#include "registry.h"
#include "standardfields.h"
#include "statement.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <sqlite3.h>

namespace fs = std::filesystem;

namespace bench {

namespace {

constexpr int addsPerRun = 20; // each adds a column: a run stays far below SQLite's 2000

// Made anew once per run, since every add leaves its column behind.
std::string fieldsCatalogue(int rows)
{
    const fs::path folder = fs::path(DORVI_BENCH_DATA) / ("fields-" + std::to_string(rows));
    const std::string path = (folder / "dorvi.mdb").string();
    fs::create_directories(folder);
    fs::remove(path);
    fs::remove(path + "-journal");
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    catalogue::DatabaseHandle db(raw);
    catalogue::execute(db.get(), "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT, titolo TEXT, "
                                 "genere TEXT)");
    catalogue::addStandardColumns(db.get());
    // Half the standard fields hold a value in every book, the other half none.
    catalogue::execute(db.get(), ("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                                  std::to_string(rows) +
                                  ") INSERT INTO dorvi (autore, titolo, genere, anno, isbn, numero, pagine, letto, "
                                  "note, prestato_il) SELECT 'Autore ' || (i % 5000), 'Titolo del libro ' || i, "
                                  "'Romanzo', 1900 + i % 120, '978' || (8800000000 + i), i % 7, 100 + i % 900, i % 2, "
                                  "'Una nota di qualche parola sul libro ' || i, '2026-12-08' FROM n")
                                     .c_str());
    return path;
}

const std::string& largeFields()
{
    static const std::string path = fieldsCatalogue(largeRows);
    return path;
}

const std::string& emptyFields()
{
    static const std::string path = fieldsCatalogue(0);
    return path;
}

void addOurs(benchmark::State& state, const std::string& path)
{
    static int added = 0; // names stay unique across repetitions and files
    for (auto _ : state) {
        catalogue::Connection connection;
        connection.setProvider(catalogue::Connection::catalogueProvider);
        connection.setConnectionString(path);
        connection.open();
        connection.prepareForWriting();
        catalogue::addField(connection.handle(), "campo_" + std::to_string(++added), "TEXT");
    }
}

void addBare(benchmark::State& state)
{
    catalogue::DatabaseHandle db = openBareForWriting(largeFields());
    static int added = 0;
    for (auto _ : state) {
        catalogue::execute(db.get(), "BEGIN IMMEDIATE");
        catalogue::execute(db.get(), ("ALTER TABLE dorvi ADD COLUMN nudo_" + std::to_string(++added) + " TEXT").c_str());
        catalogue::execute(db.get(), "COMMIT");
    }
}

void listFields(benchmark::State& state)
{
    catalogue::DatabaseHandle db = openBare(largeFields());
    for (auto _ : state)
        benchmark::DoNotOptimize(catalogue::listFields(db.get()));
}

void countAll(benchmark::State& state)
{
    catalogue::DatabaseHandle db = openBare(largeFields());
    for (auto _ : state) {
        catalogue::Statement count(db.get(), "SELECT count(*) FROM dorvi");
        count.step();
    }
}

void openDialog(benchmark::State& state)
{
    ShownWindow shown(filledCatalogue(largeRows).folder);
    shown.services.dialogScript = [](QDialog& dialog) {
        dialog.show();
        QCoreApplication::processEvents();
        dialog.close();
    };
    auto* fields = shown.window.findChild<QAction*>(QStringLiteral("mnucampi"));
    if (!fields) {
        state.SkipWithError("no Campi in the menu");
        return;
    }
    for (auto _ : state) {
        fields->trigger();
        if (failedOn(state, shown.services))
            break;
    }
}

void readColumns(benchmark::State& state)
{
    for (auto _ : state) {
        catalogue::Connection connection;
        connection.setProvider(catalogue::Connection::catalogueProvider);
        connection.setConnectionString(filledCatalogue(largeRows).path);
        connection.open();
        benchmark::DoNotOptimize(catalogue::catalogueColumns(connection.handle()));
    }
}

void listFilledWithCounts(benchmark::State& state)
{
    catalogue::DatabaseHandle db = openBare(filledCatalogue(largeRows).path);
    for (auto _ : state)
        benchmark::DoNotOptimize(catalogue::listFields(db.get()));
}

} // namespace

void registerFields()
{
    const std::string rows = "/" + std::to_string(largeRows);
    benchmark::RegisterBenchmark(("Fields/add" + rows).c_str(), [](benchmark::State& s) { addOurs(s, largeFields()); })
        ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(addsPerRun);
    benchmark::RegisterBenchmark(("Fields/add_bare" + rows).c_str(), addBare)
        ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(addsPerRun);
    benchmark::RegisterBenchmark("Fields/add/0", [](benchmark::State& s) { addOurs(s, emptyFields()); })
        ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(addsPerRun);
    registerTimeLimit("Fields/limit_100ms", 0.100);
    benchmark::RegisterBenchmark(("Fields/list" + rows).c_str(), listFields)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Fields/count" + rows).c_str(), countAll)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Fields/open" + rows).c_str(), openDialog)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Fields/columns" + rows).c_str(), readColumns)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Fields/list_counted" + rows).c_str(), listFilledWithCounts)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace bench
