#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace bench {

// The console report, followed by a summary: each of our figures against its
// reference from the same run, as a ratio, and whether the ratio meets its target.
// Each figure is the median over repetitions when there are several.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    // False when a target with a limit was measured and missed.
    bool allTargetsMet() const { return m_allMet; }

private:
    struct Figure {
        double seconds = 0;
        double cpuSeconds = 0; ///< of the benchmark's own thread, the GUI thread for ours
        std::map<std::string, double> counters;
        bool isMedian = false;
        std::string error;
    };
    const Figure* find(const std::string& name) const;
    void printComparisons(std::ostream& out);
    void printSearchPlans(std::ostream& out) const;

    std::map<std::string, Figure> m_figures;
    bool m_allMet = true;
};

// One line naming the machine, the libraries and their versions.
std::string machineLine();

} // namespace bench
