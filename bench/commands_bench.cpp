// "Totale dorvi" and the three searches, from the menu command to the result bound
// to the grid, against the same statement through the bare C API. The grid's paint
// is measured on its own (FirstPaint); here it happens between runs, untimed, on
// every side alike, as it would while the user reads the result. The result set alone, without the window,
// is measured too, to tell the data layer's share from the grid's.
#include "catalogues.h"
#include "datagrid.h"
#include "fixture.h"
#include "recordset.h"
#include "references.h"
#include "registry.h"

namespace bench {

namespace {

using Command = void (Frmdorvi::*)();

// What the user types and the statement the command should run with it; read only
// when the benchmark runs, so filtering it out never makes its catalogue.
struct Asked {
    std::string answer;
    std::string statement;
};
using Question = std::function<Asked()>;

void runCommand(benchmark::State& state, Command command, const Question& question)
{
    const Asked asked = question();
    const Catalogue& file = catalogue(static_cast<int>(state.range(0)));
    ShownWindow shown(file.folder);
    shown.services.setAnswer(asked.answer);
    for (auto _ : state) {
        (shown.window.*command)();
        state.PauseTiming();
        shown.idle();
        state.ResumeTiming();
        if (failedOn(state, shown.services))
            break;
    }
    if (shown.window.str.toStdString() != asked.statement)
        state.SkipWithError("the window ran another statement than the one measured against");
    if (const auto& result = shown.window.recordset(); result && result->isOpen())
        state.counters["rows"] = static_cast<double>(result->rowCount());
}

// Between two timed runs the window shows the command's result and repaints it, as
// it does between the command's own runs; so every side starts with the caches in
// the state a user's next command finds them, not warmed by a tight loop.
class Between {
public:
    Between(const Catalogue& file, Command command, const Asked& asked) : m_shown(file.folder)
    {
        m_shown.services.setAnswer(asked.answer);
        (m_shown.window.*command)();
    }
    void repaint(benchmark::State& state)
    {
        state.PauseTiming();
        m_shown.grid->viewport()->update();
        m_shown.idle();
        state.ResumeTiming();
    }

private:
    ShownWindow m_shown;
};

// Our data layer alone: what the command does with the file, without the window.
void runResultSet(benchmark::State& state, Command command, const Question& question)
{
    const Asked asked = question();
    const Catalogue& file = catalogue(static_cast<int>(state.range(0)));
    Between between(file, command, asked);
    std::shared_ptr<catalogue::Recordset> result;
    for (auto _ : state) {
        result = openResult(file.path, asked.statement);
        between.repaint(state);
    }
    state.counters["rows"] = static_cast<double>(result ? result->rowCount() : 0);
}

// A fresh connection each time, as the command itself opens one.
void runBare(benchmark::State& state, Command command, const Question& question)
{
    const Asked asked = question();
    const Catalogue& file = catalogue(static_cast<int>(state.range(0)));
    Between between(file, command, asked);
    ResultSize size;
    for (auto _ : state) {
        {
            const auto db = openBare(file.path);
            size = stepEveryColumn(db.get(), asked.statement);
        }
        between.repaint(state);
    }
    state.counters["rows"] = static_cast<double>(size.rows);
}

void add(const std::string& name, std::function<void(benchmark::State&)> run)
{
    benchmark::RegisterBenchmark(name.c_str(), [run](benchmark::State& state) { run(state); })
        ->Arg(largeRows)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
}

void addComparison(const std::string& base, Command command, Question question)
{
    add(base + "/ours", [=](benchmark::State& state) { runCommand(state, command, question); });
    add(base + "/ours_result_set", [=](benchmark::State& state) { runResultSet(state, command, question); });
    add(base + "/bare", [=](benchmark::State& state) { runBare(state, command, question); });
}

Question search(const char* column, std::string SearchValues::*field, bool hit)
{
    return [=] {
        const SearchValues values = hit ? presentValues(largeRows) : absentValues();
        return Asked{values.*field, searchStatement(column, values.*field)};
    };
}

} // namespace

void registerCommands()
{
    addComparison("Count", &Frmdorvi::mnutot_Click, [] { return Asked{{}, countStatement()}; });
    struct Column {
        const char* name;
        Command command;
        std::string SearchValues::*field;
    };
    for (const Column& column : {Column{"autore", &Frmdorvi::mnuaut_Click, &SearchValues::author},
                                 Column{"titolo", &Frmdorvi::mnutit_Click, &SearchValues::title},
                                 Column{"genere", &Frmdorvi::mnugen_Click, &SearchValues::genre}}) {
        const std::string base = std::string("Search/") + column.name;
        addComparison(base + "_hit", column.command, search(column.name, column.field, true));
        addComparison(base + "_miss", column.command, search(column.name, column.field, false));
    }

    // The letter rule's cost: answers in capitals with exactly the same hits, in
    // ASCII and with accented capitals. The old statement through the bare C API
    // would find only the books spelled in capitals, so it is no reference here.
    const auto capitals = [](std::string CapitalsAnswers::*field) {
        return [field] {
            const std::string answer = capitalsAnswers().*field;
            return Asked{answer, searchStatement("autore", answer)};
        };
    };
    for (const auto& [name, field] : {std::pair{"ascii", &CapitalsAnswers::ascii},
                                      std::pair{"accented", &CapitalsAnswers::accented},
                                      std::pair{"accent_first", &CapitalsAnswers::accentFirst}}) {
        const std::string base = std::string("Capitals/autore_") + name;
        add(base + "/ours", [=](benchmark::State& state) { runCommand(state, &Frmdorvi::mnuaut_Click, capitals(field)); });
        add(base + "/ours_result_set",
            [=](benchmark::State& state) { runResultSet(state, &Frmdorvi::mnuaut_Click, capitals(field)); });
    }
}

} // namespace bench
