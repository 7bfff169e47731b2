#include "monitor/ConsoleEntry.h"

namespace layout = ui::messages::layout;
using ui::messages::Message;
using ui::messages::MessageType;

namespace {

QByteArray field(const Message& message, std::size_t offset, std::size_t capacity)
{
    const std::string_view bytes = message.text(offset, capacity);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

} // namespace

ConsoleEntry ConsoleEntry::fromMessage(const Message& message)
{
    ConsoleEntry entry;
    entry.type = message.type();
    switch (entry.type) {
    case MessageType::BeginSection:
        entry.a = message.u32(layout::sectionId);
        entry.text = field(message, layout::sectionTitle, layout::textCapacity);
        break;
    case MessageType::DebugMessage:
        entry.a = message.u32(layout::debugType);
        entry.b = message.u32(layout::debugId);
        entry.c = message.u32(layout::debugSeverity);
        entry.text = field(message, layout::debugText, layout::textCapacity);
        break;
    case MessageType::Info:
    case MessageType::Warning:
    case MessageType::Error:
        entry.text = field(message, layout::text, layout::textCapacity);
        break;
    case MessageType::GLError:
        entry.a = message.u32(layout::glErrorCode);
        entry.text = field(message, layout::glErrorText, layout::textCapacity);
        entry.function = field(message, layout::glErrorFunction, layout::functionCapacity);
        break;
    default:
        break;
    }
    return entry;
}

ConsoleEntry ConsoleEntry::closing(const QString& text)
{
    ConsoleEntry entry;
    entry.type = Closing;
    entry.text = text.toUtf8();
    return entry;
}

void SectionStack::follow(const ConsoleEntry& entry)
{
    if (entry.type == MessageType::BeginSection) {
        if (int(m_open.size()) < m_depth)
            m_open.push_back(entry);
        else
            ++m_deeper;
    } else if (entry.type == MessageType::EndSection) {
        // An end without an open section changes nothing.
        if (m_deeper > 0)
            --m_deeper;
        else if (!m_open.empty())
            m_open.pop_back();
    } else if (entry.type == ConsoleEntry::Closing) {
        clear();
    }
}

void SectionStack::clear()
{
    m_open.clear();
    m_deeper = 0;
}
