#include "monitor/ConsoleBacklog.h"

#include <algorithm>

using ui::messages::Message;
using ui::messages::MessageType;

void SectionStack::begin(const Message& message)
{
    if (int(m_open.size()) < m_depth)
        m_open.push_back(message);
    else
        ++m_deeper;
}

void SectionStack::end()
{
    if (m_deeper > 0)
        --m_deeper;
    else if (!m_open.empty())
        m_open.pop_back();
}

void SectionStack::clear()
{
    m_open.clear();
    m_deeper = 0;
}

void ConsoleBacklog::setCapacity(int frames)
{
    m_capacity = std::max(1, frames);
}

void ConsoleBacklog::start(const SectionStack& open)
{
    m_frames.clear();
    m_before = open;
    m_dropped = 0;
}

void ConsoleBacklog::push(const Message& message)
{
    if (int(m_frames.size()) >= m_capacity) {
        const Message& oldest = m_frames.front();
        if (oldest.type() == std::uint32_t(MessageType::BeginSection))
            m_before.begin(oldest);
        else if (oldest.type() == std::uint32_t(MessageType::EndSection))
            m_before.end();
        m_frames.pop_front();
        ++m_dropped;
    }
    m_frames.push_back(message);
}
