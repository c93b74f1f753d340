// What the benchmarks run on: a generated catalogue and the real window on the
// offscreen platform, running the commands' own statements.
#include "fixture.h"

#include "connection.h"
#include "datagrid.h"
#include "recordset.h"
#include "sqltext.h"

#include <QCoreApplication>
#include <QEvent>

#include <vector>

namespace bench {

std::string showAllStatement()
{
    return "select * from dorvi;";
}

std::string countStatement()
{
    return "select count(iddorvo)as Totale_dorvi from dorvi;";
}

std::string searchStatement(const std::string& column, const std::string& value)
{
    return "select * from dorvi where " + column + "='" + catalogue::quotedTextBody(value) + "';";
}

bool PaintCounter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        ++paints;
    return QObject::eventFilter(watched, event);
}

ShownWindow::ShownWindow(const std::string& folder)
    : services(folder), window(services), grid(window.findChild<DataGrid*>())
{
    grid->viewport()->installEventFilter(&m_counter);
    window.show();
    QCoreApplication::processEvents();
}

ShownWindow::~ShownWindow()
{
    grid->viewport()->removeEventFilter(&m_counter);
}

void ShownWindow::paintNow()
{
    const int before = m_counter.paints;
    QCoreApplication::processEvents();
    if (m_counter.paints == before)
        grid->viewport()->repaint();
}

void ShownWindow::idle()
{
    QCoreApplication::processEvents();
}

std::shared_ptr<catalogue::Recordset> openResult(const std::string& path, const std::string& statement)
{
    auto connection = std::make_shared<catalogue::Connection>();
    connection->setProvider(catalogue::Connection::catalogueProvider);
    connection->setConnectionString(path);
    connection->open();
    auto rows = std::make_shared<catalogue::Recordset>();
    rows->setLockType(catalogue::LockType::Optimistic);
    rows->setCursorLocation(catalogue::CursorLocation::Client);
    rows->setSource(statement);
    rows->setActiveConnection(connection);
    rows->open();
    return rows;
}

std::shared_ptr<catalogue::Recordset> openShowAll(const std::string& path)
{
    return openResult(path, showAllStatement());
}

bool failedOn(benchmark::State& state, BenchServices& services)
{
    if (auto error = services.takeError()) {
        state.SkipWithError(error->c_str());
        return true;
    }
    return false;
}

namespace {
std::vector<std::function<void()>>& releases()
{
    static std::vector<std::function<void()>> all;
    return all;
}
} // namespace

void keepUntilExit(std::function<void()> release)
{
    releases().push_back(std::move(release));
}

void releaseAll()
{
    for (auto release = releases().rbegin(); release != releases().rend(); ++release)
        (*release)();
    releases().clear();
}

void registerTimeLimit(const std::string& name, double seconds)
{
    benchmark::RegisterBenchmark(name.c_str(),
                                 [seconds](benchmark::State& state) {
                                     for (auto _ : state)
                                         state.SetIterationTime(seconds);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(5);
}

} // namespace bench
