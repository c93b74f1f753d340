// What the undo history holds for a deletion of a million books, and what taking it
// back and forth six times adds, against what those books take in the result set
// they were listed in. Measured on the heap (see heapInUse), each figure with
// every result released, on the scratch copy of the 1M catalogue, which ends as it
// began.
#include "catalogues.h"
#include "fixture.h"
#include "history.h"
#include "recordset.h"
#include "references.h"
#include "registry.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <numeric>
#include <optional>

namespace bench {

namespace {

struct HistoryMemory {
    std::size_t resultRows = 0; ///< the books in the result, by its own accounting
    std::size_t oneDeletion = 0;
    std::size_t afterSixRounds = 0;
    std::string error;
};

std::vector<std::size_t> everyRow(const catalogue::Recordset& result)
{
    std::vector<std::size_t> rows(result.rowCount());
    std::iota(rows.begin(), rows.end(), std::size_t(0));
    return rows;
}

HistoryMemory measure()
{
    HistoryMemory memory;
    const Catalogue& file = scratchCatalogue(largeRows);
    auto history = std::make_shared<catalogue::History>();
    const auto listing = [&] {
        auto result = openShowAll(file.path);
        result->setHistory(history);
        return result;
    };
    try {
        const std::size_t before = heapInUse();
        {
            auto result = listing();
            memory.resultRows = result->bytesHeld();
            if (!result->remove(everyRow(*result)))
                throw std::runtime_error("the deletion stopped");
        }
        memory.oneDeletion = heapInUse() - before;
        {
            auto result = listing(); // empty: "Gestione" after the deletion
            for (int round = 0; round < 6; ++round) {
                if (!history->undo(*result) || !history->redo(*result))
                    throw std::runtime_error("an undo or a redo stopped");
            }
        }
        memory.afterSixRounds = heapInUse() - before;
        history->undo(*listing()); // the books back for whatever runs next
    } catch (const std::exception& error) {
        memory.error = error.what();
    }
    return memory;
}

const HistoryMemory& measured()
{
    static const HistoryMemory memory = measure();
    return memory;
}

void report(benchmark::State& state, std::size_t HistoryMemory::*figure)
{
    const HistoryMemory& memory = measured();
    for (auto _ : state) {
    }
    if (!memory.error.empty()) {
        state.SkipWithError(memory.error.c_str());
        return;
    }
    state.counters["bytes_per_row"] = static_cast<double>(memory.*figure) / largeRows;
}

void resultRows(benchmark::State& state) { report(state, &HistoryMemory::resultRows); }
void oneDeletion(benchmark::State& state) { report(state, &HistoryMemory::oneDeletion); }
void afterSixRounds(benchmark::State& state) { report(state, &HistoryMemory::afterSixRounds); }

} // namespace

void registerHistory()
{
    for (auto* figure : {benchmark::RegisterBenchmark("HistoryMemory/result_rows", resultRows),
                         benchmark::RegisterBenchmark("HistoryMemory/delete_all", oneDeletion),
                         benchmark::RegisterBenchmark("HistoryMemory/delete_all_6_undo_redo", afterSixRounds)})
        figure->Arg(largeRows)->Iterations(1);
}

} // namespace bench
