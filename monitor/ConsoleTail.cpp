#include "monitor/ConsoleTail.h"

#include "monitor/ConsoleFrames.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>

#include <algorithm>
#include <vector>

namespace {
// A closed frame this small goes whole even when that removes a little more than needed.
constexpr int smallFrameBlocks = 8;
// What goes at a time: its removal and the layout of what moves up take about as long as
// writing it did, and must fit into a turn of the event loop.
constexpr int removalFraction = 64;
} // namespace

ConsoleTail::ConsoleTail(QTextCursor* cursor) : m_cursor(cursor), m_blockLimit(0) {}

void ConsoleTail::setBlockLimit(int blocks)
{
    m_blockLimit = std::max(0, blocks);
}

bool ConsoleTail::overBudget() const
{
    const QTextDocument* document = m_cursor->document();
    return m_blockLimit > 0 &&
           (document->blockCount() > m_blockLimit || document->characterCount() > characterLimit());
}

// Blocks to remove to get under both targets; characters over their target are turned into
// blocks at the document's average length.
int ConsoleTail::excessBlocks(int targetBlocks, qint64 targetCharacters) const
{
    const QTextDocument* document = m_cursor->document();
    const int blocks = document->blockCount();
    const qint64 characters = document->characterCount();
    qint64 excess = blocks - targetBlocks;
    if (characters > targetCharacters) {
        const qint64 average = std::max<qint64>(1, characters / std::max(1, blocks));
        excess = std::max(excess, (characters - targetCharacters + average - 1) / average);
    }
    return int(std::clamp<qint64>(excess, 0, blocks));
}

bool ConsoleTail::trim(const QString& notice, int keepBlocks)
{
    if (keepBlocks <= 0 && !overBudget())
        return false;
    int target = std::max(1, m_blockLimit - m_blockLimit / removalFraction);
    qint64 characterTarget = characterLimit() - characterLimit() / removalFraction;
    if (keepBlocks > 0) {
        target = keepBlocks;
        characterTarget = qint64(keepBlocks) * charactersPerBlock;
    }
    bool dropped = false;
    for (int excess; (excess = excessBlocks(target, characterTarget)) > 0;) {
        if (!dropOldest(excess))
            break;
        dropped = true;
    }

    if (dropped && !m_noticeShown)
        insertNotice(notice);
    return dropped;
}

int ConsoleTail::blockNumber(int position) const
{
    return m_cursor->document()->findBlock(position).blockNumber();
}

int ConsoleTail::blockPosition(int number) const
{
    return m_cursor->document()->findBlockByNumber(number).position();
}

int ConsoleTail::contentStart(QTextFrame* frame) const
{
    if (frame != m_cursor->document()->rootFrame())
        return frame->firstPosition();
    // The notice is the root's first line and stays.
    return m_noticeShown ? blockPosition(1) : 0;
}

bool ConsoleTail::dropOldest(int excess)
{
    // The frames that hold the writing position, outermost first: they stay, with the blocks
    // that hold their titles.
    std::vector<QTextFrame*> open;
    for (QTextFrame* f = m_cursor->currentFrame(); f; f = f->parentFrame())
        open.push_back(f);
    std::reverse(open.begin(), open.end());

    QTextFrame* frame = open.front();
    std::size_t depth = 0; // frame == open[depth] while it is on the open path
    bool onPath = true;
    for (;;) {
        const int start = contentStart(frame);
        const int startBlock = blockNumber(start);
        QTextFrame* openChild = onPath && depth + 1 < open.size() ? open[depth + 1] : nullptr;
        const QList<QTextFrame*> children = frame->childFrames();
        QTextFrame* first = children.isEmpty() ? nullptr : children.first();
        if (first == openChild)
            first = nullptr;

        // A run of the oldest closed frames with the text between them, as long as it fits.
        if (first) {
            QTextFrame* last = nullptr;
            for (QTextFrame* child : children) {
                if (child == openChild ||
                    blockNumber(child->lastPosition() + 1) - startBlock > excess)
                    break;
                last = child;
            }
            if (last) {
                removeRange(start, last->lastPosition() + 1);
                return true;
            }
        }

        // Lines of text before the first frame's title, or before the writing position, or
        // before the last line of a closed frame (a frame keeps one block).
        int keep;
        if (first)
            keep = blockNumber(first->firstPosition() - 1);
        else if (openChild)
            keep = blockNumber(openChild->firstPosition() - 1);
        else if (onPath)
            keep = blockNumber(m_cursor->position());
        else
            keep = blockNumber(frame->lastPosition());
        if (keep > startBlock) {
            removeRange(start, blockPosition(std::min(keep, startBlock + excess)));
            return true;
        }

        if (first) {
            // The oldest closed frame alone is larger than what is to go: a short one goes whole,
            // a larger one (a container, a section) loses its own oldest output.
            if (blockNumber(first->lastPosition() + 1) - startBlock <= smallFrameBlocks) {
                removeRange(start, first->lastPosition() + 1);
                return true;
            }
            frame = first;
            onPath = false;
            continue;
        }
        if (!openChild)
            return false;
        frame = openChild;
        ++depth;
    }
}

void ConsoleTail::removeRange(int from, int to)
{
    // The block at `from` survives the removal and takes over the text of the block at `to`;
    // it takes over that block's formats and visibility too, so what is left looks the same.
    QTextDocument* document = m_cursor->document();
    const QTextBlock next = document->findBlock(to);
    const QTextBlockFormat blockFormat = next.blockFormat();
    const QTextCharFormat charFormat = next.charFormat();
    const bool visible = next.isVisible();

    moveSurvivorsBehind(from, to);
    QTextCursor cursor(document);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();

    QTextBlock merged = document->findBlock(from);
    cursor.setPosition(merged.position());
    cursor.setBlockFormat(blockFormat);
    cursor.setBlockCharFormat(charFormat);
    merged.setVisible(visible);
}

// Qt deletes a removed frame from its document's list of child objects, which holds every frame
// in the order they were made; taking an object out of that list moves everything behind it,
// unless the object is the list's first. The objects in front of the frames about to go (the
// root frame, the layout, containers that the removal empties only in part, and the containers
// it removes, which Qt deletes after their contents) move to the end of the list first, so that
// Qt takes the removed messages' frames from its front.
void ConsoleTail::moveSurvivorsBehind(int from, int to)
{
    QTextDocument* document = m_cursor->document();
    std::vector<QObject*> behind;
    for (QObject* child : document->children()) {
        const auto* frame = qobject_cast<QTextFrame*>(child);
        if (frame && frame != document->rootFrame()) {
            const int first = frame->firstPosition();
            if (first > to)
                break; // kept output: made after everything that goes
            if (first > from && frame->lastPosition() < to && frame->childFrames().isEmpty())
                continue;
        }
        behind.push_back(child);
    }
    for (QObject* child : behind) {
        child->setParent(nullptr);
        child->setParent(document);
    }
}

void ConsoleTail::insertNotice(const QString& notice)
{
    QTextDocument* document = m_cursor->document();
    const QTextBlock first = document->begin();
    const QTextBlockFormat blockFormat = first.blockFormat();
    const QTextCharFormat charFormat = first.charFormat();
    const bool visible = first.isVisible();

    // A new first line in front of whatever starts the document, which keeps its own looks.
    QTextCursor cursor(document);
    cursor.setPosition(0);
    cursor.insertBlock(blockFormat, charFormat);
    document->begin().next().setVisible(visible);
    QTextBlock line = document->begin();
    line.setVisible(true);
    cursor.setPosition(0);
    cursor.setBlockFormat(QTextBlockFormat());
    cursor.setBlockCharFormat(QTextCharFormat());
    cursor.insertText(notice, QTextCharFormat());
    m_noticeShown = true;
}

QTextDocument* ConsoleTail::renew(ConsoleFrames& frames, QObject* parent)
{
    QTextDocument* old = m_cursor->document();
    const int position = m_cursor->position();
    const QTextCharFormat charFormat = m_cursor->charFormat();
    const std::vector<int> framePositions = frames.framePositions();
    // A copy keeps text, formats and frames, but not which blocks are hidden.
    std::vector<int> hidden;
    for (QTextBlock block = old->begin(); block.isValid(); block = block.next()) {
        if (!block.isVisible())
            hidden.push_back(block.blockNumber());
    }

    QTextDocument* fresh = emptyDocumentLike(old, parent);
    QTextCursor cursor(fresh);
    cursor.beginEditBlock();
    cursor.insertFragment(QTextDocumentFragment(old));
    for (int number : hidden)
        fresh->findBlockByNumber(number).setVisible(false);
    cursor.endEditBlock();

    *m_cursor = QTextCursor(fresh);
    m_cursor->setPosition(position);
    m_cursor->setCharFormat(charFormat);
    frames.rebind(framePositions);
    return old;
}

QTextDocument* ConsoleTail::restart(const QString& notice, QObject* parent)
{
    QTextDocument* old = m_cursor->document();
    QTextDocument* fresh = emptyDocumentLike(old, parent);
    *m_cursor = QTextCursor(fresh);
    insertNotice(notice);
    m_cursor->setPosition(fresh->characterCount() - 1);
    return old;
}

// The console's documents keep no undo history (they are append-only; it would only hold a
// second copy of the output) and share the font and text options of the one they replace.
QTextDocument* ConsoleTail::emptyDocumentLike(const QTextDocument* old, QObject* parent)
{
    auto* fresh = new QTextDocument(parent);
    fresh->setUndoRedoEnabled(false);
    fresh->setDefaultFont(old->defaultFont());
    fresh->setDefaultTextOption(old->defaultTextOption());
    return fresh;
}
