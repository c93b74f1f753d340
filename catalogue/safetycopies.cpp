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
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

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

// A copy's temporary file untouched this long belongs to no copy still running: a
// running copy writes it every few megabytes and checks it within seconds.
constexpr std::time_t staleAfterSeconds = 10 * 60;

// A descriptor closed when it goes.
struct Descriptor {
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
};

// The folder opened as itself, never through a symbolic link in its place:
// removals then name files of that folder and no other, whatever is renamed
// meanwhile. -1 when it is a link, missing or unreadable.
int openRealFolder(const std::string& folder)
{
    return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The regular files of an open folder (not links, not folders), with their state.
std::vector<std::pair<std::string, struct stat>> regularFilesIn(int folder)
{
    std::vector<std::pair<std::string, struct stat>> files;
    const int own = ::dup(folder);
    DIR* listing = own >= 0 ? ::fdopendir(own) : nullptr;
    if (!listing) {
        if (own >= 0)
            ::close(own);
        return files;
    }
    while (const dirent* entry = ::readdir(listing)) {
        struct stat info{};
        if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
            files.emplace_back(entry->d_name, info);
    }
    ::closedir(listing);
    return files;
}

// Whether any process holds one of the engine's locks on the file: SQLite locks
// bytes from 1 GiB on (its pending, reserved and shared bytes), and a copy being
// made holds them from its first step to the end of its check.
bool heldByAProcess(int folder, const std::string& name)
{
    const Descriptor file(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (file.fd < 0)
        return true;
    struct flock lock{};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0x40000000;
    lock.l_len = 512;
    return ::fcntl(file.fd, F_GETLK, &lock) != 0 || lock.l_type != F_UNLCK;
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
        const auto copy = parseCopy(entry->path().filename().string());
        if (copy && entry->is_regular_file(error))
            copies.push_back({entry->path().string(), copy->stamp, sizeOf(entry->path().string()), copy->reason});
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
// a time, whatever their reasons: the second is named a second later.
std::string SafetyCopies::nextCopyPath(const CopyReason& reason) const
{
    std::set<std::string> taken;
    std::error_code error;
    for (fs::directory_iterator entry(folder(), error), end; !error && entry != end; entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (name.ends_with(partialEnding))
            name.resize(name.size() - std::strlen(partialEnding));
        if (const auto stamp = parseCopyName(name))
            taken.insert(stamp->text());
    }
    auto when = m_clock();
    while (taken.count(stampAt(when).text()))
        when += std::chrono::seconds(1);
    return (fs::path(folder()) / copyName(stampAt(when), reason)).string();
}

SafetyCopy SafetyCopies::make(const CopyControl& control) const
{
    return make(CopyReason{}, control);
}

SafetyCopy SafetyCopies::make(const CopyReason& reason, const CopyControl& control) const
{
    makeFolder(folder());
    const std::string target = nextCopyPath(reason);
    copyDatabase(m_cataloguePath, target, control);
    rotate();
    return {target, *parseCopyName(fs::path(target).filename().string()), sizeOf(target), reason};
}

void SafetyCopies::rotate() const
{
    const Descriptor real(openRealFolder(folder()));
    if (real.fd < 0)
        return;
    std::vector<std::string> names;
    for (const auto& [name, info] : regularFilesIn(real.fd))
        names.push_back(name);
    for (const std::string& name : copiesToRemove(names, stampAt(m_clock()).day))
        ::unlinkat(real.fd, name.c_str(), 0);
}

void SafetyCopies::removeStalePartials() const
{
    const Descriptor real(openRealFolder(folder()));
    if (real.fd < 0)
        return;
    const std::time_t now = std::time(nullptr);
    for (const auto& [name, info] : regularFilesIn(real.fd)) {
        if (!name.ends_with(partialEnding) ||
            !parseCopyName(name.substr(0, name.size() - std::strlen(partialEnding))))
            continue;
        if (now - info.st_mtime >= staleAfterSeconds && !heldByAProcess(real.fd, name))
            ::unlinkat(real.fd, name.c_str(), 0);
    }
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
    const CopyReason reason = beforeRestore(copy.made);
    const std::string target = nextCopyPath(reason);
    CopyControl first = control;
    CopyControl second = control;
    if (control.afterStep) {
        first.afterStep = [&](int remaining, int total) { return control.afterStep(remaining + total, 2 * total); };
        second.afterStep = [&](int remaining, int total) { return control.afterStep(remaining, 2 * total); };
    }
    copyDatabase(m_cataloguePath, target, first);
    restoreDatabase(copy.path, m_cataloguePath, second);
    rotate();
    return {target, *parseCopyName(fs::path(target).filename().string()), sizeOf(target), reason};
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
