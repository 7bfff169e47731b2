#include "monitor/Message.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <cstring>
#include <string>

using namespace ui::messages;

class TestMessage : public QObject
{
    Q_OBJECT

private slots:
    void commandFramesAreExact();
    void integersAreLittleEndianAtTheirOffsets();
    void textsAreCutAndTerminated();
    void hostileTextsStopInsideTheirField();
    void idListsAreBounded();
};

void TestMessage::commandFramesAreExact()
{
    QCOMPARE(sizeof(Message::Bytes), std::size_t(8240));
    const struct
    {
        Message frame;
        std::uint8_t type;
    } commands[] = {{Message::makeServerStop(), 11},
                    {Message::makeWireframeOn(), 12},
                    {Message::makeWireframeOff(), 13}};
    for (const auto& command : commands) {
        Message::Bytes expected{};
        std::memset(expected.data(), 0xFF, 8);
        expected[8] = command.type;
        QVERIFY(command.frame.bytes() == expected);
    }
    // Report frames other than ReportComplete leave the frame number alone.
    QCOMPARE(Message::makeReportGLVersion(3).frame(), 0);
    QCOMPARE(Message::makeReportComplete().frame(), -1);
    QCOMPARE(Message::makeWarning("w").frame(), -1);
}

void TestMessage::integersAreLittleEndianAtTheirOffsets()
{
    Message frame =
        Message::makeContextInfo(0x0102030405060708ull, true, 5, 4, {}, {}, {}, 19, 13, {});
    frame.setFrame(0x1122334455667788ll);
    const auto& b = frame.bytes();
    QCOMPARE(b[0], 0x88);
    QCOMPARE(b[7], 0x11);
    QCOMPARE(b[8], 10);
    QCOMPARE(b[16], 0x08);
    QCOMPARE(b[23], 0x01);
    QCOMPARE(b[24], 1);
    QCOMPARE(frame.u32(layout::contextESVersion), 5u);
    QCOMPARE(frame.u32(layout::contextHostGLSLVersion), 13u);

    const Message copy = Message::fromBytes(frame.data());
    QVERIFY(copy == frame);
    QCOMPARE(copy.u64(layout::contextId), 0x0102030405060708ull);

    // Fields that would reach off the frame read as zero and are never written.
    QCOMPARE(frame.u32(Message::Size - 2), 0u);
    QCOMPARE(frame.u64(Message::Size), 0ull);
    frame.setU32(Message::Size - 2, 0xFFFFFFFF);
    QCOMPARE(frame.u8(Message::Size - 2), 0);
}

void TestMessage::textsAreCutAndTerminated()
{
    const std::string exact(511, 'a');
    QCOMPARE(Message::makeSetName(exact).text(layout::text), std::string_view(exact));
    const std::string longer(600, 'b');
    QCOMPARE(Message::makeSetName(longer).text(layout::text).size(), std::size_t(511));
    QCOMPARE(Message::makeSetName("").text(layout::text).size(), std::size_t(0));

    // A long function name is cut to 63 bytes and does not spill into the message behind it.
    const Message glError = Message::makeGLError(0x502, std::string(70, 'f'), "message");
    QCOMPARE(glError.text(layout::glErrorFunction, layout::functionCapacity),
             std::string_view(std::string(63, 'f')));
    QCOMPARE(glError.text(layout::glErrorText), std::string_view("message"));
    QCOMPARE(glError.u8(layout::glErrorFunction + 63), 0);

    // UTF-8 survives the trip.
    QCOMPARE(Message::makeInfo("gr\xc3\xbc\xc3\x9f").qtext(layout::text),
             QString::fromUtf8("gr\xc3\xbc\xc3\x9f"));
}

void TestMessage::hostileTextsStopInsideTheirField()
{
    Message frame(MessageType::GLError);
    std::memset(frame.data() + layout::payload, 'x', Message::Size - layout::payload);
    QCOMPARE(frame.text(layout::glErrorFunction, layout::functionCapacity).size(), std::size_t(63));
    QCOMPARE(frame.text(layout::glErrorText).size(), std::size_t(511));
    // A field that would run off the frame is not read at all.
    QVERIFY(frame.text(Message::Size - 10).empty());
}

void TestMessage::idListsAreBounded()
{
    const Message empty = Message::makeContextInfo(1, false, 1, 0, {}, {}, {}, 1, 1, {});
    QVERIFY(empty.idList(layout::contextSupported, layout::contextESListRoom).empty());

    // The sender keeps room for the terminator.
    Message::IdList many(600, 7);
    const Message full = Message::makeContextInfo(1, false, 1, 0, many, {3}, {}, 1, 1, many);
    QCOMPARE(full.idList(layout::contextSupported, layout::contextESListRoom).size(),
             std::size_t(511));
    QCOMPARE(full.idList(layout::contextMissingOnHost, layout::contextESListRoom),
             Message::IdList{3});
    QCOMPARE(full.idList(layout::contextHostExtensions, layout::contextHostListRoom).size(),
             std::size_t(512));

    // A hostile peer's lists without terminator stop at their room, never in the next list or
    // off the frame.
    Message hostile(MessageType::ContextInfo);
    std::memset(hostile.data() + layout::contextSupported, 0x01,
                Message::Size - layout::contextSupported);
    QCOMPARE(hostile.idList(layout::contextSupported, layout::contextESListRoom).size(),
             std::size_t(512));
    QCOMPARE(hostile.idList(layout::contextHostExtensions, layout::contextHostListRoom).size(),
             std::size_t(513));
    QCOMPARE(hostile.idList(layout::reportRequiredExtensions, 100000).size(), std::size_t(1928));
    QCOMPARE(hostile.idList(layout::contextHostExtensions, layout::contextHostListRoom).front(),
             0x01010101u);
}

KOLZ_TEST_MAIN_CORE(TestMessage)
#include "tst_message.moc"
