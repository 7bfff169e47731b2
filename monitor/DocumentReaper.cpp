#include "monitor/DocumentReaper.h"

#include <QTextDocument>
#include <QThread>

#include <cstddef>
#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// The allocator would keep the many small blocks of a document's formats on its fast lists, to
// be sorted all at once by the next large request on the GUI thread, a pause of a tenth of a
// second; with the fast lists off while a document is freed, they are merged as they go, here.
void freeDocument(QTextDocument* document)
{
#ifdef __GLIBC__
    static std::mutex lock;
    static int freeing = 0;
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (freeing++ == 0)
            mallopt(M_MXFAST, 0);
    }
#endif
    delete document;
#ifdef __GLIBC__
    const std::lock_guard<std::mutex> guard(lock);
    if (--freeing == 0)
        mallopt(M_MXFAST, 64 * int(sizeof(std::size_t)) / 4); // the allocator's default
#endif
}

} // namespace

DocumentReaper::~DocumentReaper()
{
    if (!m_thread)
        return;
    // Queued behind the documents handed over before.
    QMetaObject::invokeMethod(
        m_context, [] { QThread::currentThread()->quit(); }, Qt::QueuedConnection);
    m_thread->wait();
    delete m_context;
    delete m_thread;
}

void DocumentReaper::discard(QTextDocument* document)
{
    if (!m_thread) {
        m_thread = new QThread;
        m_thread->setObjectName(QStringLiteral("document reaper"));
        m_context = new QObject;
        m_context->moveToThread(m_thread);
        m_thread->start(QThread::LowestPriority);
    }
    document->setParent(nullptr);
    document->moveToThread(m_thread);
    QMetaObject::invokeMethod(
        m_context, [document] { freeDocument(document); }, Qt::QueuedConnection);
}
