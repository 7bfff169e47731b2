#pragma once

#include <QMetaType>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Process id of an emulated application as it travels on the wire.
using PID_TYPE = std::uint32_t;

namespace ui::messages {

// Frame type codes. Everything above ReportComplete is invalid.
enum MessageType : std::uint32_t
{
    SetPID = 0,
    CleanDisconnect = 1,
    SetName = 2,
    BeginSection = 3,
    EndSection = 4,
    DebugMessage = 5,
    Info = 6,
    Warning = 7,
    Error = 8,
    GLError = 9,
    ContextInfo = 10,
    ServerStop = 11,
    WireframeOn = 12,
    WireframeOff = 13,
    ReportGLVersion = 14,
    ReportHostExtension = 15,
    ReportFeature = 16,
    ReportRequirement = 17,
    ReportAPIFeature = 18,
    ReportExtensionFeature = 19,
    ReportComplete = 20,
    LastMessageType = ReportComplete
};

// Byte offsets and capacities of every field. Frames are little-endian with no padding rules,
// so fields are always read and written through Message's bounded helpers at these offsets.
namespace layout {
inline constexpr std::size_t frameSize = 8240;
inline constexpr std::size_t frame = 0;
inline constexpr std::size_t type = 8;
inline constexpr std::size_t payload = 12;
inline constexpr std::size_t textCapacity = 512;
inline constexpr std::size_t functionCapacity = 64;

inline constexpr std::size_t pid = 12;              // SetPID
inline constexpr std::size_t text = 12;             // SetName, Info, Warning, Error
inline constexpr std::size_t sectionSource = 12;    // BeginSection
inline constexpr std::size_t sectionId = 16;        //
inline constexpr std::size_t sectionTitle = 20;     //
inline constexpr std::size_t debugSource = 12;      // DebugMessage
inline constexpr std::size_t debugType = 16;        //
inline constexpr std::size_t debugId = 20;          //
inline constexpr std::size_t debugSeverity = 24;    //
inline constexpr std::size_t debugText = 28;        //
inline constexpr std::size_t glErrorCode = 12;      // GLError
inline constexpr std::size_t glErrorFunction = 16;  //
inline constexpr std::size_t glErrorText = 80;      //
inline constexpr std::size_t contextId = 16;        // ContextInfo
inline constexpr std::size_t contextStrict = 24;    //
inline constexpr std::size_t contextESVersion = 28; //
inline constexpr std::size_t contextGLSLESVersion = 32;
inline constexpr std::size_t contextSupported = 36;
inline constexpr std::size_t contextMissingOnHost = 2084;
inline constexpr std::size_t contextNotSupported = 4132;
inline constexpr std::size_t contextESListRoom = 512;
inline constexpr std::size_t contextHostGLVersion = 6180;
inline constexpr std::size_t contextHostGLSLVersion = 6184;
inline constexpr std::size_t contextHostExtensions = 6188;
inline constexpr std::size_t contextHostListRoom = 513;
inline constexpr std::size_t reportGLVersion = 12;     // ReportGLVersion
inline constexpr std::size_t reportHostExtension = 12; // ReportHostExtension
inline constexpr std::size_t reportHostSupported = 16; //
inline constexpr std::size_t reportFeatureName = 12;   // ReportFeature, ReportRequirement
inline constexpr std::size_t reportFeatureSupported = 524;
inline constexpr std::size_t reportRequiredGLVersion = 524; // ReportRequirement
inline constexpr std::size_t reportRequiredExtensions = 528;
inline constexpr std::size_t reportRequiredListRoom = 1928;
inline constexpr std::size_t reportAPILevel = 12;    // ReportAPIFeature
inline constexpr std::size_t reportAPIName = 16;     //
inline constexpr std::size_t reportExtensionId = 12; // ReportExtensionFeature
inline constexpr std::size_t reportExtensionName = 16;
} // namespace layout

// One fixed-size frame of the panel's local-socket protocol. The bytes are held as they travel;
// every field access is bounds-checked against the frame, so a hostile peer can never make a
// reader run past a field or off the frame.
class Message
{
public:
    static constexpr std::size_t Size = layout::frameSize;
    using Bytes = std::array<std::uint8_t, Size>;
    using IdList = std::vector<std::uint32_t>;

    // An all-zero frame (type SetPID, frame 0).
    Message();
    // A frame of the given type: frame number -1, payload zero.
    explicit Message(MessageType type);
    // As above, with a text in the 512-byte field at the start of the payload.
    Message(MessageType type, std::string_view text);
    // A frame taken verbatim from exactly Size bytes (as read from the socket).
    static Message fromBytes(const char* data);

    static Message makeSetPID(PID_TYPE pid);
    static Message makeCleanDisconnect();
    static Message makeSetName(std::string_view name);
    static Message makeBeginSection(std::uint32_t source, std::uint32_t id, std::string_view title);
    static Message makeEndSection();
    static Message makeDebugMessage(std::uint32_t source, std::uint32_t type, std::uint32_t id,
                                    std::uint32_t severity, std::string_view text);
    static Message makeInfo(std::string_view text);
    static Message makeWarning(std::string_view text);
    static Message makeError(std::string_view text);
    static Message makeGLError(std::uint32_t errorCode, std::string_view function,
                               std::string_view text);
    static Message makeContextInfo(std::uint64_t contextId, bool strict, std::uint32_t esVersion,
                                   std::uint32_t glslEsVersion, const IdList& supported,
                                   const IdList& missingOnHost, const IdList& notSupported,
                                   std::uint32_t hostGlVersion, std::uint32_t hostGlslVersion,
                                   const IdList& hostExtensions);
    static Message makeServerStop();
    static Message makeWireframeOn();
    static Message makeWireframeOff();
    static Message makeReportGLVersion(std::uint32_t id);
    static Message makeReportHostExtension(std::uint32_t id, bool supported);
    static Message makeReportFeature(std::string_view name, bool supported);
    static Message makeReportRequirement(std::string_view name, std::uint32_t glVersion,
                                         const IdList& extensionIds);
    static Message makeReportAPIFeature(std::uint32_t apiLevel, std::string_view name);
    static Message makeReportExtensionFeature(std::uint32_t extensionId, std::string_view name);
    static Message makeReportComplete();

    const Bytes& bytes() const { return m_bytes; }
    const char* data() const { return reinterpret_cast<const char*>(m_bytes.data()); }
    char* data() { return reinterpret_cast<char*>(m_bytes.data()); }

    std::int64_t frame() const { return static_cast<std::int64_t>(u64(layout::frame)); }
    void setFrame(std::int64_t frame) { setU64(layout::frame, static_cast<std::uint64_t>(frame)); }
    // The raw type code; may be any value when the frame came from a peer.
    std::uint32_t type() const { return u32(layout::type); }
    void setType(std::uint32_t type) { setU32(layout::type, type); }

    // Field readers: a field that does not lie wholly inside the frame reads as zero.
    std::uint8_t u8(std::size_t offset) const;
    std::uint32_t u32(std::size_t offset) const;
    std::uint64_t u64(std::size_t offset) const;
    // The text of a field of the given capacity: up to its first zero byte, and never more
    // than capacity - 1 bytes, whatever the sender stored.
    std::string_view text(std::size_t offset, std::size_t capacity = layout::textCapacity) const;
    QString qtext(std::size_t offset, std::size_t capacity = layout::textCapacity) const;
    // An id list: up to its first 0 id or the end of its room (and never off the frame).
    IdList idList(std::size_t offset, std::size_t room) const;

    // Field writers, bounded like the readers; out-of-frame writes are dropped.
    void setU8(std::size_t offset, std::uint8_t value);
    void setU32(std::size_t offset, std::uint32_t value);
    void setU64(std::size_t offset, std::uint64_t value);
    // Stores the text cut to capacity - 1 bytes, always zero-terminated.
    void setText(std::size_t offset, std::size_t capacity, std::string_view text);
    // Stores at most room - 1 ids followed by a 0 id.
    void setIdList(std::size_t offset, std::size_t room, const IdList& ids);

    friend bool operator==(const Message& a, const Message& b) { return a.m_bytes == b.m_bytes; }

private:
    Bytes m_bytes{};
};

// "(Info) ", "(Warning) ", "(Error) " for the three text kinds; "" for every other type.
const char* severityPrefix(std::uint32_t type);

} // namespace ui::messages

Q_DECLARE_METATYPE(ui::messages::Message)
