#pragma once

#include <QPointer>
#include <QTextFrame>

#include <vector>

class QTextBlock;
class QTextCursor;

// Keeps the console document's frame tree narrow. Qt finds and inserts a frame by walking its
// parent's children one by one, so a console holding a framed block per message would slow
// down with every message. Past a fanout of children, a frame's further children go into
// borderless, marginless container frames, nested a few levels deep, and the empty blocks that
// Qt keeps around each container are hidden, so nothing changes on screen.
//
// The writer calls prepareItem() before every framed block, with the cursor on an empty block
// where the block's title is to go; enterSection()/leaveSection() bracket the contents of a
// section frame, which are chunked on their own.
class ConsoleFrames
{
public:
    explicit ConsoleFrames(QTextCursor* cursor);

    // The document was cleared: every frame is gone and writing starts at its top level.
    void reset();
    void prepareItem();
    // The cursor has just entered a newly inserted section frame.
    void enterSection(QTextFrame* section);
    // Leaves the innermost open section: the cursor goes to the block after its frame.
    void leaveSection();
    // Leaves every open section, ending at the writing position of the top level.
    void leaveAllSections();
    int openSections() const { return int(m_levels.size()) - 1; }

    // Children per frame before containers are used, the depth of the containers, and the
    // items (of any level) a top-level container takes before the next one starts.
    static void setShape(int fanout, int depth, int topItems = 864);

private:
    struct Level
    {
        QPointer<QTextFrame> owner;    // null for the document's root frame
        int directItems = 0;           // items placed in the owner before containers started
        std::vector<QTextFrame*> path; // open containers, outermost first
        std::vector<int> counts;       // children of each open container
    };

    void openContainers(Level& level, std::size_t from);
    QTextFrame* openContainer();
    static void touch(const QTextBlock& block);

    QTextCursor* m_cursor;
    std::vector<Level> m_levels;
    int m_topItems = 0; // items placed since the current top-level container was opened
};
