// The safety copies on the 1M-book catalogue (about 80 MB): one copy through the
// online backup (written, checked with quick_check, flushed and renamed) against
// `cp` of the same file; the longest the window's event loop waits while the day's
// copy runs in the background; and a change typed while that copy runs, which
// waits for it with the window still turning. The window works on a copy of the
// catalogue of its own, whose `copie` folder is emptied before each round.
#include "backupcopy.h"
#include "backupgate.h"
#include "catalogues.h"
#include "copykeeper.h"
#include "datagrid.h"
#include "fixture.h"
#include "recordsetmodel.h"
#include "registry.h"
#include "sqlitehandles.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>

namespace fs = std::filesystem;

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A folder of its own holding a copy of the 1M catalogue, for the window's copies.
const Catalogue& copiedCatalogue()
{
    static const Catalogue made = [] {
        const Catalogue& source = catalogue(largeRows);
        Catalogue result;
        result.folder = (fs::path(source.folder).parent_path() / "backup-1000000").string();
        result.path = result.folder + "/dorvi.mdb";
        result.rows = largeRows;
        fs::create_directories(result.folder);
        fs::remove(result.path + "-journal");
        fs::copy_file(source.path, result.path, fs::copy_options::overwrite_existing);
        return result;
    }();
    return made;
}

void emptyCopies(const Catalogue& file)
{
    fs::remove_all(fs::path(file.folder) / "copie");
}

void copyOurs(benchmark::State& state)
{
    const Catalogue& file = catalogue(largeRows);
    const std::string target = copiedCatalogue().folder + "/bench-copy.mdb";
    for (auto _ : state) {
        catalogue::copyDatabase(file.path, target);
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(file.path));
}

// The engine's own floor: the online backup alone, in one step, into a file with
// no journal and no flush, as our copy writes it; no check, no rename.
void copyEngineFloor(benchmark::State& state)
{
    const Catalogue& file = catalogue(largeRows);
    const std::string target = copiedCatalogue().folder + "/bench-floor.mdb";
    for (auto _ : state) {
        sqlite3* from = nullptr;
        sqlite3* to = nullptr;
        sqlite3_open_v2(file.path.c_str(), &from, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_open_v2(target.c_str(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        catalogue::DatabaseHandle source(from), copy(to);
        sqlite3_exec(to, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        const int rc = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE) {
            state.SkipWithError("the backup failed");
            break;
        }
        state.PauseTiming();
        copy.reset();
        fs::remove(target);
        state.ResumeTiming();
    }
}

// The check every copy passes before it is named, alone.
void quickCheck(benchmark::State& state)
{
    const std::string copy = copiedCatalogue().folder + "/bench-checked.mdb";
    catalogue::copyDatabase(catalogue(largeRows).path, copy);
    for (auto _ : state) {
        if (!catalogue::passesQuickCheck(copy)) {
            state.SkipWithError("the copy does not pass the check");
            break;
        }
    }
    fs::remove(copy);
}

void copyCp(benchmark::State& state, bool flush)
{
    const Catalogue& file = catalogue(largeRows);
    const std::string target = copiedCatalogue().folder + "/bench-cp.mdb";
    const std::string command = "cp '" + file.path + "' '" + target + "'" + (flush ? " && sync '" + target + "'" : "");
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cp failed");
            break;
        }
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
    }
}

// Runs the event loop until `done`, ticking every millisecond; returns the longest
// time between two ticks while a copy of `file` ran, which is the longest the window
// could not answer meanwhile. (A change held for the copy is written once the copy
// has ended: that write's own time is a write's, measured with the writes.)
double longestWaitUntil(const Catalogue& file, const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    auto last = Clock::now();
    double longest = 0;
    bool copying = catalogue::BackupGate::isCopying(file.path);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        const auto now = Clock::now();
        if (copying)
            longest = std::max(longest, std::chrono::duration<double>(now - last).count());
        copying = catalogue::BackupGate::isCopying(file.path);
        last = now;
        if (done())
            loop.quit();
    });
    tick.start(1);
    loop.exec();
    return longest;
}

void windowDuringDailyCopy(benchmark::State& state)
{
    const Catalogue& file = copiedCatalogue();
    ShownWindow shown(file.folder);
    CopyKeeper& keeper = shown.window.copies();
    double copySeconds = 0;
    for (auto _ : state) {
        emptyCopies(file);
        const auto start = Clock::now();
        keeper.startDailyCopy();
        const double longest = longestWaitUntil(file, [&] { return !keeper.copying(); });
        copySeconds += since(start);
        if (keeper.copies().list().empty()) {
            state.SkipWithError("the day's copy was not made");
            break;
        }
        state.SetIterationTime(longest);
    }
    state.counters["copy_ms"] = benchmark::Counter(copySeconds * 1000, benchmark::Counter::kAvgIterations);
}

std::string titleIn(const std::string& path, int key)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    catalogue::DatabaseHandle db(raw);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.get(), ("SELECT titolo FROM dorvi WHERE iddorvo = " + std::to_string(key)).c_str(), -1,
                       &stmt, nullptr);
    catalogue::StatementHandle owned(stmt);
    return stmt && sqlite3_step(stmt) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)) : "";
}

// A change typed just after the day's copy began: it waits for the copy, the event
// loop turning meanwhile (the longest pause between its ticks is the figure), and
// the copy holds the book as it was before the change.
void writeDuringDailyCopy(benchmark::State& state)
{
    const Catalogue& file = copiedCatalogue();
    ShownWindow shown(file.folder);
    shown.window.mnuop_Click();
    shown.paintNow();
    CopyKeeper& keeper = shown.window.copies();
    RecordsetModel* model = shown.grid->recordsetModel();
    int titolo = 0;
    while (model->recordset()->columnName(titolo) != "titolo")
        ++titolo;
    const QModelIndex cell = model->index(0, titolo);
    const QString original = cell.data(Qt::EditRole).toString();
    double waitSeconds = 0;
    int round = 0;
    for (auto _ : state) {
        emptyCopies(file);
        const QString before = cell.data(Qt::EditRole).toString();
        const QString after = round++ % 2 ? original : original + QStringLiteral(" (riveduto)");
        keeper.startDailyCopy();
        double longest = 0;
        bool written = false;
        const auto start = Clock::now();
        // The change is typed from within the event loop, as the grid hands it over.
        QTimer::singleShot(0, [&] {
            written = model->setData(cell, after);
            waitSeconds += since(start);
        });
        longest = longestWaitUntil(file, [&] { return written && !keeper.copying(); });
        const auto copies = keeper.copies().list();
        if (!written || copies.empty() || titleIn(copies.front().path, 1) != before.toStdString()) {
            state.SkipWithError("the copy does not hold the book as it was before the change");
            break;
        }
        state.SetIterationTime(longest);
    }
    if (round % 2)
        model->setData(cell, original);
    state.counters["write_waited_ms"] = benchmark::Counter(waitSeconds * 1000, benchmark::Counter::kAvgIterations);
}

// The same ticks with no copy running, for as long as a copy took: the pauses the
// machine itself imposes on the window's thread (on a shared machine, the other
// programs' turns on the processors).
void windowIdle(benchmark::State& state)
{
    const Catalogue& file = copiedCatalogue();
    ShownWindow shown(file.folder);
    for (auto _ : state) {
        const auto start = Clock::now();
        bool ticking = true;
        QTimer::singleShot(3000, [&] { ticking = false; });
        QEventLoop loop;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        auto last = start;
        double longest = 0;
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            const auto now = Clock::now();
            longest = std::max(longest, std::chrono::duration<double>(now - last).count());
            last = now;
            if (!ticking)
                loop.quit();
        });
        tick.start(1);
        loop.exec();
        state.SetIterationTime(longest);
    }
}

} // namespace

void registerBackups()
{
    const std::string rows = "/" + std::to_string(largeRows);
    benchmark::RegisterBenchmark(("Backup/ours" + rows).c_str(), copyOurs)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Backup/cp" + rows).c_str(), copyCp, false)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Backup/cp_and_sync" + rows).c_str(), copyCp, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Backup/engine_floor" + rows).c_str(), copyEngineFloor)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Backup/quick_check" + rows).c_str(), quickCheck)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (auto* manual : {benchmark::RegisterBenchmark(("Backup/window_longest_pause" + rows).c_str(), windowDuringDailyCopy),
                         benchmark::RegisterBenchmark(("Backup/write_longest_pause" + rows).c_str(), writeDuringDailyCopy),
                         benchmark::RegisterBenchmark(("Backup/idle_longest_pause" + rows).c_str(), windowIdle)})
        manual->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
    registerTimeLimit("Backup/limit_50ms", 0.050); // the limit the window's pauses are held to
}

} // namespace bench
