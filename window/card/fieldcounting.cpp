// The counts of Campi… made on a thread of their own with a read-only connection,
// so the dialog never waits for a pass over the books.
#include "fieldcounting.h"

#include "fieldcounts.h"

#include <QFile>

FieldCounting::FieldCounting(std::function<void(std::optional<Counts>)> arrived) : m_arrived(std::move(arrived))
{
}

void FieldCounting::start(const QString& path, std::vector<std::string> columns)
{
    stop();
    const int generation = m_generation;
    m_thread = std::jthread([this, generation, path = QFile::encodeName(path).toStdString(),
                             columns = std::move(columns)](const std::stop_token& stop) {
        const auto counts = catalogue::countValuesOf(path, columns, stop);
        if (stop.stop_requested())
            return;
        std::optional<Counts> told;
        if (counts) {
            told.emplace();
            for (std::size_t i = 0; i < columns.size(); ++i)
                (*told)[columns[i]] = (*counts)[i];
        }
        // Dropped by Qt if the receiver goes first, and by the generation if a
        // later counting or a stop came first.
        QMetaObject::invokeMethod(
            m_receiver.get(),
            [this, generation, told = std::move(told)] {
                if (generation == m_generation)
                    m_arrived(told);
            },
            Qt::QueuedConnection);
    });
}

void FieldCounting::stop()
{
    ++m_generation;
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}
