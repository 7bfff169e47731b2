#pragma once

#include "monitor/ConsoleEntry.h"
#include "monitor/ConsoleWriter.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextCursor>
#include <QTimer>

#include <deque>
#include <memory>
#include <vector>

class QAbstractButton;
class QTextDocument;
class QTextEdit;

// A page's console: every message is written into the console's document as it comes, in
// order, and the newest `window()` of them are always kept.
//
// Qt keeps the formats of every frame a document ever held until the document goes, so a
// console that removed old output in place would grow without bound. Instead, once the console
// holds twice its window, it renews itself: a new document is written from the newest window of
// messages (under a line saying how many older ones were removed), a step of at most `stepMs`
// per turn of the event loop while the old document goes on showing new output; once the new one
// has caught up it takes the old one's place on a turn of its own and is laid out, again step by
// step, and the old one is freed, a few containers of messages per turn (beside the next
// renewal's steps, which must keep pace with the output). Only while the new document is being
// laid out does new output wait (it is written as soon as the layout is done).
class Console : public QObject
{
    Q_OBJECT

public:
    // At least this many of the newest messages are kept; the console renews itself once it
    // holds twice as many. A framed warning is three lines: 25,000 of them lay out in some 0.3 s
    // (a renewal's layout, in steps), and Qt's pass over every frame when the view takes the new
    // document, in one piece, takes some 50 ms and grows with the window.
    static constexpr int defaultWindow = 25000;
    // Work per turn of the event loop while renewing or freeing an old document.
    static constexpr int stepMs = 20;

    // Writes into the view's document; a following view (autoScroll checked) shows the newest
    // output.
    Console(QTextEdit* view, QAbstractButton* autoScroll, QObject* parent);
    ~Console() override;

    int window() const { return m_window; }
    void setWindow(int messages);
    // Renewal goes in steps across turns of the event loop, or all at once.
    void setStepped(bool stepped) { m_stepped = stepped; }

    QTextDocument* document() const;
    // Messages received since the console was last cleared, those removed by the window, and
    // those kept.
    qint64 received() const { return m_removed + qint64(m_kept.size()); }
    qint64 removed() const { return m_removed; }
    int kept() const { return int(m_kept.size()); }
    bool renewing() const { return m_phase != Phase::Live; }
    static QString removalNotice(qint64 removed);

    // Output is written in batches: the document's layout and the view follow once per batch.
    void beginBatch();
    void append(const ui::messages::Message& message);
    // The page's last line, behind every open section.
    void finish(const QString& text);
    void endBatch();
    // Ends the document's edit block, which otherwise spans the batches of a connection.
    void closeEdit();

    // Renews the console now, all at once.
    void renew();

    // Around the view's clear(): what is being renewed goes, and writing starts afresh.
    void prepareClear();
    void cleared();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Phase
    {
        Live,      // output is written as it comes
        Building,  // ... and a new document is written from the kept messages
        LayingOut, // the new document is shown and laid out; output waits
    };
    // A document with its writing position and writer.
    struct Pane
    {
        Pane(QTextDocument* document, const QWidget* view);
        ~Pane();
        QTextDocument* document;
        QTextCursor cursor;
        ConsoleWriter writer;
    };

    void write(ConsoleEntry&& entry);
    void renewIfFull();
    void startRenewal();
    void buildStep();
    void swapDocuments();
    void layoutStep();
    void finishRenewal();
    // Where the kept message is shown in the live document, from the top of the document.
    int keptTop(std::size_t index) const;
    void showEnd();
    void schedule(void (Console::*step)());
    void discard(std::unique_ptr<Pane> pane, bool editOpen);
    void discardStep(bool alone);

    QPointer<QTextEdit> m_view;
    QAbstractButton* m_autoScroll;
    std::unique_ptr<Pane> m_live;
    std::unique_ptr<Pane> m_next;
    std::vector<std::unique_ptr<Pane>> m_discarded;
    std::deque<ConsoleEntry> m_kept;
    // The sections open in front of the oldest kept message.
    SectionStack m_before{ConsoleWriter::maxSectionDepth};
    int m_window = defaultWindow;
    qint64 m_removed = 0;
    qint64 m_nextRemoved = 0;
    bool m_stepped = false;
    Phase m_phase = Phase::Live;
    bool m_batchOpen = false;
    bool m_editOpen = false;
    bool m_wrote = false;
    // Kept messages not yet written to the live document, and into the next one.
    std::size_t m_unwritten = 0;
    std::size_t m_built = 0;
    bool m_caughtUp = false;
    // Where a reader was, to be found again in the new document: the kept message at the top
    // of the view (-1: none) and how far below its top the view was.
    int m_readingEntry = -1;
    int m_readingOffset = 0;
    bool m_layoutByHeight = true;
    QTimer m_stepTimer;
    void (Console::*m_step)() = nullptr;
};
