// The writing thread of Aggiungi da ISBN…: work queued in order, results handed
// back to the window's thread.
#include "shelfwriter.h"

#include <QCoreApplication>
#include <QPointer>

ShelfWriter::ShelfWriter(QObject* parent) : QObject(parent), m_worker(new QObject)
{
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

ShelfWriter::~ShelfWriter()
{
    finish();
}

void ShelfWriter::ask(Work work)
{
    if (m_finished)
        return;
    QMetaObject::invokeMethod(m_worker, [this, work = std::move(work)] {
        Then then = work();
        if (then)
            QMetaObject::invokeMethod(this, std::move(then));
    });
}

void ShelfWriter::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    // Quitting from inside the thread, after the work asked before it.
    QThread* thread = &m_thread;
    QMetaObject::invokeMethod(m_worker, [thread] { thread->quit(); });
    m_thread.wait();
    // What the work handed back is waiting in this thread's queue.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
