// The folder of safety copies beside a catalogue. Nothing is remembered between
// two calls: the folder itself, read each time, is the list, and a copy's name is
// its date. Every copy goes through copyDatabase, so it is checked and complete
// before it has its name.
#include "safetycopies.h"

#include "backupgate.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace catalogue {

namespace {

std::string quoted(const std::string& text) { return "«" + text + "»"; }

bool exists(const std::string& path)
{
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0;
}

void makeFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0755) == 0)
        return;
    const int error = errno;
    struct stat info{};
    if (error == EEXIST && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return;
    throw copyFolderError(error == EEXIST ? ENOTDIR : error, folder);
}

long long sizeOf(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
}

Error notReplaced(const std::string& catalogue, int systemError)
{
    return Error(ErrorNumber::FileNotWritten,
                 "Impossibile mettere la copia al posto del catalogo " + quoted(catalogue) + ": " +
                     std::strerror(systemError) + ". Il catalogo è rimasto com'era.");
}

} // namespace

SafetyCopies::SafetyCopies(std::string cataloguePath, Clock clock)
    : m_cataloguePath(std::move(cataloguePath)), m_clock(clock ? std::move(clock) : Clock(std::chrono::system_clock::now))
{
}

std::string SafetyCopies::folder() const
{
    return (fs::path(m_cataloguePath).parent_path() / "copie").string();
}

std::vector<SafetyCopy> SafetyCopies::list() const
{
    std::vector<SafetyCopy> copies;
    std::error_code error;
    for (fs::directory_iterator entry(folder(), error), end; !error && entry != end; entry.increment(error)) {
        const auto stamp = parseCopyName(entry->path().filename().string());
        if (stamp && entry->is_regular_file(error))
            copies.push_back({entry->path().string(), *stamp, sizeOf(entry->path().string())});
    }
    std::sort(copies.begin(), copies.end(), [](const SafetyCopy& a, const SafetyCopy& b) { return a.made > b.made; });
    return copies;
}

bool SafetyCopies::madeToday() const
{
    const auto today = stampAt(m_clock()).day;
    const auto copies = list();
    return std::any_of(copies.begin(), copies.end(), [&](const SafetyCopy& copy) { return copy.made.day == today; });
}

// Two copies in one second (a restore right after the day's copy) must not share
// a name: the second is named a second later.
std::string SafetyCopies::nextCopyPath() const
{
    auto when = m_clock();
    std::string path;
    do {
        path = (fs::path(folder()) / copyName(stampAt(when))).string();
        when += std::chrono::seconds(1);
    } while (exists(path) || exists(path + ".parziale"));
    return path;
}

SafetyCopy SafetyCopies::make(const CopyControl& control) const
{
    makeFolder(folder());
    const std::string target = nextCopyPath();
    copyDatabase(m_cataloguePath, target, control);
    rotate();
    return {target, *parseCopyName(fs::path(target).filename().string()), sizeOf(target)};
}

void SafetyCopies::rotate() const
{
    std::vector<std::string> names;
    for (const SafetyCopy& copy : list())
        names.push_back(fs::path(copy.path).filename().string());
    for (const std::string& name : copiesToRemove(names, stampAt(m_clock()).day))
        std::remove((fs::path(folder()) / name).c_str());
}

SafetyCopy SafetyCopies::restore(const SafetyCopy& copy, const CopyControl& control) const
{
    if (!passesQuickCheck(copy.path)) {
        throw Error(ErrorNumber::Corrupt, "La copia " + quoted(copy.path) +
                                              " è danneggiata e non si può ripristinare. Il catalogo è rimasto com'era.");
    }
    BackupGate::waitFor(m_cataloguePath);
    // The copy of the catalogue as it is now comes first; the folder is thinned only
    // after the restore, so the copy chosen cannot be thinned away before it is read.
    makeFolder(folder());
    const std::string target = nextCopyPath();
    CopyControl first = control;
    CopyControl second = control;
    if (control.afterStep) {
        first.afterStep = [&](int remaining, int total) { return control.afterStep(remaining + total, 2 * total); };
        second.afterStep = [&](int remaining, int total) { return control.afterStep(remaining, 2 * total); };
    }
    copyDatabase(m_cataloguePath, target, first);
    restoreDatabase(copy.path, m_cataloguePath, second);
    rotate();
    return {target, *parseCopyName(fs::path(target).filename().string()), sizeOf(target)};
}

std::string SafetyCopies::replaceDamaged(const SafetyCopy& copy) const
{
    const std::string incoming = m_cataloguePath + ".ripristino";
    copyDatabase(copy.path, incoming);
    std::string kept = m_cataloguePath + ".danneggiato";
    for (int n = 2; exists(kept) || exists(kept + "-journal"); ++n)
        kept = m_cataloguePath + ".danneggiato-" + std::to_string(n);
    if (std::rename(m_cataloguePath.c_str(), kept.c_str()) != 0) {
        const int error = errno;
        std::remove(incoming.c_str());
        throw notReplaced(m_cataloguePath, error);
    }
    // A journal left by a write cut short belongs to the damaged file: beside the
    // new one, the engine would play it back into the copy.
    const std::string journal = m_cataloguePath + "-journal";
    if (exists(journal))
        std::rename(journal.c_str(), (kept + "-journal").c_str());
    if (std::rename(incoming.c_str(), m_cataloguePath.c_str()) != 0) {
        const int error = errno;
        std::rename(kept.c_str(), m_cataloguePath.c_str());
        std::remove(incoming.c_str());
        throw notReplaced(m_cataloguePath, error);
    }
    return kept;
}

} // namespace catalogue
