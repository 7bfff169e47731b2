#include "monitor/ConsoleFrames.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// Up to 12^3 items per container tree, and a path of three frames between a level and its
// items: some 100 sibling visits per inserted frame for a console of 50,000 messages. Qt's
// layout can stop between two top-level frames only, and a renewed console is laid out and
// freed a top-level container at a time, so a top-level container is kept small (below).
int chunkFanout = 12;
int chunkDepth = 3;
// Items of any level in one top-level container: a top-level section holds its own contents,
// so counting only the top level's children would let a container of sections grow to many
// times the size meant. 864 framed messages lay out or go in some 10 ms.
int chunkTopItems = 864;
} // namespace

void ConsoleFrames::setShape(int fanout, int depth, int topItems)
{
    chunkFanout = std::max(1, fanout);
    chunkDepth = std::max(1, depth);
    chunkTopItems = std::max(1, topItems);
}

ConsoleFrames::ConsoleFrames(QTextCursor* cursor) : m_cursor(cursor)
{
    reset();
}

void ConsoleFrames::reset()
{
    m_levels.clear();
    m_levels.emplace_back();
    m_topItems = 0;
}

void ConsoleFrames::prepareItem()
{
    Level& level = m_levels.back();
    const bool atTop = m_levels.size() == 1;
    const bool topFull = atTop && m_topItems >= chunkTopItems;
    ++m_topItems;
    if (level.path.empty()) {
        if (level.directItems < chunkFanout) {
            ++level.directItems;
            return;
        }
        // Containers go where the item's title would; that needs an empty block.
        if (!m_cursor->block().text().isEmpty())
            return;
        openContainers(level, 0);
        if (atTop)
            m_topItems = 1;
    } else if (level.counts.back() >= chunkFanout || topFull) {
        if (!m_cursor->block().text().isEmpty())
            return;
        // The empty block stays behind in the full container; the item goes in a fresh one.
        QTextBlock left = m_cursor->block();
        left.setVisible(false);
        touch(left);
        // Close full containers from the innermost outwards until one has room; without one,
        // a new top-level container follows the last.
        int room = topFull ? -1 : int(level.path.size()) - 2;
        while (room >= 0 && level.counts[std::size_t(room)] >= chunkFanout)
            --room;
        if (atTop && room < 0)
            m_topItems = 1;
        const std::size_t reopen = std::size_t(room + 1);
        m_cursor->setPosition(level.path[reopen]->lastPosition() + 1);
        level.path.resize(reopen);
        level.counts.resize(reopen);
        openContainers(level, reopen);
    }
    ++level.counts.back();
}

void ConsoleFrames::openContainers(Level& level, std::size_t from)
{
    if (from > 0)
        ++level.counts[from - 1];
    for (std::size_t depth = from; depth < std::size_t(chunkDepth); ++depth) {
        level.path.push_back(openContainer());
        level.counts.push_back(depth + 1 < std::size_t(chunkDepth) ? 1 : 0);
    }
}

QTextFrame* ConsoleFrames::openContainer()
{
    // A default frame format has no border, margin or padding, so the container takes no room.
    QTextFrame* frame = m_cursor->insertFrame(QTextFrameFormat());
    QTextDocument* document = m_cursor->document();
    QTextBlock before = document->findBlock(frame->firstPosition() - 1);
    QTextBlock after = document->findBlock(frame->lastPosition() + 1);
    before.setVisible(false);
    after.setVisible(false);
    touch(before);
    return frame;
}

void ConsoleFrames::touch(const QTextBlock& block)
{
    // Re-setting the block's own format adds it to the pending change, so the layout learns of
    // its new visibility when the edit block ends (marking it dirty would lay out at once).
    QTextCursor(block).setBlockFormat(block.blockFormat());
}

void ConsoleFrames::enterSection(QTextFrame* section)
{
    Level level;
    level.owner = section;
    m_levels.push_back(level);
}

void ConsoleFrames::leaveSection()
{
    if (m_levels.size() < 2)
        return;
    QPointer<QTextFrame> section = m_levels.back().owner;
    m_levels.pop_back();
    if (section)
        m_cursor->setPosition(section->lastPosition() + 1);
}

void ConsoleFrames::leaveAllSections()
{
    while (m_levels.size() > 1)
        leaveSection();
}
