#include "monitor/Message.h"

#include <algorithm>
#include <cstring>

namespace ui::messages {

namespace {

bool fits(std::size_t offset, std::size_t width)
{
    return offset <= Message::Size && width <= Message::Size - offset;
}

} // namespace

Message::Message() = default;

Message::Message(MessageType type)
{
    setFrame(-1);
    setType(type);
}

Message::Message(MessageType type, std::string_view text) : Message(type)
{
    setText(layout::text, layout::textCapacity, text);
}

Message Message::fromBytes(const char* data)
{
    Message message;
    std::memcpy(message.m_bytes.data(), data, Size);
    return message;
}

std::uint8_t Message::u8(std::size_t offset) const
{
    return fits(offset, 1) ? m_bytes[offset] : 0;
}

std::uint32_t Message::u32(std::size_t offset) const
{
    if (!fits(offset, 4))
        return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= std::uint32_t(m_bytes[offset + i]) << (8 * i);
    return value;
}

std::uint64_t Message::u64(std::size_t offset) const
{
    if (!fits(offset, 8))
        return 0;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i)
        value |= std::uint64_t(m_bytes[offset + i]) << (8 * i);
    return value;
}

std::string_view Message::text(std::size_t offset, std::size_t capacity) const
{
    if (capacity == 0 || !fits(offset, capacity))
        return {};
    const char* begin = data() + offset;
    const auto* end = static_cast<const char*>(std::memchr(begin, 0, capacity - 1));
    return {begin, end ? std::size_t(end - begin) : capacity - 1};
}

QString Message::qtext(std::size_t offset, std::size_t capacity) const
{
    const std::string_view bytes = text(offset, capacity);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

Message::IdList Message::idList(std::size_t offset, std::size_t room) const
{
    IdList ids;
    if (offset > Size)
        return ids;
    room = std::min(room, (Size - offset) / 4);
    for (std::size_t i = 0; i < room; ++i) {
        const std::uint32_t id = u32(offset + 4 * i);
        if (id == 0)
            break;
        ids.push_back(id);
    }
    return ids;
}

void Message::setU8(std::size_t offset, std::uint8_t value)
{
    if (fits(offset, 1))
        m_bytes[offset] = value;
}

void Message::setU32(std::size_t offset, std::uint32_t value)
{
    if (!fits(offset, 4))
        return;
    for (std::size_t i = 0; i < 4; ++i)
        m_bytes[offset + i] = std::uint8_t(value >> (8 * i));
}

void Message::setU64(std::size_t offset, std::uint64_t value)
{
    if (!fits(offset, 8))
        return;
    for (std::size_t i = 0; i < 8; ++i)
        m_bytes[offset + i] = std::uint8_t(value >> (8 * i));
}

void Message::setText(std::size_t offset, std::size_t capacity, std::string_view text)
{
    if (capacity == 0 || !fits(offset, capacity))
        return;
    // The terminator is copied along when it fits; the last byte is zeroed in any case.
    const std::size_t count = std::min(text.size(), capacity);
    std::memcpy(data() + offset, text.data(), count);
    if (count < capacity)
        m_bytes[offset + count] = 0;
    m_bytes[offset + capacity - 1] = 0;
}

void Message::setIdList(std::size_t offset, std::size_t room, const IdList& ids)
{
    if (room == 0 || offset > Size)
        return;
    room = std::min(room, (Size - offset) / 4);
    const std::size_t count = std::min(ids.size(), room - 1);
    for (std::size_t i = 0; i < count; ++i)
        setU32(offset + 4 * i, ids[i]);
    setU32(offset + 4 * count, 0);
}

Message Message::makeSetPID(PID_TYPE pid)
{
    Message message(MessageType::SetPID);
    message.setU32(layout::pid, pid);
    return message;
}

Message Message::makeCleanDisconnect()
{
    return Message(MessageType::CleanDisconnect);
}

Message Message::makeSetName(std::string_view name)
{
    return Message(MessageType::SetName, name);
}

Message Message::makeBeginSection(std::uint32_t source, std::uint32_t id, std::string_view title)
{
    Message message(MessageType::BeginSection);
    message.setU32(layout::sectionSource, source);
    message.setU32(layout::sectionId, id);
    message.setText(layout::sectionTitle, layout::textCapacity, title);
    return message;
}

Message Message::makeEndSection()
{
    return Message(MessageType::EndSection);
}

Message Message::makeDebugMessage(std::uint32_t source, std::uint32_t type, std::uint32_t id,
                                  std::uint32_t severity, std::string_view text)
{
    Message message(MessageType::DebugMessage);
    message.setU32(layout::debugSource, source);
    message.setU32(layout::debugType, type);
    message.setU32(layout::debugId, id);
    message.setU32(layout::debugSeverity, severity);
    message.setText(layout::debugText, layout::textCapacity, text);
    return message;
}

Message Message::makeInfo(std::string_view text)
{
    return Message(MessageType::Info, text);
}

Message Message::makeWarning(std::string_view text)
{
    return Message(MessageType::Warning, text);
}

Message Message::makeError(std::string_view text)
{
    return Message(MessageType::Error, text);
}

Message Message::makeGLError(std::uint32_t errorCode, std::string_view function,
                             std::string_view text)
{
    Message message(MessageType::GLError);
    message.setU32(layout::glErrorCode, errorCode);
    message.setText(layout::glErrorFunction, layout::functionCapacity, function);
    message.setText(layout::glErrorText, layout::textCapacity, text);
    return message;
}

Message Message::makeContextInfo(std::uint64_t contextId, bool strict, std::uint32_t esVersion,
                                 std::uint32_t glslEsVersion, const IdList& supported,
                                 const IdList& missingOnHost, const IdList& notSupported,
                                 std::uint32_t hostGlVersion, std::uint32_t hostGlslVersion,
                                 const IdList& hostExtensions)
{
    Message message(MessageType::ContextInfo);
    message.setU64(layout::contextId, contextId);
    message.setU8(layout::contextStrict, strict ? 1 : 0);
    message.setU32(layout::contextESVersion, esVersion);
    message.setU32(layout::contextGLSLESVersion, glslEsVersion);
    message.setIdList(layout::contextSupported, layout::contextESListRoom, supported);
    message.setIdList(layout::contextMissingOnHost, layout::contextESListRoom, missingOnHost);
    message.setIdList(layout::contextNotSupported, layout::contextESListRoom, notSupported);
    message.setU32(layout::contextHostGLVersion, hostGlVersion);
    message.setU32(layout::contextHostGLSLVersion, hostGlslVersion);
    message.setIdList(layout::contextHostExtensions, layout::contextHostListRoom, hostExtensions);
    return message;
}

Message Message::makeServerStop()
{
    return Message(MessageType::ServerStop);
}

Message Message::makeWireframeOn()
{
    return Message(MessageType::WireframeOn);
}

Message Message::makeWireframeOff()
{
    return Message(MessageType::WireframeOff);
}

// The report frames other than ReportComplete carry no frame number: the field stays as it is.
Message Message::makeReportGLVersion(std::uint32_t id)
{
    Message message;
    message.setType(MessageType::ReportGLVersion);
    message.setU32(layout::reportGLVersion, id);
    return message;
}

Message Message::makeReportHostExtension(std::uint32_t id, bool supported)
{
    Message message;
    message.setType(MessageType::ReportHostExtension);
    message.setU32(layout::reportHostExtension, id);
    message.setU8(layout::reportHostSupported, supported ? 1 : 0);
    return message;
}

Message Message::makeReportFeature(std::string_view name, bool supported)
{
    Message message;
    message.setType(MessageType::ReportFeature);
    message.setText(layout::reportFeatureName, layout::textCapacity, name);
    message.setU8(layout::reportFeatureSupported, supported ? 1 : 0);
    return message;
}

Message Message::makeReportRequirement(std::string_view name, std::uint32_t glVersion,
                                       const IdList& extensionIds)
{
    Message message;
    message.setType(MessageType::ReportRequirement);
    message.setText(layout::reportFeatureName, layout::textCapacity, name);
    message.setU32(layout::reportRequiredGLVersion, glVersion);
    message.setIdList(layout::reportRequiredExtensions, layout::reportRequiredListRoom,
                      extensionIds);
    return message;
}

Message Message::makeReportAPIFeature(std::uint32_t apiLevel, std::string_view name)
{
    Message message;
    message.setType(MessageType::ReportAPIFeature);
    message.setU32(layout::reportAPILevel, apiLevel);
    message.setText(layout::reportAPIName, layout::textCapacity, name);
    return message;
}

Message Message::makeReportExtensionFeature(std::uint32_t extensionId, std::string_view name)
{
    Message message;
    message.setType(MessageType::ReportExtensionFeature);
    message.setU32(layout::reportExtensionId, extensionId);
    message.setText(layout::reportExtensionName, layout::textCapacity, name);
    return message;
}

Message Message::makeReportComplete()
{
    return Message(MessageType::ReportComplete);
}

const char* severityPrefix(std::uint32_t type)
{
    switch (type) {
    case MessageType::Info:
        return "(Info) ";
    case MessageType::Warning:
        return "(Warning) ";
    case MessageType::Error:
        return "(Error) ";
    default:
        return "";
    }
}

} // namespace ui::messages
