#pragma once

#include "monitor/Client.h"
#include "monitor/ConsoleBacklog.h"
#include "monitor/ConsoleTail.h"
#include "monitor/ConsoleWriter.h"
#include "monitor/DocumentReaper.h"
#include "monitor/ErrorListModel.h"
#include "monitor/Message.h"

#include <QFont>
#include <QList>
#include <QPalette>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTextFormat>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class ErrorListFilterProxyModel;
class ErrorListView;
class QTextCursor;
class QTextDocument;
namespace Ui {
class ClientInterface;
}

// One application's tab: its console, its error list, a page per OpenGL ES context and the
// wireframe switch. Without a client it is the "Disconnected" placeholder.
class ClientInterface : public QWidget
{
    Q_OBJECT

public:
    enum State
    {
        Disconnected = 0,
        Connected = 1,
        Finished = 2
    };

    static constexpr int maxSectionDepth = ConsoleWriter::maxSectionDepth;
    // Longest time that output arriving in a flood waits before it is shown.
    static constexpr int batchSpanMs = 100;
    // About 30 ms of writing and layout, whatever the size of the console; the removal of as
    // much old output that follows it in the next turn takes about as long.
    static constexpr int batchBlockLimit = 2000;
    // The first batch also pays for the console's first paint, so it is kept small.
    static constexpr int firstBatchBlockLimit = 600;
    // A pause in the input shorter than this does not end a batch: a writer that refills the
    // socket in bursts would otherwise get a layout pass per burst.
    static constexpr int batchIdleMs = 2;
    // Blocks (about lines) that a console keeps: 100,000 lines of text or some 33,000 framed
    // messages, about two million pixels tall. The layout stops coping at ten times that; a font
    // change lays a full console out again in about half a second.
    static constexpr int defaultConsoleBlockLimit = 100000;
    // Removals of old output between two ends of the connection's edit block.
    static constexpr int trimsPerEdit = 16;
    // Frames (about messages) made before the console's document is rebuilt from its kept
    // output. Qt keeps a format per frame a document ever held (some 270 bytes) until the
    // document goes, so a console that keeps removing old output would grow without bound. The
    // console first sheds its old output down to a sixty-fourth of its budget (at least 1,000
    // blocks), a thirty-second of the budget per turn of the event loop; what is left is copied
    // into a new document (some 30 ms), and the old one is freed on a thread of the page's own.
    // A renewal every 150,000 frames holds the formats to some 40 MB.
    static constexpr int defaultRenewalFrames = 150000;
    static constexpr int renewalKeepFraction = 64;
    static constexpr int renewalMinimumBlocks = 1000;
    static constexpr int renewalStepFraction = 32;
    // Under a flood that the console does not keep up with (it already removes old output, and
    // its batches keep filling up or lasting their whole span while more input waits), it
    // writes only the newest frames of each batch: at most this many, and no more than an
    // eighth of its block budget. When more arrived, the console starts a new document with
    // them, under the removal notice. It does so from the fourth full batch in a row, and until
    // the input pauses. A slow stream loses nothing by it: a batch holds fewer frames.
    static constexpr int floodWindowFrames = 600;
    static constexpr int floodEntryBatches = 4;
    // Context pages per application; a further context replaces the oldest page.
    static constexpr int maxContextPages = 64;

    ClientInterface(QWidget* parent, Client* client, const QFont& consoleFont);
    ~ClientInterface() override;

    void setConnected();

    Client* client() const { return m_client; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    PID_TYPE pid() const { return m_pid; }
    void setPID(PID_TYPE pid) { m_pid = pid; }
    State state() const { return m_state; }

    QTextDocument* document() const { return m_document; }
    ErrorListModel* errorListModel() const { return m_errorListModel; }
    ErrorListFilterProxyModel* errorListProxy() const { return m_errorListProxy; }
    ErrorListView* errorListView() const { return m_errorListView; }

    int consoleBlockLimit() const { return m_tail.blockLimit(); }
    void setConsoleBlockLimit(int blocks);
    void setConsoleRenewalFrames(int frames) { m_renewalFrames = frames; }
    // Rebuilds the console's document from what it shows; done on its own when old output is
    // removed after defaultRenewalFrames frames.
    void renewConsole();
    // Whether the console writes only the newest frames of each batch, and how many frames it
    // passed over so far.
    bool skipping() const { return m_skipping; }
    qint64 skippedFrames() const { return m_skippedFrames; }
    // Skips from now on, until the input pauses; done on its own under such a flood.
    void skipAhead();
    // The first line of a console whose oldest output was removed.
    static QString removalNotice();

public slots:
    void receive(const ui::messages::Message& message);
    void fontChanged(const QFont& font);
    void finish(const QString& text);
    void wireframeStateChanged(int state);
    void uncheckConsoleAutoScroll();
    void uncheckErrorListAutoScroll();
    void errorListWarningsStateChanged(int state);
    void errorListErrorsStateChanged(int state);
    void showErrorListItemContents(int row, int column, QPoint pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyFont();
    // Frames come from a live connection rather than being handed over directly.
    bool fedByConnection() const { return m_client && m_client->socket(); }
    void writeConsole(const ui::messages::Message& message);
    void openContextTab(const ui::messages::Message& message);
    void addErrorListRow(const ui::messages::Message& message);
    void consoleAutoScroll();

    // Output is grouped per burst of input: one layout pass, one batch of error list rows and
    // one scroll for all the frames that arrived together. The document's edit block spans
    // every burst of a connection and is closed (closeEdit) only when the page finishes, the
    // console is cleared or its font changes.
    void beginBatch();
    void endBatch();
    void readEnded();
    void closeEdit();
    void trimConsole();
    void updateSkipping(bool batchFull);
    void stopSkipping();
    void writeBacklog();
    QTextDocument* beginNewDocument(const SectionStack& openSections);
    bool renewalDue() const;
    void scheduleContextPages();
    void buildContextPages();

    Ui::ClientInterface* ui;
    QTextDocument* m_document;
    QTextCursor* m_cursor;
    ErrorListModel* m_errorListModel;
    ErrorListFilterProxyModel* m_errorListProxy;
    ErrorListView* m_errorListView = nullptr;
    QPointer<Client> m_client;
    QString m_name;
    PID_TYPE m_pid = 0;
    State m_state = Disconnected;

    std::unique_ptr<ConsoleWriter> m_writer; // made with the console view
    ConsoleTail m_tail;
    bool m_batchOpen = false;
    bool m_editOpen = false;
    // The batch wrote to the console: its output is laid out and scrolled to once, at the end.
    bool m_outputPending = false;
    int m_batchFirstBlockCount = 0;
    QTimer m_batchTimer;
    QTimer m_idleTimer;
    bool m_firstBatchDone = false;
    QList<ErrorListEntry> m_pendingRows;
    // ContextInfo frames whose pages are still to be built, newest last (at most maxContextPages)
    QList<ui::messages::Message> m_pendingContexts;
    QTimer m_contextTimer;
    QTimer m_trimTimer;
    bool m_trimPending = false;
    int m_trimsInEdit = 0;
    int m_renewalFrames = defaultRenewalFrames;
    DocumentReaper m_reaper;
    bool m_editRenewalPending = false;
    // The BeginSection frames of the sections open at the end of the output received.
    SectionStack m_sections{maxSectionDepth};
    ConsoleBacklog m_backlog{maxSectionDepth};
    bool m_skipping = false;
    bool m_batchFull = false;
    int m_fullBatches = 0;
    qint64 m_skippedFrames = 0;
    // A font chosen while the console was out of sight, taken when it is shown.
    std::optional<QFont> m_pendingFont;
};
