// The letter folding on a million cells, as the quick filter and the sort fold
// them: every author, title and genre of the 1M catalogue, into one reused buffer.
// No reference: the figure shows what folding costs next to the filter's budget.
#include "catalogues.h"
#include "fixture.h"
#include "fold.h"
#include "registry.h"
#include "sqlitehandles.h"

#include <vector>
#include <sqlite3.h>

namespace bench {

namespace {

const std::vector<std::string>& cells()
{
    static const std::vector<std::string> all = [] {
        std::vector<std::string> texts;
        sqlite3* raw = nullptr;
        sqlite3_open_v2(catalogue(largeRows).path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
        catalogue::DatabaseHandle db(raw);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db.get(), "SELECT autore, titolo, genere FROM dorvi", -1, &stmt, nullptr);
        catalogue::StatementHandle owned(stmt);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            for (int column = 0; column < 3; ++column) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
                texts.emplace_back(text ? text : "");
            }
        }
        return texts;
    }();
    return all;
}

template <void (*Fold)(std::string&, std::string_view)>
void foldEveryCell(benchmark::State& state)
{
    const std::vector<std::string>& texts = cells();
    std::string keys;
    for (auto _ : state) {
        keys.clear();
        for (const std::string& text : texts)
            Fold(keys, text);
        benchmark::DoNotOptimize(keys.data());
    }
    state.counters["cells"] = static_cast<double>(texts.size());
    state.counters["bytes"] = static_cast<double>(keys.size());
}

void appendCase(std::string& out, std::string_view text)
{
    out += catalogue::foldCase(text);
}

void add(const char* name, void (*run)(benchmark::State&))
{
    benchmark::RegisterBenchmark(name, run)->Arg(largeRows)->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

void registerFolding()
{
    add("Fold/case_and_accents", foldEveryCell<catalogue::appendFoldCaseAndAccents>);
    add("Fold/quick_filter", foldEveryCell<catalogue::appendFilterFold>);
    add("Fold/case", foldEveryCell<appendCase>);
}

} // namespace bench
