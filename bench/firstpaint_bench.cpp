// Binding a result that is already fetched and painting the first screen of it.
// Only one screen of rows is ever visible, so the time should not depend on how
// many rows the result holds; comparing 10k with 1M rows shows whether it does.
#include "catalogues.h"
#include "datagrid.h"
#include "fixture.h"
#include "recordset.h"
#include "registry.h"

#include <map>

namespace bench {

namespace {

// Fetched once per run: only binding and painting are measured here.
std::shared_ptr<catalogue::Recordset> fetchedOnce(int rows)
{
    static std::map<int, std::shared_ptr<catalogue::Recordset>> fetched;
    auto& result = fetched[rows];
    if (!result) {
        result = openShowAll(catalogue(rows).path);
        keepUntilExit([rows] { fetched.erase(rows); });
    }
    return result;
}

void firstPaint(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const auto result = fetchedOnce(rows);
    ShownWindow shown(catalogue(rows).folder);
    for (auto _ : state) {
        const int paintsBefore = shown.paints();
        shown.grid->setDataSource(result);
        shown.paintNow();
        if (shown.paints() == paintsBefore) {
            state.SkipWithError("the grid did not paint");
            break;
        }
    }
    state.counters["rows"] = static_cast<double>(shown.grid->model()->rowCount());
}

} // namespace

void registerFirstPaint()
{
    for (const int rows : {smallRows, mediumRows, largeRows})
        benchmark::RegisterBenchmark("FirstPaint", firstPaint)->Arg(rows)->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace bench
