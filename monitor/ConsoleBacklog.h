#pragma once

#include "monitor/Message.h"

#include <QtGlobal>

#include <deque>
#include <vector>

// The BeginSection frames of the sections open at some point of a console's output, outermost
// first. Sections nested deeper than the console shows are only counted.
class SectionStack
{
public:
    explicit SectionStack(int depth) : m_depth(depth) {}

    void begin(const ui::messages::Message& message);
    // An end without an open section changes nothing.
    void end();
    void clear();

    const std::vector<ui::messages::Message>& open() const { return m_open; }
    int deeper() const { return m_deeper; }

private:
    int m_depth;
    std::vector<ui::messages::Message> m_open;
    int m_deeper = 0;
};

// The newest console frames of a flood that the console does not keep up with. Writing every
// frame and then removing as many old ones costs the console some fifty microseconds a frame;
// instead it holds back what arrives during a batch, at most a window of the newest frames, and
// writes them when the batch ends. When frames went out of the window, what the console showed
// is no longer followed by what it holds, and it starts again from the window. The sections
// open in front of the window are kept, so that such a new start opens them again and their
// ends still close them.
class ConsoleBacklog
{
public:
    explicit ConsoleBacklog(int sectionDepth) : m_before(sectionDepth) {}

    int capacity() const { return m_capacity; }
    void setCapacity(int frames);

    // Starts an empty window behind output whose open sections are given.
    void start(const SectionStack& open);
    void push(const ui::messages::Message& message);

    bool empty() const { return m_frames.empty(); }
    const std::deque<ui::messages::Message>& frames() const { return m_frames; }
    // Frames that went out of the window since it started, and the sections open in front of
    // what is left.
    qint64 dropped() const { return m_dropped; }
    const SectionStack& sectionsBefore() const { return m_before; }

private:
    int m_capacity = 1;
    std::deque<ui::messages::Message> m_frames;
    SectionStack m_before;
    qint64 m_dropped = 0;
};
