#pragma once

#include "benchservices.h"
#include "frmdorvi.h"

#include <QObject>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>

class DataGrid;

namespace catalogue {
class Recordset;
}

namespace bench {

constexpr int smallRows = 10'000;
constexpr int mediumRows = 100'000;
constexpr int largeRows = 1'000'000;

// The statements the window's commands run, word for word.
std::string showAllStatement();
std::string countStatement();
std::string searchStatement(const std::string& column, const std::string& value);

// Counts the paints a widget receives: a paint counted has been done, since the
// counting happens in the same dispatch that paints.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The real window with its real data grid, shown on the offscreen platform, reading
// the catalogue in `folder`.
class ShownWindow {
public:
    explicit ShownWindow(const std::string& folder);
    ~ShownWindow();

    BenchServices services;
    Frmdorvi window;
    DataGrid* grid;

    // Lets the event loop run what binding queued (the view's delayed layout, the
    // posted update) and makes sure the grid has painted once since the last call.
    void paintNow();
    // Lets the event loop run what is pending, as it does between two commands.
    void idle();
    int paints() const { return m_counter.paints; }

private:
    PaintCounter m_counter;
};

// The result of `statement` on a connection of its own, both opened and set up as
// the window's query does, without the window.
std::shared_ptr<catalogue::Recordset> openResult(const std::string& path, const std::string& statement);
std::shared_ptr<catalogue::Recordset> openShowAll(const std::string& path);

// Ends the benchmark run with the error the window reported, if any. Returns true
// when there was one.
bool failedOn(benchmark::State& state, BenchServices& services);

// Things kept across benchmarks that must go before the application does.
// A target given as a time ("TrovaDoppioni/limit_1500ms"), registered as a
// benchmark each of whose iterations takes exactly `seconds`, so a comparison
// holds a measurement against it as against any reference.
void registerTimeLimit(const std::string& name, double seconds);

void keepUntilExit(std::function<void()> release);
void releaseAll();

} // namespace bench
