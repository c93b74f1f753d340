// The quick filter and column sorting on a million books, through the real window
// and grid: each figure is the change to the rows on show plus the repaint the user
// waits for. Then jumps and repaints with huge titles on screen, against the same
// without them. Targets: a keystroke of the filter within 30 ms (median), the first
// sort by titolo within 1 s, a reverse within 100 ms. Next to them, for the choice
// of design, Qt's stock QSortFilterProxyModel over the same model, run once.
#include "catalogues.h"
#include "datagrid.h"
#include "fixture.h"
#include "recordset.h"
#include "recordsetmodel.h"
#include "registry.h"
#include "shownrowsmodel.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QSortFilterProxyModel>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

// "Visualizza tutto" on the million-book catalogue, painted.
struct ListedWindow {
    ListedWindow() : shown(catalogue(largeRows).folder)
    {
        shown.window.mnuall_Click();
        shown.paintNow();
        view = shown.grid->shownRows();
    }
    int column(const char* name) const
    {
        for (int c = 0; c < view->columnCount(); ++c) {
            if (view->headerData(c, Qt::Horizontal).toString() == QLatin1String(name))
                return c;
        }
        return -1;
    }
    ShownWindow shown;
    ShownRowsModel* view = nullptr;
};

template <typename Step>
double timed(ListedWindow& listed, Step step)
{
    const auto start = Clock::now();
    step();
    listed.shown.paintNow();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Each iteration is one keystroke of typing the sample author, letter by letter;
// after the last letter the field is emptied, untimed, and typing starts over. The
// first letter scans every book, each further one only the books still shown.
void filterTyping(benchmark::State& state)
{
    ListedWindow listed;
    const QString typed = QString::fromStdString(presentValues(largeRows).author).toUpper();
    listed.view->setFilterText(QStringLiteral("x")); // folds every book once, untimed
    listed.view->setFilterText({});
    int length = 0;
    std::vector<double> keystrokes;
    for (auto _ : state) {
        if (length == typed.size()) {
            listed.view->setFilterText({});
            listed.shown.paintNow();
            length = 0;
        }
        ++length;
        keystrokes.push_back(timed(listed, [&] { listed.view->setFilterText(typed.left(length)); }));
        state.SetIterationTime(keystrokes.back());
    }
    std::sort(keystrokes.begin(), keystrokes.end());
    state.counters["median_ms"] = keystrokes.empty() ? 0 : keystrokes[keystrokes.size() / 2] * 1000;
    state.counters["slowest_ms"] = keystrokes.empty() ? 0 : keystrokes.back() * 1000;
}

// The worst keystroke: each one changes a word so that every book is scanned again.
void filterFullScan(benchmark::State& state)
{
    ListedWindow listed;
    listed.view->setFilterText(QStringLiteral("x"));
    const QString words[] = {QStringLiteral("rossi"), QStringLiteral("russo")};
    int round = 0;
    for (auto _ : state)
        state.SetIterationTime(timed(listed, [&] { listed.view->setFilterText(words[round++ % 2]); }));
    state.counters["shown"] = listed.view->shownRecords();
}

// The first keystroke after a listing, when every book is folded for the filter.
void filterFirstKeystroke(benchmark::State& state)
{
    ListedWindow listed;
    for (auto _ : state) {
        listed.shown.window.mnuall_Click();
        listed.shown.paintNow();
        listed.view = listed.shown.grid->shownRows();
        state.SetIterationTime(timed(listed, [&] { listed.view->setFilterText(QStringLiteral("r")); }));
    }
}

// Opening the filter folds every book in slices between the user's keys; each
// iteration is one slice, the longest of them is the longest the window waits.
void filterIdleSlice(benchmark::State& state)
{
    ListedWindow listed;
    bool whole = false;
    double longest = 0;
    for (auto _ : state) {
        if (whole) {
            listed.shown.window.mnuall_Click();
            listed.shown.paintNow();
            listed.view = listed.shown.grid->shownRows();
        }
        const auto start = Clock::now();
        whole = listed.view->prepareFilter();
        const double slice = std::chrono::duration<double>(Clock::now() - start).count();
        longest = std::max(longest, slice);
        state.SetIterationTime(slice);
    }
    state.counters["slowest_ms"] = longest * 1000;
}

void sortFirst(benchmark::State& state)
{
    ListedWindow listed;
    const int titolo = listed.column("titolo");
    for (auto _ : state) {
        listed.view->showStatementOrder();
        listed.shown.paintNow();
        state.SetIterationTime(timed(listed, [&] { listed.view->sortByColumn(titolo, Qt::AscendingOrder); }));
    }
}

void sortReverse(benchmark::State& state)
{
    ListedWindow listed;
    const int titolo = listed.column("titolo");
    listed.view->sortByColumn(titolo, Qt::AscendingOrder);
    bool descending = false;
    for (auto _ : state) {
        descending = !descending;
        state.SetIterationTime(timed(listed, [&] {
            listed.view->sortByColumn(titolo, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        }));
    }
}

// Qt's proxy over the same model, case ignored, sorting by QVariant comparison and
// filtering by a fixed string in titolo alone; no grid, so only the proxy is counted.
void stockProxySort(benchmark::State& state)
{
    ListedWindow listed;
    const int titolo = listed.column("titolo");
    for (auto _ : state) {
        QSortFilterProxyModel proxy;
        proxy.setSortCaseSensitivity(Qt::CaseInsensitive);
        proxy.setSortLocaleAware(true);
        proxy.setSourceModel(listed.shown.grid->recordsetModel());
        const auto start = Clock::now();
        proxy.sort(titolo, Qt::AscendingOrder);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

void stockProxyFilter(benchmark::State& state)
{
    ListedWindow listed;
    const int titolo = listed.column("titolo");
    for (auto _ : state) {
        QSortFilterProxyModel proxy;
        proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
        proxy.setFilterKeyColumn(titolo);
        proxy.setSourceModel(listed.shown.grid->recordsetModel());
        const auto start = Clock::now();
        proxy.setFilterFixedString(QStringLiteral("rossi"));
        benchmark::DoNotOptimize(proxy.rowCount()); // the proxy maps its rows when first asked
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

// Huge cells against plain ones: "Visualizza tutto" on the 100,000-book catalogue
// as generated, or on its copy with huge titles, listed once per benchmark.
struct HugeOrPlain {
    explicit HugeOrPlain(bool huge)
        : shown(huge ? hugeTitlesCatalogue().folder : catalogue(hugeTitlesRows).folder)
    {
        shown.window.mnuall_Click();
        shown.paintNow();
    }
    void key(int key, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(shown.grid, &press);
        shown.paintNow();
    }
    ShownWindow shown;
};

// Each iteration is one jump, Ctrl+End then Ctrl+Home in turn, painted: on the
// huge copy both screens hold five megabyte titles.
void jumpToEnds(benchmark::State& state, bool huge)
{
    HugeOrPlain listed(huge);
    bool toEnd = true;
    for (auto _ : state) {
        const auto start = Clock::now();
        listed.key(toEnd ? Qt::Key_End : Qt::Key_Home, Qt::ControlModifier);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        toEnd = !toEnd;
    }
}

// One repaint of the screen whose top row is book `book`: book 1's screen holds
// five megabyte titles, the one a few books before hugeEmojiBook the title of
// 700,000 joined emoji.
void repaintScreen(benchmark::State& state, bool huge, int book)
{
    HugeOrPlain listed(huge);
    DataGrid& grid = *listed.shown.grid;
    grid.scrollTo(grid.model()->index(book - 1, 0), QAbstractItemView::PositionAtTop);
    listed.shown.paintNow();
    for (auto _ : state) {
        const auto start = Clock::now();
        grid.viewport()->repaint();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

} // namespace

void registerView()
{
    const auto add = [](const char* name, void (*run)(benchmark::State&)) {
        return benchmark::RegisterBenchmark(name, run)->Unit(benchmark::kMillisecond)->UseManualTime();
    };
    add("ViewFilter/keystroke_typing", filterTyping)->Iterations(56);
    add("ViewFilter/keystroke_full_scan", filterFullScan)->Iterations(20);
    add("ViewFilter/first_keystroke", filterFirstKeystroke)->Iterations(3);
    add("ViewFilter/idle_fold_slice", filterIdleSlice)->Iterations(100);
    add("ViewSort/titolo_first", sortFirst)->Iterations(3);
    add("ViewSort/titolo_reverse", sortReverse)->Iterations(20);
    add("ViewStockProxy/sort_titolo", stockProxySort)->Iterations(1);
    add("ViewStockProxy/filter_titolo", stockProxyFilter)->Iterations(1);
    for (const bool huge : {false, true}) {
        const std::string copy = huge ? "/huge" : "/plain";
        const auto each = [&](const std::string& name, auto run) {
            benchmark::RegisterBenchmark((name + copy).c_str(), run, huge)->Unit(benchmark::kMillisecond)->UseManualTime()
                ->Iterations(10);
        };
        each("ViewHuge/ctrl_end_home", jumpToEnds);
        each("ViewHuge/repaint_megabyte_titles", [](benchmark::State& state, bool huge) { repaintScreen(state, huge, 1); });
        each("ViewHuge/repaint_joined_emoji",
             [](benchmark::State& state, bool huge) { repaintScreen(state, huge, hugeEmojiBook - 5); });
    }
}

} // namespace bench
