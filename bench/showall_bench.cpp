// "Visualizza tutto" from the menu command to the first painted screen, and the
// memory its result holds, against the floors and against the stock Qt way.
#include "catalogues.h"
#include "fixture.h"
#include "recordset.h"
#include "references.h"
#include "registry.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQueryModel>

#include <memory>

namespace bench {

namespace {

// A Qt SQL connection of its own to one catalogue, closed and forgotten on the way out.
class QtSqlCatalogue {
public:
    explicit QtSqlCatalogue(const std::string& path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(QString::fromStdString(path));
        m_open = db.open();
        m_error = db.lastError().text().toStdString();
    }
    ~QtSqlCatalogue()
    {
        database().close();
        QSqlDatabase::removeDatabase(name());
    }
    bool isOpen() const { return m_open; }
    const std::string& error() const { return m_error; }
    QSqlDatabase database() const { return QSqlDatabase::database(name(), false); }

private:
    static QString name() { return QStringLiteral("dorvi-bench"); }
    bool m_open = false;
    std::string m_error;
};

bool qtSqliteMissing(benchmark::State& state)
{
    if (QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return false;
    state.SkipWithError("Qt's SQLite driver is missing (Debian package libqt6sql6-sqlite)");
    return true;
}

// Fetched to the end, as a view would by scrolling to the bottom.
std::unique_ptr<QSqlQueryModel> fetchWithQt(const QtSqlCatalogue& qt)
{
    auto model = std::make_unique<QSqlQueryModel>();
    model->setQuery(QString::fromStdString(showAllStatement()), qt.database());
    while (model->canFetchMore())
        model->fetchMore();
    return model;
}

void setRowCounters(benchmark::State& state, std::size_t rows, std::size_t bytesHeld)
{
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["bytes_per_row"] = rows ? static_cast<double>(bytesHeld) / static_cast<double>(rows) : 0;
}

// Which catalogue a benchmark reads: the plain one, or the same books with every
// standard field half filled.
using CatalogueOf = const Catalogue& (*)(int rows);

void showAllOurs(benchmark::State& state, CatalogueOf catalogueOf)
{
    const int rows = static_cast<int>(state.range(0));
    const Catalogue& file = catalogueOf(rows);
    ShownWindow shown(file.folder);
    shown.services.setAnswer(presentValues(rows).title);
    for (auto _ : state) {
        // Start each time from a one-book result on screen, as after a search, so
        // that freeing the previous full result is not counted.
        state.PauseTiming();
        shown.window.mnutit_Click();
        shown.paintNow();
        const int paintsBefore = shown.paints();
        state.ResumeTiming();

        shown.window.mnuall_Click();
        shown.paintNow();

        if (failedOn(state, shown.services))
            break;
        if (shown.paints() == paintsBefore) {
            state.SkipWithError("the grid did not paint");
            break;
        }
    }
    if (shown.window.str.toStdString() != showAllStatement())
        state.SkipWithError("the window ran another statement than the one measured against");
    if (const auto& result = shown.window.recordset())
        setRowCounters(state, result->rowCount(), result->bytesHeld());
}

void showAllCompactFloor(benchmark::State& state, CatalogueOf catalogueOf)
{
    const Catalogue& file = catalogueOf(static_cast<int>(state.range(0)));
    auto db = openBare(file.path);
    const ResultSize size = stepEveryColumn(db.get(), showAllStatement());
    CompactRows held;
    for (auto _ : state) {
        state.PauseTiming();
        held = CompactRows();
        state.ResumeTiming();
        held = fetchCompact(db.get(), showAllStatement(), size);
    }
    setRowCounters(state, held.rows, held.bytesHeld());
}

void showAllPhysicalFloor(benchmark::State& state, CatalogueOf catalogueOf)
{
    const Catalogue& file = catalogueOf(static_cast<int>(state.range(0)));
    auto db = openBare(file.path);
    ResultSize size;
    for (auto _ : state)
        size = stepEveryColumn(db.get(), showAllStatement());
    state.counters["rows"] = static_cast<double>(size.rows);
}

void showAllQSqlQueryModel(benchmark::State& state)
{
    if (qtSqliteMissing(state))
        return;
    const Catalogue& file = catalogue(static_cast<int>(state.range(0)));
    QtSqlCatalogue qt(file.path);
    if (!qt.isOpen()) {
        state.SkipWithError(qt.error().c_str());
        return;
    }
    std::unique_ptr<QSqlQueryModel> model;
    for (auto _ : state) {
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
        model = fetchWithQt(qt);
    }
    if (model && model->lastError().isValid())
        state.SkipWithError(model->lastError().text().toStdString().c_str());
    else if (model)
        state.counters["rows"] = model->rowCount();
    model.reset();
}

// Memory is read from the heap itself for every contender, so the three figures
// are counted the same way; ours and the floor also report their own accounting.
void memoryOurs(benchmark::State& state, CatalogueOf catalogueOf)
{
    const Catalogue& file = catalogueOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        const auto result = openShowAll(file.path);
        const std::size_t grown = heapInUse() - before;
        setRowCounters(state, result->rowCount(), result->bytesHeld());
        state.counters["heap_bytes_per_row"] = static_cast<double>(grown) / static_cast<double>(result->rowCount());
    }
}

void memoryCompactFloor(benchmark::State& state, CatalogueOf catalogueOf)
{
    const Catalogue& file = catalogueOf(static_cast<int>(state.range(0)));
    auto db = openBare(file.path);
    const ResultSize size = stepEveryColumn(db.get(), showAllStatement());
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        const CompactRows held = fetchCompact(db.get(), showAllStatement(), size);
        const std::size_t grown = heapInUse() - before;
        setRowCounters(state, held.rows, held.bytesHeld());
        state.counters["heap_bytes_per_row"] = static_cast<double>(grown) / static_cast<double>(held.rows);
    }
}

void memoryQSqlQueryModel(benchmark::State& state)
{
    if (qtSqliteMissing(state))
        return;
    const Catalogue& file = catalogue(static_cast<int>(state.range(0)));
    QtSqlCatalogue qt(file.path);
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        const auto model = fetchWithQt(qt);
        const std::size_t grown = heapInUse() - before;
        setRowCounters(state, static_cast<std::size_t>(model->rowCount()), grown);
        state.counters["heap_bytes_per_row"] = state.counters["bytes_per_row"];
    }
}

} // namespace

void registerShowAll()
{
    for (const int rows : {smallRows, mediumRows, largeRows}) {
        for (auto* showAll :
             {benchmark::RegisterBenchmark("ShowAll/ours", showAllOurs, catalogue),
              benchmark::RegisterBenchmark("ShowAll/compact_floor", showAllCompactFloor, catalogue),
              benchmark::RegisterBenchmark("ShowAll/physical_floor", showAllPhysicalFloor, catalogue),
              benchmark::RegisterBenchmark("ShowAll/QSqlQueryModel", showAllQSqlQueryModel)})
            showAll->Arg(rows)->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    // One reading is enough: the bytes held do not vary from run to run.
    for (auto* memory : {benchmark::RegisterBenchmark("Memory/ours", memoryOurs, catalogue),
                         benchmark::RegisterBenchmark("Memory/compact_floor", memoryCompactFloor, catalogue),
                         benchmark::RegisterBenchmark("Memory/QSqlQueryModel", memoryQSqlQueryModel)})
        memory->Arg(largeRows)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    // The same on the books with every standard field half filled, against floors
    // measured on that file. On this shared machine one run of either differs from
    // the next by up to a quarter: compared by the median of five.
    for (auto* showAll : {benchmark::RegisterBenchmark("ShowAllFilled/ours", showAllOurs, filledCatalogue),
                          benchmark::RegisterBenchmark("ShowAllFilled/compact_floor", showAllCompactFloor,
                                                       filledCatalogue),
                          benchmark::RegisterBenchmark("ShowAllFilled/physical_floor", showAllPhysicalFloor,
                                                       filledCatalogue)})
        showAll->Arg(largeRows)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (auto* memory : {benchmark::RegisterBenchmark("MemoryFilled/ours", memoryOurs, filledCatalogue),
                         benchmark::RegisterBenchmark("MemoryFilled/compact_floor", memoryCompactFloor,
                                                      filledCatalogue)})
        memory->Arg(largeRows)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace bench
