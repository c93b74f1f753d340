#pragma once

#include "backupgate.h"
#include "error.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace catalogue {

// A copy of the catalogue made on a thread of its own, with connections of its
// own, while the window goes on. From construction until the job ends the gate
// holds the program's writes to the catalogue, so the copy shows the file as it
// was when the copy began.
class BackgroundBackup {
public:
    // The job is told to stop through `stopRequested`; it ends by returning or by
    // throwing Error.
    using Job = std::function<void(const std::function<bool()>& stopRequested)>;

    BackgroundBackup(const std::string& cataloguePath, Job job);
    // Asks the job to stop and waits for it: a copy cut short keeps no final name.
    ~BackgroundBackup();
    BackgroundBackup(const BackgroundBackup&) = delete;
    BackgroundBackup& operator=(const BackgroundBackup&) = delete;

    bool finished() const { return m_finished.load(std::memory_order_acquire); }
    // Once finished: why the job failed, or nothing.
    const std::optional<Error>& failure() const { return m_failure; }
    // Blocks until the job has ended.
    void wait();

private:
    void run(Job job);

    std::unique_ptr<BackupGate::Running> m_gate;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::optional<Error> m_failure;
    std::thread m_thread;
};

} // namespace catalogue
