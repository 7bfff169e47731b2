#pragma once

class QObject;
class QTextDocument;
class QThread;

// Frees documents on a thread of its own. A console document that held many frames takes a
// tenth of a second and more to free, most of it the formats Qt kept for them; the window must
// not wait for that. The thread starts with the first document and is joined, after freeing
// everything handed over, when the reaper goes.
class DocumentReaper
{
public:
    DocumentReaper() = default;
    ~DocumentReaper();
    DocumentReaper(const DocumentReaper&) = delete;
    DocumentReaper& operator=(const DocumentReaper&) = delete;

    // Takes the document (which must have no parent and nothing left pointing into it) over.
    void discard(QTextDocument* document);

private:
    QThread* m_thread = nullptr;
    QObject* m_context = nullptr; // lives in m_thread: work queued on it runs there, in order
};
