// A job on a thread of its own. The object lives on the window's thread; the
// thread writes only the failure and then the finished flag (with release order),
// so the failure may be read once finished() says so.
#include "backgroundbackup.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace catalogue {

namespace {

constexpr int backgroundNice = 10;

} // namespace

BackgroundBackup::BackgroundBackup(const std::string& cataloguePath, Job job)
    : m_gate(std::make_unique<BackupGate::Running>(cataloguePath))
{
    m_thread = std::thread([this, job = std::move(job)]() mutable { run(std::move(job)); });
}

BackgroundBackup::~BackgroundBackup()
{
    m_stop.store(true);
    wait();
}

void BackgroundBackup::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void BackgroundBackup::run(Job job)
{
    // The copy yields the processor to the window: on a busy machine the window's
    // thread is served first, and the copy takes the time that is left.
    setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), backgroundNice);
    try {
        job([this] { return m_stop.load(); });
    } catch (const Error& error) {
        m_failure = error;
    } catch (const std::exception& error) {
        m_failure = unexpectedError(error);
    }
    // The writes held are let through before anyone is told the copy is over.
    m_gate.reset();
    m_finished.store(true, std::memory_order_release);
}

} // namespace catalogue
