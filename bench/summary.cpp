// The closing summary of a run: each figure against its reference from the same
// run, as a ratio, and whether it meets its target.
#include "summary.h"

#include "catalogues.h"
#include "exactsearch.h"
#include "fixture.h"
#include "sqlitehandles.h"

#include <QtGlobal>

#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <thread>
#include <sqlite3.h>

namespace bench {

namespace {

enum class Measure { Time, BytesPerRow, PeakMiB };
enum class Goal {
    Inform,        ///< no target: shown for context
    AtMost,        ///< ours / reference must not exceed the limit
    SpeedUpAtLeast ///< reference / ours must reach the limit
};

struct Comparison {
    std::string what;
    std::string ours;
    std::string reference;
    Measure measure;
    Goal goal;
    double limit = 0;
};

std::string at(const std::string& name, int rows)
{
    return name + "/" + std::to_string(rows);
}

std::vector<Comparison> comparisons()
{
    const int big = largeRows;
    std::vector<Comparison> all{
        {"Visualizza tutto, end to end / compact floor", at("ShowAll/ours", big), at("ShowAll/compact_floor", big),
         Measure::Time, Goal::AtMost, 1.15},
        {"Visualizza tutto, speed-up over QSqlQueryModel", at("ShowAll/ours", big),
         at("ShowAll/QSqlQueryModel", big), Measure::Time, Goal::SpeedUpAtLeast, 2.5},
        {"Visualizza tutto, end to end / physical floor", at("ShowAll/ours", big), at("ShowAll/physical_floor", big),
         Measure::Time, Goal::Inform},
        {"Visualizza tutto at 100k / compact floor", at("ShowAll/ours", mediumRows),
         at("ShowAll/compact_floor", mediumRows), Measure::Time, Goal::Inform},
        {"Result set bytes per row / compact floor", at("Memory/ours", big), at("Memory/compact_floor", big),
         Measure::BytesPerRow, Goal::AtMost, 1.25},
        {"Visualizza tutto, fields half filled / compact floor", at("ShowAllFilled/ours", big),
         at("ShowAllFilled/compact_floor", big), Measure::Time, Goal::AtMost, 1.1},
        {"  the same / physical floor", at("ShowAllFilled/ours", big), at("ShowAllFilled/physical_floor", big),
         Measure::Time, Goal::Inform},
        {"Bytes per row, fields half filled / compact floor", at("MemoryFilled/ours", big),
         at("MemoryFilled/compact_floor", big), Measure::BytesPerRow, Goal::AtMost, 1.1},
        {"Result set bytes per row / QSqlQueryModel", at("Memory/ours", big), at("Memory/QSqlQueryModel", big),
         Measure::BytesPerRow, Goal::Inform},
        {"First paint after binding, 1M rows / 10k rows", at("FirstPaint", big), at("FirstPaint", smallRows),
         Measure::Time, Goal::AtMost, 1.5},
        {"First paint after binding, 100k rows / 10k rows", at("FirstPaint", mediumRows), at("FirstPaint", smallRows),
         Measure::Time, Goal::Inform},
        {"Totale dorvi / bare C API", at("Count/ours", big), at("Count/bare", big), Measure::Time, Goal::AtMost, 1.2},
        {"Totale dorvi, result set only / bare C API", at("Count/ours_result_set", big), at("Count/bare", big),
         Measure::Time, Goal::Inform},
    };
    for (const char* column : {"autore", "titolo", "genere"}) {
        for (const char* outcome : {"hit", "miss"}) {
            const std::string base = std::string("Search/") + column + "_" + outcome;
            all.push_back({"Search " + std::string(column) + " (" + outcome + ") / bare C API", at(base + "/ours", big),
                           at(base + "/bare", big), Measure::Time, Goal::AtMost, 1.5});
            all.push_back({"  result set only / bare C API", at(base + "/ours_result_set", big),
                           at(base + "/bare", big), Measure::Time, Goal::Inform});
        }
    }
    for (const char* name : {"accented", "accent_first"}) {
        const std::string base = std::string("Capitals/autore_") + name;
        all.push_back({std::string("Capitals, ") + (name == std::string("accented") ? "accented" : "beginning accented") +
                           " / ASCII, same hits",
                       at(base + "/ours", big), at("Capitals/autore_ascii/ours", big), Measure::Time, Goal::AtMost,
                       2.0});
        all.push_back({"  result set only", at(base + "/ours_result_set", big),
                       at("Capitals/autore_ascii/ours_result_set", big), Measure::Time, Goal::Inform});
    }
    for (const char* write : {"update", "add", "delete"}) {
        const std::string base = std::string("Write/") + write;
        all.push_back({"Write: " + std::string(write) + " one row / bare C API", at(base + "/ours", big),
                       at(base + "/bare", big), Measure::Time, Goal::Inform});
    }
    all.push_back({"Write: delete 10,000 rows / bare C API", at("Write/delete10k/ours", big),
                   at("Write/delete10k/bare", big), Measure::Time, Goal::Inform});
    all.push_back({"Write: undo of that deletion / bare deletion", at("Write/undoDelete10k/ours", big),
                   at("Write/delete10k/bare", big), Measure::Time, Goal::Inform});
    all.push_back({"Undo of deleting every book / that deletion", at("Write/undoDeleteAll/ours", big),
                   at("Write/deleteAll/ours", big), Measure::Time, Goal::AtMost, 2.0});
    all.push_back({"  the same / the engine alone (insert, indexes)", at("Write/undoDeleteAll/ours", big),
                   at("Write/undoDeleteAll/bare", big), Measure::Time, Goal::Inform});
    all.push_back({"Delete all but one book / deleting every book", at("Write/deleteAllButOne/ours", big),
                   at("Write/deleteAll/ours", big), Measure::Time, Goal::Inform});
    all.push_back({"History of a 1M deletion / those rows in the result", at("HistoryMemory/delete_all", big),
                   at("HistoryMemory/result_rows", big), Measure::BytesPerRow, Goal::AtMost, 1.2});
    all.push_back({"  after 6 undos and redos / after the deletion", at("HistoryMemory/delete_all_6_undo_redo", big),
                   at("HistoryMemory/delete_all", big), Measure::BytesPerRow, Goal::AtMost, 1.5});
    all.push_back({"Quick filter's fold / fold of case and accents alone", at("Fold/quick_filter", big),
                   at("Fold/case_and_accents", big), Measure::Time, Goal::Inform});
    for (const char* what : {"ctrl_end_home", "repaint_megabyte_titles", "repaint_joined_emoji"}) {
        const std::string base = std::string("ViewHuge/") + what;
        all.push_back({std::string("Huge titles on screen: ") + what + " / the same without", base + "/huge",
                       base + "/plain", Measure::Time, Goal::Inform});
    }
    all.push_back({"Spreadsheet export / sqlite3 shell's CSV", at("ExportCsv/ours", big),
                   at("ExportCsv/sqlite3_shell", big), Measure::Time, Goal::AtMost, 1.5});
    for (const char* hostile : {"ampersands_5MB", "unclosed_tags_5MB"}) {
        all.push_back({"Import of a 5 MB comment, " + std::string(hostile) + " / plain", "HostileImport/" +
                       std::string(hostile), "HostileImport/plain_comment_5MB", Measure::Time, Goal::AtMost, 2.0});
    }
    for (const char* hostile : {"nested_entities", "GiB_of_spaces_zipped"}) {
        all.push_back({"Import's peak memory, " + std::string(hostile) + " / plain + 64 MiB",
                       "HostileImport/memory_" + std::string(hostile), "HostileImport/memory_plain_plus_64MiB",
                       Measure::PeakMiB, Goal::AtMost, 1.0});
    }
    all.push_back({"Adding a field at 1M (Campi) / bare ALTER TABLE", at("Fields/add", big), at("Fields/add_bare", big),
                   Measure::Time, Goal::Inform});
    all.push_back({"  the same / 100 ms", at("Fields/add", big), "Fields/limit_100ms", Measure::Time, Goal::AtMost, 1.0});
    all.push_back({"  the same / on an empty catalogue", at("Fields/add", big), "Fields/add/0", Measure::Time,
                   Goal::Inform});
    all.push_back({"Listing the fields with their counts / count(*)", at("Fields/list", big), at("Fields/count", big),
                   Measure::Time, Goal::Inform});
    all.push_back({"Opening Campi at 1M, shown and closed / reading the column list", at("Fields/open", big),
                   at("Fields/columns", big), Measure::Time, Goal::Inform});
    all.push_back({"  the same / the listing with counts it once made first", at("Fields/open", big),
                   at("Fields/list_counted", big), Measure::Time, Goal::Inform});
    all.push_back({"Safety copy (backup, check, flush, rename) / cp", at("Backup/ours", big), at("Backup/cp", big),
                   Measure::Time, Goal::AtMost, 1.5});
    all.push_back({"  the same / cp and sync of the copy", at("Backup/ours", big), at("Backup/cp_and_sync", big),
                   Measure::Time, Goal::Inform});
    all.push_back({"  the engine's online backup alone / cp", at("Backup/engine_floor", big), at("Backup/cp", big),
                   Measure::Time, Goal::Inform});
    all.push_back({"  quick_check of the copy alone / cp", at("Backup/quick_check", big), at("Backup/cp", big),
                   Measure::Time, Goal::Inform});
    all.push_back({"Window's longest pause, day's copy running / 50 ms", at("Backup/window_longest_pause", big),
                   "Backup/limit_50ms", Measure::Time, Goal::AtMost, 1.0});
    all.push_back({"  a change typed meanwhile, waiting / 50 ms", at("Backup/write_longest_pause", big),
                   "Backup/limit_50ms", Measure::Time, Goal::AtMost, 1.0});
    all.push_back({"  the same / no copy running (the machine's own)", at("Backup/window_longest_pause", big),
                   at("Backup/idle_longest_pause", big), Measure::Time, Goal::Inform});
    all.push_back({"Card opening at 1M / 30 ms", at("Card/open", big), "Card/limit_30ms", Measure::Time, Goal::AtMost,
                   1.0});
    all.push_back({"  the same / one book fetched by key", at("Card/open", big), at("Card/row_by_key", big),
                   Measure::Time, Goal::Inform});
    all.push_back({"  the same / the card at 10k books", at("Card/open", big), at("Card/open", smallRows),
                   Measure::Time, Goal::Inform});
    all.push_back({"Trova doppioni at 1M / 1.5 s", at("TrovaDoppioni/ours", big), "TrovaDoppioni/limit_1500ms",
                   Measure::Time, Goal::AtMost, 1.0});
    all.push_back({"  the same / reading the columns once", at("TrovaDoppioni/ours", big),
                   at("TrovaDoppioni/reference_scan", big), Measure::Time, Goal::Inform});
    all.push_back({"Duplicate notice on writing a book / 5 ms", at("DuplicateNotice/ours", big),
                   "DuplicateNotice/limit_5ms", Measure::Time, Goal::AtMost, 1.0});
    all.push_back({"Riepilogo at 1M / 1 s", at("Riepilogo/ours", big), "Riepilogo/limit_1s", Measure::Time,
                   Goal::AtMost, 1.0});
    all.push_back({"  the same / reading the columns once", at("Riepilogo/ours", big),
                   at("Riepilogo/reference_scan", big), Measure::Time, Goal::Inform});
    all.push_back({"Libri in prestito / one author's search, as many", at("LibriInPrestito/ours", big),
                   at("LibriInPrestito/reference_author_search", big), Measure::Time, Goal::AtMost, 1.0});
    return all;
}

std::string formatTime(double seconds)
{
    std::ostringstream text;
    text << std::fixed;
    if (seconds >= 1)
        text << std::setprecision(3) << seconds << " s";
    else if (seconds >= 1e-3)
        text << std::setprecision(2) << seconds * 1e3 << " ms";
    else
        text << std::setprecision(1) << seconds * 1e6 << " us";
    return text.str();
}

std::string formatValue(double value, Measure measure)
{
    if (measure == Measure::Time)
        return formatTime(value);
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << value << (measure == Measure::PeakMiB ? " MiB" : " B/row");
    return text.str();
}

std::string firstLineStartingWith(const char* path, const std::string& prefix)
{
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) == 0)
            return line.substr(prefix.size());
    }
    return {};
}

std::string trimmed(std::string text)
{
    const auto start = text.find_first_not_of(" \t:\"=");
    const auto end = text.find_last_not_of(" \t\"");
    return start == std::string::npos ? std::string() : text.substr(start, end - start + 1);
}

} // namespace

std::string machineLine()
{
    std::ostringstream line;
    const double memoryKiB = std::atof(trimmed(firstLineStartingWith("/proc/meminfo", "MemTotal")).c_str());
    line << trimmed(firstLineStartingWith("/proc/cpuinfo", "model name")) << ", "
         << std::thread::hardware_concurrency() << " cores, " << std::fixed << std::setprecision(1)
         << memoryKiB / (1024 * 1024) << " GiB memory; "
         << trimmed(firstLineStartingWith("/etc/os-release", "PRETTY_NAME")) << "; Qt " << qVersion()
         << ", SQLite " << sqlite3_libversion();
    return line.str();
}

bool SummaryReporter::ReportContext(const Context& context)
{
    GetOutputStream() << "Machine: " << machineLine() << '\n';
    return ConsoleReporter::ReportContext(context);
}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        const std::string name = run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
        Figure& figure = m_figures[name];
        if (run.error_occurred) {
            figure.error = run.error_message;
            continue;
        }
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (!median && (run.run_type == Run::RT_Aggregate || figure.isMedian))
            continue;
        figure.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        figure.cpuSeconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        figure.isMedian = median;
        figure.counters.clear();
        for (const auto& [counter, value] : run.counters)
            figure.counters[counter] = value.value;
    }
    ConsoleReporter::ReportRuns(runs);
}

const SummaryReporter::Figure* SummaryReporter::find(const std::string& name) const
{
    const auto found = m_figures.find(name);
    return found == m_figures.end() ? nullptr : &found->second;
}

void SummaryReporter::Finalize()
{
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    printComparisons(out);
    printSearchPlans(out);
    out.flush();
}

void SummaryReporter::printComparisons(std::ostream& out)
{
    out << "\nSummary (medians when repeated; ratio = ours / reference, speed-up = reference / ours;\n"
        << "verdicts on wall-clock time; the cpu column is the same ratio on CPU time of the measuring\n"
        << "thread, steadier when other work shares the machine)\n"
        << std::left << std::setw(52) << "comparison" << std::setw(14) << "ours" << std::setw(14) << "reference"
        << std::setw(10) << "ratio" << std::setw(10) << "target" << std::setw(9) << "verdict" << "cpu\n";
    for (const Comparison& comparison : comparisons()) {
        const Figure* ours = find(comparison.ours);
        const Figure* reference = find(comparison.reference);
        if (!ours && !reference)
            continue; // filtered out of this run
        out << std::left << std::setw(52) << comparison.what;
        if (!ours || !reference || !ours->error.empty() || !reference->error.empty()) {
            const std::string error = ours && !ours->error.empty() ? ours->error
                                      : reference && !reference->error.empty() ? reference->error
                                                                               : "not run";
            out << "-- " << error << '\n';
            if (comparison.goal != Goal::Inform)
                m_allMet = false;
            continue;
        }
        const auto value = [&](const Figure& figure, bool cpu = false) {
            if (comparison.measure == Measure::Time)
                return cpu ? figure.cpuSeconds : figure.seconds;
            const auto counter =
                figure.counters.find(comparison.measure == Measure::PeakMiB ? "peak_mib" : "bytes_per_row");
            return counter == figure.counters.end() ? 0.0 : counter->second;
        };
        const double oursValue = value(*ours);
        const double referenceValue = value(*reference);
        const bool speedUp = comparison.goal == Goal::SpeedUpAtLeast;
        const double ratio = speedUp ? referenceValue / oursValue : oursValue / referenceValue;
        std::ostringstream ratioText, targetText;
        ratioText << std::fixed << std::setprecision(2) << ratio << "x";
        targetText << std::fixed << std::setprecision(2);
        if (comparison.goal == Goal::AtMost)
            targetText << "<= " << comparison.limit << "x";
        else if (speedUp)
            targetText << ">= " << comparison.limit << "x";
        const bool met = comparison.goal == Goal::Inform ||
                         (speedUp ? ratio >= comparison.limit : ratio <= comparison.limit);
        if (!met)
            m_allMet = false;
        std::ostringstream cpuText;
        // A time limit takes no CPU: no ratio to it on CPU time.
        if (comparison.measure == Measure::Time && comparison.reference.find("/limit_") == std::string::npos) {
            const double cpuOurs = value(*ours, true);
            const double cpuReference = value(*reference, true);
            cpuText << std::fixed << std::setprecision(2) << (speedUp ? cpuReference / cpuOurs : cpuOurs / cpuReference)
                    << "x";
        }
        out << std::setw(14) << formatValue(oursValue, comparison.measure) << std::setw(14)
            << formatValue(referenceValue, comparison.measure) << std::setw(10) << ratioText.str() << std::setw(10)
            << targetText.str() << std::setw(9) << (comparison.goal == Goal::Inform ? "" : met ? "met" : "MISSED")
            << cpuText.str() << '\n';
    }
}

// The searches are only as fast as the plan the engine picks; show it, so a
// catalogue whose index does not serve the column is seen at once.
void SummaryReporter::printSearchPlans(std::ostream& out) const
{
    bool searched = false;
    for (const auto& [name, figure] : m_figures)
        searched = searched || name.rfind("Search/", 0) == 0;
    if (!searched)
        return;
    const Catalogue& file = catalogue(largeRows);
    sqlite3* raw = nullptr;
    sqlite3_open_v2(file.path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    catalogue::DatabaseHandle db(raw);
    const SearchValues present = presentValues(largeRows);
    const CapitalsAnswers capitals = capitalsAnswers();
    out << "\nQuery plans of the statements the searches run on " << file.path << ":\n";
    for (const auto& [column, value] :
         {std::pair{"autore", present.author}, std::pair{"titolo", present.title}, std::pair{"genere", present.genre},
          std::pair{"autore", capitals.accented}, std::pair{"autore", capitals.accentFirst}}) {
        const auto bound = catalogue::planExactSearch(db.get(), catalogue::ExactSearch{"dorvi", column, value});
        const std::string sql = "EXPLAIN QUERY PLAN " + (bound ? bound->sql : searchStatement(column, value));
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &stmt, nullptr);
        catalogue::StatementHandle owned(stmt);
        for (std::size_t i = 0; stmt && bound && i < bound->values.size(); ++i)
            sqlite3_bind_text(stmt, static_cast<int>(i) + 1, bound->values[i].c_str(), -1, SQLITE_TRANSIENT);
        out << "  " << column << " = " << value << ":";
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            out << ' ' << reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3));
        out << '\n';
    }
}

} // namespace bench
