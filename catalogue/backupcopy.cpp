// Copies of a whole catalogue file through SQLite's online backup. A copy reads
// the source through a read-only connection of its own, a few megabytes at a time,
// so another program may write between two steps; the engine then starts the copy
// again, and a source that keeps changing makes the copy give up instead of
// running for ever. The copy being made lives under a temporary name that never
// outlives a failure; only a copy checked and on disk gets its final name.
#include "backupcopy.h"

#include "backupfolder.h"
#include "engineerror.h"
#include "opening.h"
#include "sqlitehandles.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <sqlite3.h>

namespace catalogue {

namespace {

std::string quoted(const std::string& text) { return "«" + text + "»"; }

std::string folderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// The temporary file of a copy being made: removed unless the copy is kept.
class PartialCopy {
public:
    explicit PartialCopy(std::string path) : m_path(std::move(path))
    {
        // Made here rather than by the engine, so that a folder refusing it is
        // told by the system's own reason.
        const int fd = ::open(m_path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0)
            throw copyFolderError(errno, folderOf(m_path));
        ::close(fd);
    }
    ~PartialCopy()
    {
        if (!m_kept)
            std::remove(m_path.c_str());
    }
    PartialCopy(const PartialCopy&) = delete;
    PartialCopy& operator=(const PartialCopy&) = delete;

    const std::string& path() const { return m_path; }
    // Makes the bytes reach the disk, then gives the file its final name.
    void keepAs(const std::string& target)
    {
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        const int syncError = errno;
        if (fd >= 0)
            ::close(fd);
        if (!synced)
            throw copyFolderError(syncError, folderOf(target));
        if (std::rename(m_path.c_str(), target.c_str()) != 0)
            throw copyFolderError(errno, folderOf(target));
        m_kept = true;
        const int folder = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }

private:
    std::string m_path;
    bool m_kept = false;
};

struct FinishBackup {
    void operator()(sqlite3_backup* backup) const noexcept { sqlite3_backup_finish(backup); }
};
using BackupHandle = std::unique_ptr<sqlite3_backup, FinishBackup>;

BackupHandle startBackup(sqlite3* target, sqlite3* source, const std::string& targetPath)
{
    BackupHandle backup(sqlite3_backup_init(target, "main", source, "main"));
    if (!backup)
        throw engineError(target, sqlite3_extended_errcode(target), targetPath);
    return backup;
}

// The destination's write failed: the folder or the disk is the cause far more
// often than the engine, and the user needs to hear which.
Error targetError(sqlite3* target, int rc, const std::string& path)
{
    const int systemError = sqlite3_system_errno(target);
    if ((rc & 0xff) == SQLITE_FULL)
        return copyFolderError(ENOSPC, folderOf(path));
    if (((rc & 0xff) == SQLITE_IOERR || (rc & 0xff) == SQLITE_CANTOPEN || (rc & 0xff) == SQLITE_READONLY) &&
        systemError != 0)
        return copyFolderError(systemError, folderOf(path));
    return engineError(target, rc, path);
}

Error abandoned(const std::string& source, const std::string& why)
{
    return Error(ErrorNumber::Locked, "La copia del catalogo " + quoted(source) + " è stata abbandonata: " + why);
}

// Runs the backup to its end. Writes of another program between two steps make
// the engine start again from the first page; each such restart is counted.
void runBackup(sqlite3_backup* backup, sqlite3* target, const std::string& source, const std::string& targetPath,
               const CopyControl& control)
{
    int restarts = 0;
    int lastRemaining = -1;
    for (;;) {
        const int rc = sqlite3_backup_step(backup, control.pagesPerStep);
        if (rc == SQLITE_DONE)
            return;
        const bool busy = (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
        if (rc != SQLITE_OK && !busy)
            throw targetError(target, rc, targetPath);
        const int remaining = sqlite3_backup_remaining(backup);
        if (busy || (lastRemaining >= 0 && remaining > lastRemaining)) {
            if (++restarts > control.restartsAllowed) {
                throw abandoned(source, "un altro programma continuava a scriverlo. Riprovare quando l'altro "
                                        "programma ha finito.");
            }
            if (busy)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        lastRemaining = remaining;
        if (control.afterStep && !control.afterStep(remaining, sqlite3_backup_pagecount(backup)))
            throw abandoned(source, "è stata interrotta prima della fine.");
    }
}

bool quickCheckPasses(sqlite3* db)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &raw, nullptr) != SQLITE_OK)
        return false;
    StatementHandle check(raw);
    if (sqlite3_step(raw) != SQLITE_ROW)
        return false;
    const auto* answer = sqlite3_column_text(raw, 0);
    return answer && std::string(reinterpret_cast<const char*>(answer)) == "ok" && sqlite3_step(raw) == SQLITE_DONE;
}

} // namespace

void copyDatabase(const std::string& source, const std::string& target, const CopyControl& control)
{
    DatabaseHandle from = openCatalogueFile(source, OpenMode::ReadOnly);
    PartialCopy partial(target + ".parziale");
    {
        DatabaseHandle to = openCatalogueFile(partial.path(), OpenMode::ReadWrite);
        // The temporary file needs no journal of its own: a copy cut short is
        // thrown away, never repaired. One flush, before the rename, makes it durable.
        sqlite3_exec(to.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
        {
            BackupHandle backup = startBackup(to.get(), from.get(), partial.path());
            runBackup(backup.get(), to.get(), source, partial.path(), control);
            const int rc = sqlite3_backup_finish(backup.release());
            if (rc != SQLITE_OK)
                throw targetError(to.get(), rc, partial.path());
        }
        from.reset();
        if (!quickCheckPasses(to.get())) {
            throw Error(ErrorNumber::Corrupt,
                        "La copia del catalogo " + quoted(source) +
                            " non supera il controllo di integrità: il catalogo potrebbe essere danneggiato. "
                            "La copia non è stata conservata.");
        }
    }
    partial.keepAs(target);
}

bool passesQuickCheck(const std::string& path)
{
    try {
        DatabaseHandle db = openCatalogueFile(path, OpenMode::ReadOnly);
        return quickCheckPasses(db.get());
    } catch (const Error&) {
        return false;
    }
}

std::optional<long long> countBooks(const std::string& path)
{
    try {
        DatabaseHandle db = openCatalogueFile(path, OpenMode::ReadOnly);
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM dorvi", -1, &raw, nullptr) != SQLITE_OK)
            return std::nullopt;
        StatementHandle count(raw);
        if (sqlite3_step(raw) != SQLITE_ROW)
            return std::nullopt;
        return sqlite3_column_int64(raw, 0);
    } catch (const Error&) {
        return std::nullopt;
    }
}

void restoreDatabase(const std::string& copy, const std::string& catalogue, const CopyControl& control)
{
    DatabaseHandle from = openCatalogueFile(copy, OpenMode::ReadOnly);
    DatabaseHandle to = openCatalogueFile(catalogue, OpenMode::ReadWrite);
    sqlite3_exec(to.get(), "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    BackupHandle backup = startBackup(to.get(), from.get(), catalogue);
    // Ending the backup before its last step rolls the catalogue's transaction back.
    for (;;) {
        const int rc = sqlite3_backup_step(backup.get(), control.pagesPerStep);
        if (rc == SQLITE_DONE)
            return;
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) {
            throw Error(ErrorNumber::Locked,
                        "Il catalogo " + quoted(catalogue) +
                            " è in uso da un altro programma: il ripristino non è stato fatto e il catalogo è rimasto "
                            "com'era. Chiudere l'altro programma e riprovare.",
                        rc, sqlite3_errstr(rc));
        }
        if (rc != SQLITE_OK)
            throw engineError(to.get(), rc, catalogue);
        if (control.afterStep &&
            !control.afterStep(sqlite3_backup_remaining(backup.get()), sqlite3_backup_pagecount(backup.get()))) {
            throw Error(ErrorNumber::Generic, "Il ripristino è stato interrotto prima della fine: il catalogo " +
                                                  quoted(catalogue) + " è rimasto com'era.");
        }
    }
}

} // namespace catalogue
