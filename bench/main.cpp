// dorvi-bench: the speed and memory of the program's commands on catalogues of 10k,
// 100k and 1M books, each next to its reference, with a summary of the ratios at
// the end. Takes Google Benchmark's usual options, for instance
//   dorvi-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// The catalogues are made on first use under the build folder and kept.
#include "fixture.h"
#include "registry.h"
#include "summary.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <exception>
#include <iostream>

namespace {

QtMessageHandler qtHandler = nullptr;

// The offscreen platform says this each time a window is shown; it means nothing
// here and would bury the report.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message == QLatin1String("This plugin does not support propagateSizeHints()"))
        return;
    qtHandler(type, context, message);
}

} // namespace

int main(int argc, char* argv[])
{
    // The real grid paints, but nobody needs to see it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(quietOffscreen);
    QApplication application(argc, argv);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    bench::registerShowAll();
    bench::registerCommands();
    bench::registerFirstPaint();
    bench::registerWrites();
    bench::registerHistory();
    bench::registerFields();
    bench::registerExports();
    bench::registerFolding();
    bench::registerView();
    bench::registerLibraryTools();
    bench::registerHostileImports();
    bench::registerIsbnScan();
    bench::registerBackups();
    bench::registerCard();

    bench::SummaryReporter reporter;
    try {
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } catch (const std::exception& error) {
        std::cerr << "dorvi-bench: " << error.what() << '\n';
        bench::releaseAll();
        return 1;
    }
    bench::releaseAll();
    benchmark::Shutdown();
    return 0;
}
