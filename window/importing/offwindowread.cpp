// A source read on a thread of its own while the window goes on painting; the
// progress's Annulla ends it through the stop the sources watch.
#include "offwindowread.h"

#include "windowservices.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// How long the window waits for the work between two turns of its events: well
// under the 50 ms a user notices.
constexpr int turnMs = 10;
// The progress dialog shows itself half a second after it is made; until it is
// up (and modal) the user's input waits.
constexpr int dialogUpMs = 600;

// The thread and what it shares with the window. A count told waits for the
// window's answer, so an Annulla at a count stops the work right there (a
// thousand books between counts: the wait costs nothing measurable).
class Worker {
public:
    explicit Worker(const SourceWork& work) : m_thread([this, work] { run(work); }) {}
    ~Worker()
    {
        stop();
        m_thread.join();
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Waits up to `ms` for the end of the work or a count told; true at the end.
    bool waitFor(int ms)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_finished || m_told; });
        return m_finished;
    }
    // The window has shown the count told: the work goes on.
    void acknowledge()
    {
        const std::lock_guard lock(m_mutex);
        m_told = false;
        m_changed.notify_all();
    }
    void stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_changed.notify_all();
    }
    bool stopped() const { return m_stop; }
    std::uint64_t read() const { return m_read; }
    std::exception_ptr failure() const { return m_failure; }

private:
    void run(const SourceWork& work)
    {
        try {
            work(m_stop, [this](std::uint64_t read) { tell(read); });
        } catch (...) {
            m_failure = std::current_exception();
        }
        const std::lock_guard lock(m_mutex);
        m_finished = true;
        m_changed.notify_all();
    }
    void tell(std::uint64_t read)
    {
        std::unique_lock lock(m_mutex);
        m_read = read;
        m_told = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_told || m_stop; });
    }

    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_read{0};
    std::exception_ptr m_failure;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_finished = false;
    bool m_told = false;
    std::thread m_thread; ///< last: it starts once everything it uses exists
};

} // namespace

bool readOffWindow(const SourceWork& work, const std::function<std::unique_ptr<Progress>()>& makeProgress,
                   int progressAfterMs)
{
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<Progress> progress = progressAfterMs <= 0 ? makeProgress() : nullptr;
    qint64 progressMadeAt = 0;
    Worker worker(work);
    while (!worker.waitFor(turnMs)) {
        const bool dialogUp = progress && clock.elapsed() - progressMadeAt >= dialogUpMs;
        QCoreApplication::processEvents(dialogUp ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        if (!progress && clock.elapsed() >= progressAfterMs) {
            progress = makeProgress();
            progressMadeAt = clock.elapsed();
        }
        if (progress && !worker.stopped() && !progress->advance(static_cast<qint64>(worker.read())))
            worker.stop();
        worker.acknowledge();
    }
    if (worker.stopped())
        return false;
    if (worker.failure())
        std::rethrow_exception(worker.failure());
    return true;
}
