// Opening the book card: building its form over the grid's current book, showing
// and painting it, and closing it. The card reads one row through the grid's model,
// so its time should not depend on how many books the catalogue holds; it is set
// against the engine fetching one book by its key, against the same card at 10k
// books, and against the 30 ms a user does not notice.
#include "bookcard.h"
#include "catalogues.h"
#include "datagrid.h"
#include "fixture.h"
#include "references.h"
#include "registry.h"
#include "standardfields.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <stdexcept>
#include <sqlite3.h>

namespace bench {

namespace {

// A copy of the catalogue of `rows` books with every standard field, half of the
// books holding values in them: made once per run.
const std::string& cardCatalogueFolder(int rows)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> made;
    auto& dir = made[rows];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        const QString path = dir->path() + QStringLiteral("/dorvi.mdb");
        if (!QFile::copy(QString::fromStdString(catalogue(rows).path), path))
            throw std::runtime_error("cannot copy the catalogue");
        const auto db = openBareForWriting(path.toStdString());
        catalogue::addStandardColumns(db.get());
        writeInTransaction(db.get(),
                           "UPDATE dorvi SET anno = 1800 + iddorvo % 220, editore = 'Einaudi', isbn = '9788806219451', "
                           "collana = 'Supercoralli', numero = iddorvo % 40, lingua = 'italiano', pagine = 100 + "
                           "iddorvo % 700, collocazione = 'Studio, scaffale 3', letto = iddorvo % 3 = 0, voto = 1 + "
                           "iddorvo % 5, note = 'Prima edizione.' || char(10) || 'Dedica in prima pagina.', "
                           "prestato_a = 'Anna', prestato_il = '2026-12-08', aggiunto_il = '2025-01-15' "
                           "WHERE iddorvo % 2 = 0",
                           [](sqlite3_stmt*) {});
        keepUntilExit([rows] { made.erase(rows); });
    }
    static std::map<int, std::string> folders;
    return folders[rows] = dir->path().toStdString();
}

void cardOpen(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    ShownWindow shown(cardCatalogueFolder(rows));
    shown.window.mnuop_Click(); // "Gestione": the card's fields take typing
    shown.idle();
    shown.grid->setCurrentIndex(shown.grid->model()->index(rows / 2, 1));
    for (auto _ : state) {
        BookCard card(*shown.grid, shown.services, &shown.window);
        card.show();
        QCoreApplication::processEvents();
        card.close();
    }
    state.counters["fields"] = static_cast<double>(shown.grid->model()->columnCount());
}

// The engine alone: one book, every column, by its key, on a statement prepared anew.
void rowByKey(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const auto db = openBare(cardCatalogueFolder(rows) + "/dorvi.mdb");
    std::size_t read = 0;
    for (auto _ : state) {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(db.get(), "select * from dorvi where iddorvo = ?", -1, &raw, nullptr);
        const catalogue::StatementHandle query(raw);
        sqlite3_bind_int64(raw, 1, rows / 2);
        if (sqlite3_step(raw) == SQLITE_ROW) {
            for (int column = 0; column < sqlite3_column_count(raw); ++column)
                read += static_cast<std::size_t>(sqlite3_value_bytes(sqlite3_column_value(raw, column)));
        }
    }
    benchmark::DoNotOptimize(read);
}

} // namespace

void registerCard()
{
    for (const int rows : {smallRows, largeRows}) {
        benchmark::RegisterBenchmark("Card/open", cardOpen)->Arg(rows)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("Card/row_by_key", rowByKey)->Arg(rows)->Unit(benchmark::kMicrosecond);
    }
    registerTimeLimit("Card/limit_30ms", 0.030);
}

} // namespace bench
