#pragma once

#include <QString>
#include <QtGlobal>

class ConsoleFrames;
class QObject;
class QTextCursor;
class QTextDocument;
class QTextFrame;

// Keeps a console document within a budget of blocks by removing its oldest output. Qt's rich
// text layout slows to a crawl and then breaks down once a document is tens of millions of
// pixels tall, and every message costs memory; a bounded tail keeps both in check.
//
// What is removed is always a run of the oldest closed output: whole framed blocks with the text
// before them, or whole lines of text. The frames that hold the writing position (open sections
// and ConsoleFrames' open containers) stay, with their titles, so sections that span a removal
// still close where they should. Removal happens in steps of a sixty-fourth of the budget, and
// each step touches only the top of the document: the frames behind it are moved by the
// layout, not laid out again.
class ConsoleTail
{
public:
    explicit ConsoleTail(QTextCursor* cursor);

    int blockLimit() const { return m_blockLimit; }
    void setBlockLimit(int blocks);

    // Long messages wrap onto many lines, so the height follows the text more than the blocks:
    // the budget also holds this many characters per block on average.
    static constexpr qint64 charactersPerBlock = 64;
    qint64 characterLimit() const { return qint64(m_blockLimit) * charactersPerBlock; }

    // Whether the document holds more blocks or characters than the budget allows.
    bool overBudget() const;

    // The document was cleared: its notice went with it.
    void reset() { m_noticeShown = false; }
    bool noticeShown() const { return m_noticeShown; }

    // Removes the oldest output if the document is over its budget and puts the notice in the
    // first line (once). Returns whether anything was removed; the caller then has the layout
    // take in the change at the top of the document. With keepBlocks, removes down to that many
    // blocks instead, over budget or not.
    bool trim(const QString& notice, int keepBlocks = 0);

    // Copies the document into a new one (with the given parent) and moves the cursor there;
    // returns the old document, for the caller to dispose of. Qt keeps the formats of every
    // frame that a document ever held (a few hundred bytes each) until the document goes, so a
    // console that keeps removing old output for hours would grow without bound. What is shown
    // stays the same; the frames are new objects, which the writer's frame tracker is pointed at.
    QTextDocument* renew(ConsoleFrames& frames, QObject* parent);
    // Moves the cursor to the end of a new document (with the given parent) that holds only the
    // notice, for newer output to follow; returns the old document, as renew() does.
    QTextDocument* restart(const QString& notice, QObject* parent);

private:
    int excessBlocks(int targetBlocks, qint64 targetCharacters) const;
    bool dropOldest(int excess);
    int contentStart(QTextFrame* frame) const;
    int blockNumber(int position) const;
    int blockPosition(int number) const;
    void removeRange(int from, int to);
    void moveSurvivorsBehind(int from, int to);
    void insertNotice(const QString& notice);
    static QTextDocument* emptyDocumentLike(const QTextDocument* old, QObject* parent);

    QTextCursor* m_cursor;
    int m_blockLimit;
    bool m_noticeShown = false;
};
