// Hostile files through the import, each next to an ordinary file of its kind:
//   - time: a GCstar file of 5 MB whose one comment is "<p>" and a million '&',
//     or a million "<a" without '>', against one of 5 MB of ordinary HTML;
//   - peak memory, in a child process of its own: a 64 KB Tellico file of nested
//     entities and a 1 MB .tc holding a GiB of spaces, against a plain Tellico
//     file of about the same books, plus 64 MiB. The child starts as a copy of
//     the benchmark's process, so each figure holds the same floor.
// The files are made on first use under the data folder and kept.
#include "bookimport.h"
#include "registry.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace bench {

namespace {

constexpr std::size_t fileBytes = 5 << 20;
// '&' and '<' are written "&amp;" and "&lt;": a million of them fill 5 MB.
constexpr std::size_t escapedTimes = 1'000'000;
constexpr double headroomMiB = 64;

fs::path hostileFolder()
{
    const char* data = std::getenv("DORVI_BENCH_DATA");
    const fs::path folder = fs::path(data ? data : DORVI_BENCH_DATA) / "hostile";
    fs::create_directories(folder);
    return folder;
}

std::string repeated(const std::string& part, std::size_t bytes)
{
    std::string all;
    all.reserve(bytes + part.size());
    while (all.size() < bytes)
        all += part;
    return all;
}

// A GCstar collection of one book whose comment is `comment`, escaped as GCstar
// writes it.
fs::path gcstarWithComment(const std::string& name, const std::string& comment)
{
    const fs::path path = hostileFolder() / (name + ".gcs");
    if (fs::exists(path))
        return path;
    std::string escaped;
    escaped.reserve(comment.size() * 5);
    for (const char c : comment)
        escaped += c == '<' ? "&lt;" : c == '&' ? "&amp;" : c == '>' ? "&gt;" : std::string(1, c);
    std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<collection type=\"GCbooks\">\n"
                        << "<item id=\"1\" title=\"Libro\"><comments>" << escaped
                        << "</comments></item>\n</collection>\n";
    return path;
}

fs::path plainComment()
{
    // About a third of it markup once escaped: 5 MB of file.
    return gcstarWithComment("plain", repeated("<p>Una nota <b>qualunque</b> &egrave; qui, con parole comuni.</p>\n",
                                               fileBytes * 2 / 3));
}

// Tellico's XML of `books` ordinary books, the reference for memory.
std::string tellicoBooks(int books, const std::string& doctype = {}, const std::string& firstTitle = "Titolo")
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + doctype +
                      "<tellico><collection type=\"2\">";
    for (int i = 0; i < books; ++i) {
        xml += "<entry id=\"" + std::to_string(i) + "\"><title>" + (i ? "Titolo " + std::to_string(i) : firstTitle) +
               "</title><authors><author>Autore</author></authors></entry>\n";
    }
    return xml + "</collection></tellico>\n";
}

fs::path plainTellico()
{
    const fs::path path = hostileFolder() / "plain.xml";
    if (!fs::exists(path))
        std::ofstream(path) << tellicoBooks(600);
    return path;
}

// 64 KB of "&b;", each standing for 15 times "&a;" of 16 letters: as many
// letters as an entity may hold, a title of 5 MB before its cut.
fs::path entityTellico()
{
    const fs::path path = hostileFolder() / "entities.xml";
    if (!fs::exists(path))
        std::ofstream(path) << tellicoBooks(1, "<!DOCTYPE tellico [<!ENTITY a \"" + std::string(16, 'a') +
                                                   "\"><!ENTITY b \"" + repeated("&a;", 45) + "\">]>",
                                            repeated("&b;", 64 << 10));
    return path;
}

// A member of a GiB of spaces inside one book's title, made as it is compressed.
struct Spaces {
    std::string head = "<?xml version=\"1.0\"?><tellico><collection type=\"2\"><entry id=\"1\"><title>";
    std::string tail = "Titolo</title></entry></collection></tellico>";
    std::uint64_t total = head.size() + (std::uint64_t{1} << 30) + tail.size();
    std::uint64_t at = 0;
};

zip_int64_t spaces(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* member = static_cast<Spaces*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        member->at = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        auto* out = static_cast<char*>(data);
        zip_uint64_t written = 0;
        for (; written < length && member->at < member->total; ++written, ++member->at) {
            const std::uint64_t spaceEnd = member->total - member->tail.size();
            out[written] = member->at < member->head.size() ? member->head[member->at]
                           : member->at < spaceEnd          ? ' '
                                                            : member->tail[member->at - spaceEnd];
        }
        return static_cast<zip_int64_t>(written);
    }
    case ZIP_SOURCE_STAT: {
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->size = member->total;
        stat->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_FREE:
        delete member;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_FREE, ZIP_SOURCE_ERROR, -1);
    default:
        return 0;
    }
}

fs::path spacesArchive()
{
    const fs::path path = hostileFolder() / "spaces.tc";
    if (fs::exists(path))
        return path;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_source_t* source = zip_source_function(archive, spaces, new Spaces);
    zip_file_add(archive, "tellico.xml", source, 0);
    zip_close(archive);
    return path;
}

// The import into a new catalogue, timed, a fresh target each time.
void timeImport(benchmark::State& state, const fs::path& source)
{
    const fs::path target = hostileFolder() / "target.mdb";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
        try {
            bookimport::importIntoNewCatalogue(source, target, {});
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            return;
        }
    }
    fs::remove(target);
}

// The peak resident memory, in MiB, of a child process that imports `source`
// (refused or not) into a new catalogue.
double childPeakMiB(const fs::path& source)
{
    const fs::path target = hostileFolder() / ("memory-" + source.filename().string() + ".mdb");
    fs::remove(target);
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            bookimport::importIntoNewCatalogue(source, target, {});
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    fs::remove(target);
    return static_cast<double>(usage.ru_maxrss) / 1024;
}

void peakMemory(benchmark::State& state, const fs::path& source, double added)
{
    double peak = 0;
    for (auto _ : state)
        peak = childPeakMiB(source) + added;
    state.counters["peak_mib"] = peak;
}

} // namespace

void registerHostileImports()
{
    const auto time = [](const char* name, auto file) {
        benchmark::RegisterBenchmark(name, [file](benchmark::State& state) { timeImport(state, file()); })
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    time("HostileImport/plain_comment_5MB", plainComment);
    time("HostileImport/ampersands_5MB",
         [] { return gcstarWithComment("ampersands", "<p>" + std::string(escapedTimes, '&')); });
    time("HostileImport/unclosed_tags_5MB",
         [] { return gcstarWithComment("openings", repeated("<a", 2 * escapedTimes)); });
    const auto memory = [](const char* name, auto file, double added) {
        benchmark::RegisterBenchmark(name, [file, added](benchmark::State& state) { peakMemory(state, file(), added); })
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
    };
    memory("HostileImport/memory_plain_plus_64MiB", plainTellico, headroomMiB);
    memory("HostileImport/memory_nested_entities", entityTellico, 0);
    memory("HostileImport/memory_GiB_of_spaces_zipped", spacesArchive, 0);
}

} // namespace bench
