// The gate between the copies being made and the program's own writes. Files are
// known by their device and inode, so two spellings of one path are one file.
// The registry is shared by the copying threads and the window's thread: a mutex
// guards it, and a condition variable wakes a write blocked without a waiter.
#include "backupgate.h"

#include <condition_variable>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace catalogue {

namespace {

using FileId = std::pair<unsigned long long, unsigned long long>;

struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::multiset<FileId> copying;
    BackupGate::Waiter waiter;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

bool identify(const std::string& path, FileId& id)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    id = {info.st_dev, info.st_ino};
    return true;
}

bool copying(const FileId& id)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.copying.count(id) != 0;
}

} // namespace

void BackupGate::setWaiter(Waiter waiter)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.waiter = std::move(waiter);
}

bool BackupGate::isCopying(const std::string& path)
{
    FileId id;
    return identify(path, id) && copying(id);
}

void BackupGate::waitFor(const std::string& path)
{
    FileId id;
    if (!identify(path, id) || !copying(id))
        return;
    Registry& r = registry();
    Waiter waiter;
    {
        std::lock_guard lock(r.mutex);
        waiter = r.waiter;
    }
    if (waiter) {
        waiter([id] { return !copying(id); });
        return;
    }
    std::unique_lock lock(r.mutex);
    r.changed.wait(lock, [&] { return r.copying.count(id) == 0; });
}

BackupGate::Running::Running(const std::string& path)
{
    FileId id;
    m_known = identify(path, id);
    if (!m_known)
        return;
    m_device = id.first;
    m_inode = id.second;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.copying.insert(id);
}

BackupGate::Running::~Running()
{
    if (!m_known)
        return;
    Registry& r = registry();
    {
        std::lock_guard lock(r.mutex);
        r.copying.erase(r.copying.find(FileId{m_device, m_inode}));
    }
    r.changed.notify_all();
}

} // namespace catalogue
