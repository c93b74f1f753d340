// Taking the list out at size: the spreadsheet export of every book, from the
// command to the file renamed into place (its data synced to disk first), against
// the sqlite3 shell's own CSV export of the same table into the same folder; and
// the PDF of 10,000 books, reported on its own. Ours runs the window's command on
// the grid after "Visualizza tutto", as the user would.
#include "catalogues.h"
#include "fixture.h"
#include "registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <sqlite3.h>

namespace bench {

namespace {

QString outputFolder()
{
    const QString folder = QStringLiteral(DORVI_BENCH_DATA "/export");
    QDir().mkpath(folder);
    return folder;
}

void runExport(benchmark::State& state, void (Frmdorvi::*command)(), const char* name)
{
    const Catalogue& file = catalogue(static_cast<int>(state.range(0)));
    ShownWindow shown(file.folder);
    shown.window.mnuall_Click();
    shown.paintNow();
    const QString target = outputFolder() + QLatin1Char('/') + QString::fromLatin1(name);
    shown.services.setSavePath(target);
    for (auto _ : state) {
        (shown.window.*command)();
        if (failedOn(state, shown.services))
            break;
    }
    state.counters["bytes"] = static_cast<double>(QFile(target).size());
    QFile::remove(target);
}

void runShellCsv(benchmark::State& state)
{
    const Catalogue& file = catalogue(static_cast<int>(state.range(0)));
    const QString target = outputFolder() + QStringLiteral("/sqlite3.csv");
    for (auto _ : state) {
        QProcess shell;
        shell.setStandardOutputFile(target);
        shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-csv"), QStringLiteral("-header"),
                                                QString::fromStdString(file.path), QStringLiteral("select * from dorvi;")});
        if (!shell.waitForFinished(-1) || shell.exitCode() != 0) {
            state.SkipWithError("the sqlite3 shell did not export");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(QFile(target).size());
    QFile::remove(target);
}

} // namespace

void registerExports()
{
    benchmark::RegisterBenchmark("ExportCsv/ours",
                                 [](benchmark::State& state) { runExport(state, &Frmdorvi::mnuesportacsv_Click, "catalogo.csv"); })
        ->Arg(largeRows)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("ExportCsv/sqlite3_shell", runShellCsv)
        ->Arg(largeRows)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("ExportPdf/ours",
                                 [](benchmark::State& state) { runExport(state, &Frmdorvi::mnuesportapdf_Click, "catalogo.pdf"); })
        ->Arg(smallRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
}

} // namespace bench
