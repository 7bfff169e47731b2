#include "monitor/Console.h"

#include <QAbstractButton>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>

#include <vector>

#include <algorithm>
#include <utility>

using ui::messages::Message;

namespace {

// Messages written between two looks at the clock.
constexpr std::size_t buildChunkMessages = 64;

QTextDocument* newDocumentLike(const QTextDocument* old)
{
    auto* document = new QTextDocument;
    // The console is append-only; an undo history would only hold a second copy of it.
    document->setUndoRedoEnabled(false);
    if (old) {
        document->setDefaultFont(old->defaultFont());
        document->setDefaultTextOption(old->defaultTextOption());
    }
    // Not laid out until it is shown: an empty page size keeps its layout idle. The layout is
    // made now, so that the changes gathered while it is written can be let go of (below).
    document->documentLayout();
    document->setPageSize(QSizeF(0, 0));
    return document;
}

// A step of work goes on while a piece like the one just done still fits in what is left of the
// step: a piece that lays out or frees a container can take several milliseconds.
class StepClock
{
public:
    explicit StepClock(int budgetMs = Console::stepMs) : m_budgetNs(budgetMs * qint64(1000000))
    {
        m_clock.start();
    }
    bool roomForMore()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 piece = now - m_lastNs;
        m_lastNs = now;
        return now + piece < m_budgetNs;
    }

private:
    QElapsedTimer m_clock;
    qint64 m_budgetNs;
    qint64 m_lastNs = 0;
};

// Whether Qt has laid out the block, or for a hidden one (which has no lines) the next visible
// block, which must exist.
bool laidOut(QTextBlock block)
{
    while (!block.isVisible())
        block = block.next();
    return block.layout()->lineCount() > 0;
}

// The number of the first block Qt has yet to lay out (it lays a document out in order), or -1.
int firstNotLaidOut(const QTextDocument* document)
{
    QTextBlock last = document->lastBlock();
    while (last.isValid() && !last.isVisible())
        last = last.previous();
    if (!last.isValid() || laidOut(last))
        return -1;
    int low = 0;
    int high = last.blockNumber();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (laidOut(document->findBlockByNumber(middle)))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace

Console::Pane::Pane(QTextDocument* document, const QWidget* view)
    : document(document), cursor(document), writer(&cursor, view)
{
    cursor.setBlockFormat(QTextBlockFormat());
    cursor.setCharFormat(QTextCharFormat());
}

Console::Pane::~Pane()
{
    // An edit block still open goes with the document.
    cursor = QTextCursor();
    delete document;
}

Console::Console(QTextEdit* view, QAbstractButton* autoScroll, QObject* parent)
    : QObject(parent), m_view(view), m_autoScroll(autoScroll),
      m_live(std::make_unique<Pane>(newDocumentLike(nullptr), view))
{
    m_view->setDocument(m_live->document);
    m_stepTimer.setSingleShot(true);
    m_stepTimer.setInterval(0);
    // Per turn, a step of the renewal and a shorter one of freeing an old document: the new
    // document must be written faster than output comes, or it would never catch up.
    connect(&m_stepTimer, &QTimer::timeout, this, [this] {
        const bool renewing = m_step;
        if (renewing)
            (this->*std::exchange(m_step, nullptr))();
        discardStep(!renewing);
    });
}

Console::~Console()
{
    // The view may outlive this: it must not be left showing a freed document.
    if (m_view)
        m_view->setDocument(nullptr);
}

void Console::setWindow(int messages)
{
    m_window = std::max(1, messages);
}

QTextDocument* Console::document() const
{
    return m_live->document;
}

QString Console::removalNotice(qint64 removed)
{
    return tr("%1 older messages were removed from this console.").arg(removed);
}

void Console::beginBatch()
{
    if (m_batchOpen)
        return;
    m_batchOpen = true;
    if (!m_editOpen) {
        m_editOpen = true;
        m_live->cursor.beginEditBlock();
    }
}

void Console::append(const Message& message)
{
    write(ConsoleEntry::fromMessage(message));
}

void Console::finish(const QString& text)
{
    write(ConsoleEntry::closing(text));
}

void Console::write(ConsoleEntry&& entry)
{
    m_kept.push_back(std::move(entry));
    // Laying the new document out and writing to it would lay it out all at once.
    if (m_phase == Phase::LayingOut) {
        ++m_unwritten;
        return;
    }
    ConsoleEntry& kept = m_kept.back();
    kept.position = m_live->cursor.position();
    m_live->writer.write(kept);
    m_wrote = true;
}

void Console::endBatch()
{
    if (!m_batchOpen)
        return;
    m_batchOpen = false;
    if (std::exchange(m_wrote, false)) {
        // Lays out what the batch wrote. Qt has gathered the changed range itself; this widens
        // it to the end of the document, which is where the output goes.
        QTextDocument* document = m_live->document;
        const int from = m_live->cursor.position();
        document->markContentsDirty(from, document->characterCount() - from);
        if (m_autoScroll->isChecked())
            showEnd();
    }
    renewIfFull();
}

void Console::renewIfFull()
{
    if (m_phase == Phase::Live && m_kept.size() >= 2 * std::size_t(m_window))
        startRenewal();
}

void Console::closeEdit()
{
    endBatch();
    if (!m_editOpen)
        return;
    m_editOpen = false;
    m_live->cursor.endEditBlock();
}

void Console::showEnd()
{
    m_view->setTextCursor(m_live->cursor);
    m_view->ensureCursorVisible();
}

void Console::renew()
{
    const bool stepped = std::exchange(m_stepped, false);
    endBatch();
    m_stepTimer.stop();
    if (m_phase == Phase::Live)
        startRenewal();
    while (m_phase != Phase::Live && m_step)
        (this->*std::exchange(m_step, nullptr))();
    m_stepped = stepped;
}

void Console::schedule(void (Console::*step)())
{
    m_step = step;
    if (m_stepped)
        m_stepTimer.start();
    else
        (this->*std::exchange(m_step, nullptr))();
}

void Console::startRenewal()
{
    // The oldest messages beyond the window go; the sections they leave open stay open.
    while (m_kept.size() > std::size_t(m_window)) {
        m_before.follow(m_kept.front());
        m_kept.pop_front();
        ++m_nextRemoved;
    }
    m_next = std::make_unique<Pane>(newDocumentLike(m_live->document), m_view);
    m_next->cursor.beginEditBlock();
    if (m_nextRemoved > 0)
        m_next->writer.writeInfo(removalNotice(m_nextRemoved));
    m_next->writer.openSections(m_before);
    m_built = 0;
    m_caughtUp = false;
    m_layoutByHeight = true;
    m_phase = Phase::Building;
    schedule(&Console::buildStep);
}

void Console::buildStep()
{
    StepClock clock;
    const std::size_t first = m_built;
    while (m_built < m_kept.size()) {
        ConsoleEntry& entry = m_kept[m_built++];
        entry.nextPosition = m_next->cursor.position();
        m_next->writer.write(entry);
        if (m_stepped && m_built % buildChunkMessages == 0 && !clock.roomForMore())
            return schedule(&Console::buildStep);
    }
    // The swap takes a turn of its own, the one after the step that caught up.
    if (m_stepped && !std::exchange(m_caughtUp, true) && m_built - first > buildChunkMessages)
        return schedule(&Console::buildStep);
    // Even inside a batch: waiting for its end would let output that keeps coming put the swap
    // off again and again.
    swapDocuments();
}

void Console::swapDocuments()
{
    // A reader's place: the message at the top of the view and how far below its top the view
    // is; a reader of output about to be removed is shown the oldest kept message. (Qt's hit
    // test is no help here: in a document laid out in pieces it can answer with the end.)
    m_readingEntry = -1;
    m_readingOffset = 0;
    if (!m_autoScroll->isChecked()) {
        const int value = m_view->verticalScrollBar()->value();
        std::size_t low = 0;
        std::size_t high = m_kept.size();
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (keptTop(middle) <= value)
                low = middle + 1;
            else
                high = middle;
        }
        m_readingEntry = 0;
        if (low > 0) {
            m_readingEntry = int(low - 1);
            m_readingOffset = value - keptTop(low - 1);
        }
    }
    // Lets go of the changes Qt gathered while the document was written: the first batch would
    // otherwise lay out all of it at once.
    m_next->document->markContentsDirty(0, 0);
    // The font may have changed while it was written (setting it costs a pass over the document).
    if (m_next->document->defaultFont() != m_live->document->defaultFont())
        m_next->document->setDefaultFont(m_live->document->defaultFont());
    for (ConsoleEntry& entry : m_kept)
        entry.position = entry.nextPosition;

    // The view lays out at once what it shows: it shows the top of the new document, out of
    // sight, until the rest is laid out, a step per turn.
    m_view->setUpdatesEnabled(false);
    m_view->verticalScrollBar()->setValue(0);
    m_view->setDocument(m_next->document);
    m_next->document->documentLayout()->installEventFilter(this);
    std::swap(m_live, m_next);
    discard(std::move(m_next), m_editOpen);
    m_editOpen = true; // the new document's, open since it was started
    // What the batch wrote to the old document needs no layout.
    m_wrote = false;
    m_removed = m_nextRemoved;
    m_phase = Phase::LayingOut;
    schedule(&Console::layoutStep);
}

void Console::layoutStep()
{
    QTextDocument* document = m_live->document;
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    StepClock clock;
    // Qt lays out in pieces of a size of its own, each with a pass over every frame behind it
    // (up to some 30 ms in a new document). Asked for what lies below the laid-out part (by
    // height), it doubles that size, from 1,000 characters up to some 200,000; asked by position,
    // it keeps it. So the new document is laid out by height until a piece takes half a step,
    // and by position from then on.
    for (int next = firstNotLaidOut(document); next >= 0;) {
        const QTextBlock block = document->findBlockByNumber(next);
        if (m_layoutByHeight) {
            QElapsedTimer piece;
            piece.start();
            QTextBlock done = block.previous();
            while (done.isValid() && !done.isVisible())
                done = done.previous();
            const qreal below = done.isValid() ? layout->blockBoundingRect(done).bottom() : 0;
            layout->hitTest(QPointF(0, below + 100), Qt::FuzzyHit);
            m_layoutByHeight = piece.elapsed() < stepMs / 2;
        }
        next = firstNotLaidOut(document);
        if (next == block.blockNumber()) {
            QTextBlock visible = block;
            while (!visible.isVisible())
                visible = visible.next();
            layout->blockBoundingRect(visible);
            next = firstNotLaidOut(document);
            // Should Qt go no further, the rest is laid out at once below.
            if (next == block.blockNumber())
                break;
        }
        if (m_stepped && next >= 0 && !clock.roomForMore())
            return schedule(&Console::layoutStep);
    }
    layout->frameBoundingRect(document->rootFrame());
    finishRenewal();
}

int Console::keptTop(std::size_t index) const
{
    // What the message shows first: a title, an info's text. The blank and hidden lines in
    // front of it are not the same in a renewed document.
    const QTextDocument* document = m_live->document;
    const int from = m_kept[index].position;
    const int to =
        index + 1 < m_kept.size() ? m_kept[index + 1].position : m_live->cursor.position();
    QTextBlock shown;
    for (QTextBlock block = document->findBlock(from); block.isValid(); block = block.next()) {
        if (block.position() < from || !block.isVisible())
            continue;
        const bool inside = block.position() < to;
        if (inside && !block.text().isEmpty()) {
            shown = block;
            break;
        }
        if (!shown.isValid())
            shown = block;
        if (!inside)
            break;
    }
    if (!shown.isValid())
        return 0;
    return qRound(document->documentLayout()->blockBoundingRect(shown).top());
}

void Console::finishRenewal()
{
    m_phase = Phase::Live;
    if (!m_discarded.empty())
        m_stepTimer.start();
    m_view->setUpdatesEnabled(true);
    // What came while the new document was laid out.
    if (m_unwritten > 0) {
        const bool ownBatch = !m_batchOpen;
        const bool ownEdit = !m_editOpen;
        beginBatch();
        for (std::size_t i = m_kept.size() - std::exchange(m_unwritten, 0); i < m_kept.size();
             ++i) {
            ConsoleEntry& entry = m_kept[i];
            entry.position = m_live->cursor.position();
            m_live->writer.write(entry);
            m_wrote = true;
        }
        if (ownEdit)
            closeEdit();
        else if (ownBatch)
            endBatch();
    }
    // The view learns the document's size from a timer of Qt's that was held back while the
    // document was laid out here; its scroll range must cover the new document before it moves.
    QAbstractTextDocumentLayout* layout = m_live->document->documentLayout();
    emit layout->documentSizeChanged(layout->documentSize());

    if (m_autoScroll->isChecked()) {
        showEnd();
    } else {
        int y = 0;
        if (m_readingEntry >= 0 && std::size_t(m_readingEntry) < m_kept.size())
            y = keptTop(std::size_t(m_readingEntry)) + m_readingOffset;
        m_view->verticalScrollBar()->setValue(y);
    }
    // What came during the renewal may fill the console again; inside a batch, its end looks.
    if (!m_batchOpen)
        renewIfFull();
}

namespace {

// Qt deletes a removed frame from its document's list of child objects, which holds every frame
// in the order they were made; taking an object out of that list moves everything behind it,
// unless the object is the list's first. The objects in front of the leaf frames about to go
// (the root frame, the layout, and the containers, which Qt deletes after their contents) move
// to the end of the list first, so that Qt takes the messages' frames from its front.
void moveSurvivorsBehind(QTextDocument* document, int to)
{
    std::vector<QObject*> behind;
    for (QObject* child : document->children()) {
        const auto* frame = qobject_cast<QTextFrame*>(child);
        if (frame && frame != document->rootFrame()) {
            if (frame->firstPosition() > to)
                break;
            if (frame->childFrames().isEmpty())
                continue;
        }
        behind.push_back(child);
    }
    for (QObject* child : behind) {
        child->setParent(nullptr);
        child->setParent(document);
    }
}

} // namespace

void Console::discardStep(bool alone)
{
    // Not while the new document is laid out: those steps are enough for a turn.
    if (m_discarded.empty() || m_phase == Phase::LayingOut)
        return;
    QTextDocument* document = m_discarded.front()->document;
    // Freeing a whole document at once takes a tenth of a second and more: it goes a top-level
    // container at a time, and the emptied document in one piece (Qt then frees the format of
    // every frame it ever held, in some 40-90 ms for a console at twice its window), on a turn
    // without a step of the renewal.
    StepClock clock(stepMs / 2);
    for (;;) {
        const QList<QTextFrame*> top = document->rootFrame()->childFrames();
        if (top.isEmpty()) {
            // That piece is the longest: it waits for a turn of its own.
            if (alone)
                m_discarded.erase(m_discarded.begin());
            break;
        }
        const int to = top.first()->lastPosition() + 1;
        moveSurvivorsBehind(document, to);
        QTextCursor cursor(document);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        if (!clock.roomForMore())
            break;
    }
    if (!m_discarded.empty())
        m_stepTimer.start();
}

bool Console::eventFilter(QObject* watched, QEvent* event)
{
    // Qt lays a shown document out on a timer of its own too, in steps that double up to some
    // 200,000 characters; while the new document is laid out here, step by step, its steps wait.
    if (m_phase == Phase::LayingOut && event->type() == QEvent::Timer &&
        watched == m_live->document->documentLayout())
        return true;
    return QObject::eventFilter(watched, event);
}

void Console::discard(std::unique_ptr<Pane> pane, bool editOpen)
{
    // Freed in later turns of the event loop, once the new document is laid out. Inside an edit
    // block what is removed is neither laid out nor has its frames rescanned, which would each
    // take a pass over the whole document; the block is never ended, it goes with the document.
    if (!editOpen)
        pane->cursor.beginEditBlock();
    m_discarded.push_back(std::move(pane));
    if (!m_stepped)
        m_discarded.clear();
}

void Console::prepareClear()
{
    closeEdit();
    // A document being written from the messages now cleared is of no use.
    if (m_phase == Phase::Building) {
        m_stepTimer.stop();
        m_step = nullptr;
        m_next.reset();
    }
}

void Console::cleared()
{
    if (m_phase == Phase::LayingOut) {
        m_stepTimer.stop();
        m_step = nullptr;
        m_view->setUpdatesEnabled(true);
    }
    m_phase = Phase::Live;
    m_kept.clear();
    m_unwritten = 0;
    m_before.clear();
    m_removed = 0;
    m_nextRemoved = 0;
    m_live->writer.restart();
    if (!m_discarded.empty())
        m_stepTimer.start();
}
