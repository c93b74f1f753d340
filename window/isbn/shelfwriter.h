#pragma once

#include <QObject>
#include <QThread>

#include <functional>

// The thread on which the books found by ISBN are checked against the catalogue
// and written, one piece of work after another in the order asked, so that the
// window never waits for the file (a duplicate check reads every book). Each
// piece of work runs there and hands back what to do with its result, which runs
// on the thread that owns the writer.
class ShelfWriter : public QObject {
public:
    using Then = std::function<void()>;
    using Work = std::function<Then()>;

    explicit ShelfWriter(QObject* parent = nullptr);
    ~ShelfWriter() override;

    // Queues `work`; nothing once finished.
    void ask(Work work);
    // Waits for the work asked and runs what each handed back; after it, what the
    // work touched is the caller's alone again.
    void finish();
    bool finished() const { return m_finished; }

private:
    QThread m_thread;
    QObject* m_worker; ///< lives in m_thread
    bool m_finished = false;
};
