#include "support/TestEnvironment.h"

#include "monitor/Message.h"
#include "monitor/SystemReport.h"
#include "monitor/SystemReportGUIReceiver.h"
#include "monitor/SystemReportText.h"
#include "monitor/SystemReportViewer.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTextDocument>

#include <functional>
#include <string>
#include <vector>

using ui::messages::Message;
using FrameMaker = std::function<Message(int)>;
using Measure = std::function<std::size_t(const SystemReport&)>;
Q_DECLARE_METATYPE(FrameMaker)
Q_DECLARE_METATYPE(Measure)

namespace {

// The frames of one complete report from an application on a host with OpenGL 4.0.
std::vector<Message> workedExampleFrames()
{
    return {
        Message::makeReportGLVersion(13),
        Message::makeReportHostExtension(1, true),
        Message::makeReportHostExtension(4, false),
        Message::makeReportFeature("texture arrays", true),
        Message::makeReportFeature("compute shaders", false),
        Message::makeReportFeature("depth textures", false),
        Message::makeReportFeature("line stipple", false),
        Message::makeReportRequirement("compute shaders", 16, {}),
        Message::makeReportRequirement("compute shaders", 0, {6, 7}),
        Message::makeReportRequirement("depth textures", 9, {7}),
        Message::makeReportAPIFeature(0, "texture arrays"),
        Message::makeReportAPIFeature(4, "compute shaders"),
        Message::makeReportAPIFeature(5, "line stipple"),
        Message::makeReportExtensionFeature(34, "depth textures"),
        Message::makeReportComplete(),
    };
}

const char* const workedExampleText = "OpenGL Version: 4.0\n"
                                      "\n"
                                      "OpenGL ES base support: yes\n"
                                      "OpenGL ES 2.0 core support: yes\n"
                                      "OpenGL ES 3.0 core support: yes\n"
                                      "OpenGL ES 3.1 core support: no\n"
                                      "OpenGL ES 3.2 core support: no\n"
                                      "\n"
                                      "OES_depth24 support: no\n"
                                      "\n"
                                      "Missing features required for OpenGL ES 3.1 core support:\n"
                                      "\tCompute shaders\n"
                                      "\t\tRequires either: OpenGL 4.3\n"
                                      "\t\tor: GL_EXT_texture_lod, GL_EXT_texture_storage\n"
                                      "\n"
                                      "Missing features required for OpenGL ES 3.2 core support:\n"
                                      "Missing features required for OES_depth24 support:\n"
                                      "\tDepth textures\n"
                                      "\t\tRequires: OpenGL 3.0 + GL_EXT_texture_storage\n"
                                      "\n"
                                      "Supported OpenGL Extensions:\n"
                                      "\tGL_ARB_imaging\n";

const char* const emptyReportText = "OpenGL Version: unknown\n"
                                    "\n"
                                    "OpenGL ES base support: yes\n"
                                    "OpenGL ES 2.0 core support: yes\n"
                                    "OpenGL ES 3.0 core support: yes\n"
                                    "OpenGL ES 3.1 core support: yes\n"
                                    "OpenGL ES 3.2 core support: yes\n"
                                    "\n"
                                    "\n"
                                    "Supported OpenGL Extensions:\n";

void feed(SystemReportGUIReceiver& receiver, const std::vector<Message>& frames)
{
    for (const Message& frame : frames)
        receiver.receive(frame);
}

std::vector<std::string> missingNames(const SupportCheck& check)
{
    std::vector<std::string> names;
    for (const auto& feature : check.missing)
        names.push_back(feature->name);
    return names;
}

// A full id list, the most one requirement frame can carry; `first` makes it differ from others.
std::vector<std::uint32_t> fullIdList(std::uint32_t first)
{
    std::vector<std::uint32_t> ids;
    for (std::uint32_t i = 0; i < 1928; ++i)
        ids.push_back(first + i);
    return ids;
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The text block that one feature with the given alternatives produces.
std::string blockFor(const std::string& name, const std::vector<SystemReport::Requirement>& alts)
{
    SystemReport report;
    report.addFeature(name, false);
    for (const auto& alt : alts)
        report.addRequirement(name, alt.glVersion, alt.extensionIds);
    report.addAPIFeature(2, name);
    return formatMissingFeatures({report.checkAPISupport(2, "T")});
}

} // namespace

class TestSystemReport : public QObject
{
    Q_OBJECT

private slots:
    void modelMergesReportsWithoutDoubling();
    void checksListOnlyKnownUnsupportedFeatures();
    void receiverDecodesEveryReportFrame();
    void receiverBoundsHostileFields();
    void reportStopsGrowingAtItsBounds_data();
    void reportStopsGrowingAtItsBounds();
    void textStopsAtItsLimit();
    void textOfWorkedExampleAndEmptyReport();
    void textOfApiLevelsAndAlternatives();
    void textCapitalisesOnlyAsciiInitials();
    void viewerShowsAnnouncedReport();
};

void TestSystemReport::modelMergesReportsWithoutDoubling()
{
    SystemReport report;
    QCOMPARE(report.glVersion, 0u);

    report.addFeature("a", false);
    report.addFeature("a", true);
    QVERIFY(!report.features.at("a")->supported);

    report.setHostExtension(7, true);
    report.setHostExtension(7, false);
    QCOMPARE(report.hostExtensions.at(7), false);

    // Requirements of a feature that was never reported have nowhere to go.
    report.addRequirement("never reported", 3, {1, 2});
    QCOMPARE(report.features.count("never reported"), 0u);

    report.addRequirement("a", 16, {});
    report.addRequirement("a", 0, {});
    report.addRequirement("a", 16, {}); // the same again, from a repeated report
    report.addRequirement("a", 16, {5});
    const auto& alts = report.features.at("a")->alternatives;
    QCOMPARE(alts.size(), 3u);
    QCOMPARE(alts[0].glVersion, 16u);
    QCOMPARE(alts[1].glVersion, 0u);
    QVERIFY(alts[1].extensionIds.empty());
    QCOMPARE(alts[2].extensionIds, std::vector<std::uint32_t>{5});

    report.addAPIFeature(2, "a");
    report.addAPIFeature(2, "a");
    report.addAPIFeature(2, "b");
    report.addExtensionFeature(34, "a");
    report.addExtensionFeature(34, "a");
    QCOMPARE(report.apiFeatures.at(2), (SystemReport::NameList{"a", "b"}));
    QCOMPARE(report.extensionFeatures.at(34), SystemReport::NameList{"a"});
}

void TestSystemReport::checksListOnlyKnownUnsupportedFeatures()
{
    SystemReport report;
    report.addFeature("yes", true);
    report.addFeature("no1", false);
    report.addFeature("no2", false);
    report.addAPIFeature(3, "no2");
    report.addAPIFeature(3, "unknown");
    report.addAPIFeature(3, "yes");
    report.addAPIFeature(3, "no1");

    const SupportCheck level3 = report.checkAPISupport(3, "Level 3");
    QCOMPARE(level3.title, std::string("Level 3"));
    QCOMPARE(missingNames(level3), (std::vector<std::string>{"no2", "no1"}));
    // The checks share the report's feature objects rather than copies of them.
    QCOMPARE(level3.missing.front().get(), report.features.at("no2").get());

    QVERIFY(report.checkAPISupport(4, "none").missing.empty());
    QVERIFY(report.checkExtensionSupport(3, "not an extension").missing.empty());
}

void TestSystemReport::receiverDecodesEveryReportFrame()
{
    SystemReportGUIReceiver receiver;
    QSignalSpy ready(&receiver, &SystemReportGUIReceiver::ready);

    // Frames outside the report range are not the receiver's business.
    receiver.receive(Message::makeWarning("not a report frame"));
    receiver.receive(Message::makeSetPID(3));

    receiver.receive(Message::makeReportComplete());
    QCOMPARE(ready.count(), 1);
    QCOMPARE(formatSystemReport(receiver.systemReport(), true), std::string(emptyReportText));

    feed(receiver, workedExampleFrames());
    QCOMPARE(ready.count(), 2);
    const SystemReport& report = receiver.systemReport();
    QCOMPARE(report.glVersion, 13u);
    QCOMPARE(report.hostExtensions.size(), 2u);
    QVERIFY(report.hostExtensions.at(1));
    QVERIFY(!report.hostExtensions.at(4));
    QCOMPARE(report.features.size(), 4u);
    QVERIFY(report.features.at("texture arrays")->supported);
    const auto& compute = report.features.at("compute shaders")->alternatives;
    QCOMPARE(compute.size(), 2u);
    QCOMPARE(compute[1].extensionIds, (std::vector<std::uint32_t>{6, 7}));
    QCOMPARE(report.apiFeatures.at(5), SystemReport::NameList{"line stipple"});
    QCOMPARE(report.extensionFeatures.at(34), SystemReport::NameList{"depth textures"});

    // The same application reporting again changes nothing that is shown.
    feed(receiver, workedExampleFrames());
    QCOMPARE(ready.count(), 3);
    QCOMPARE(formatSystemReport(receiver.systemReport(), true), std::string(workedExampleText));
}

void TestSystemReport::receiverBoundsHostileFields()
{
    SystemReportGUIReceiver receiver;

    // A name field without a terminator stops at the end of its field, not in the version
    // behind it.
    Message feature = Message::makeReportFeature("", false);
    for (std::size_t i = 0; i < 512; ++i)
        feature.setU8(12 + i, 'n');
    feature.setU8(524, 1);
    receiver.receive(feature);
    const std::string longName(511, 'n');
    QCOMPARE(receiver.systemReport().features.count(longName), 1u);
    QVERIFY(receiver.systemReport().features.at(longName)->supported);

    // An id list that fills its room to the end of the frame has no terminator at all.
    Message requirement = Message::makeReportRequirement(longName, 2, {});
    for (std::uint32_t i = 0; i < 1928; ++i)
        requirement.setU32(528 + 4 * i, i + 1);
    receiver.receive(requirement);
    const auto& alts = receiver.systemReport().features.at(longName)->alternatives;
    QCOMPARE(alts.size(), 1u);
    QCOMPARE(alts[0].extensionIds.size(), 1928u);
    QCOMPARE(alts[0].extensionIds.back(), 1928u);

    // Ids with the top bit set become negative keys and must still print.
    receiver.receive(Message::makeReportHostExtension(0x80000001u, true));
    receiver.receive(Message::makeReportExtensionFeature(0xFFFFFFFFu, longName));
    receiver.receive(Message::makeReportFeature("x", false));
    receiver.receive(Message::makeReportRequirement("x", 0xFFFFFFFFu, {0xFFFFFFFFu}));
    receiver.receive(Message::makeReportAPIFeature(2, "x"));
    const std::string text = formatSystemReport(receiver.systemReport(), true);
    QVERIFY(text.find("\tX\n\t\tRequires: <unknown extension>\n") != std::string::npos);
    QVERIFY(text.find("\t<unknown extension>\n") != std::string::npos);
    QVERIFY(text.find("<unknown extension> support: no\n") == std::string::npos);
}

void TestSystemReport::reportStopsGrowingAtItsBounds_data()
{
    QTest::addColumn<FrameMaker>("frame");
    QTest::addColumn<int>("frames");
    QTest::addColumn<Measure>("measure");
    QTest::addColumn<std::size_t>("bound");

    const auto count = [](std::size_t (*size)(const SystemReport&)) { return Measure(size); };
    const auto held = count([](const SystemReport& r) { return r.bytesHeld(); });
    QTest::newRow("features") << FrameMaker([](int i) {
        return Message::makeReportFeature("feature " + std::to_string(i), false);
    }) << int(SystemReport::maxFeatures + 5)
                              << count([](const SystemReport& r) { return r.features.size(); })
                              << SystemReport::maxFeatures;
    QTest::newRow("alternatives of a feature")
        << FrameMaker([](int i) {
               return i == 0 ? Message::makeReportFeature("f", false)
                             : Message::makeReportRequirement("f", std::uint32_t(i), {7});
           })
        << int(SystemReport::maxAlternatives + 5)
        << count([](const SystemReport& r) { return r.features.at("f")->alternatives.size(); })
        << SystemReport::maxAlternatives;
    QTest::newRow("host extensions")
        << FrameMaker(
               [](int i) { return Message::makeReportHostExtension(std::uint32_t(i), true); })
        << int(SystemReport::maxKeys + 5)
        << count([](const SystemReport& r) { return r.hostExtensions.size(); })
        << SystemReport::maxKeys;
    QTest::newRow("API levels") << FrameMaker([](int i) {
        return Message::makeReportAPIFeature(std::uint32_t(i), "f");
    }) << int(SystemReport::maxKeys + 5)
                                << count([](const SystemReport& r) { return r.apiFeatures.size(); })
                                << SystemReport::maxKeys;
    QTest::newRow("long names under an extension") << FrameMaker([](int i) {
        return Message::makeReportExtensionFeature(7, std::string(500, 'n') + std::to_string(i));
    }) << int(SystemReport::maxBytes / 1000 + 5) << held
                                                   << SystemReport::maxBytes;
    // Sixty-four alternatives to a feature, each with a full id list, then the next feature.
    QTest::newRow("long alternatives") << FrameMaker([](int i) {
        const std::string name = "f" + std::to_string(i / 65);
        return i % 65 == 0 ? Message::makeReportFeature(name, false)
                           : Message::makeReportRequirement(name, 2, fullIdList(i));
    }) << int(SystemReport::maxBytes / (1928 * 4) * 65 / 64 + 65)
                                       << held << SystemReport::maxBytes;
}

void TestSystemReport::reportStopsGrowingAtItsBounds()
{
    QFETCH(FrameMaker, frame);
    QFETCH(int, frames);
    QFETCH(Measure, measure);
    QFETCH(std::size_t, bound);

    // The first half fits; an application that sends it again changes nothing.
    SystemReportGUIReceiver receiver;
    const SystemReport& report = receiver.systemReport();
    for (int i = 0; i < frames / 2; ++i)
        receiver.receive(frame(i));
    const std::size_t half = measure(report);
    const std::uint64_t revision = report.revision();
    for (int i = 0; i < frames / 2; ++i)
        receiver.receive(frame(i));
    QCOMPARE(measure(report), half);
    QCOMPARE(report.revision(), revision);
    QVERIFY(!report.isCutShort());
    QVERIFY(formatSystemReport(report, true).rfind("OpenGL Version: ", 0) == 0);

    for (int i = frames / 2; i < frames; ++i)
        receiver.receive(frame(i));
    QVERIFY(measure(report) <= bound);
    QVERIFY(measure(report) > bound - bound / 64);
    QVERIFY(report.bytesHeld() <= SystemReport::maxBytes);
    QVERIFY(report.isCutShort());
    QVERIFY(report.revision() > revision);
    // Said once, at the top, however much was dropped.
    QSignalSpy ready(&receiver, &SystemReportGUIReceiver::ready);
    receiver.receive(Message::makeReportComplete());
    QCOMPARE(ready.count(), 1);
    const std::string text = formatSystemReport(report, true);
    QCOMPARE(text.substr(0, text.find('\n')), std::string(systemReportCutShortNotice));
    QCOMPARE(occurrences(text, "cut short"), 1u);
    QVERIFY(text.find("\n\nOpenGL Version: ") != std::string::npos);
}

void TestSystemReport::textStopsAtItsLimit()
{
    // A report well inside its bounds whose text would run to hundreds of megabytes: a feature
    // with long alternatives, listed under many extensions.
    SystemReport report;
    report.addFeature("f", false);
    for (std::uint32_t i = 0; i < SystemReport::maxAlternatives; ++i)
        report.addRequirement("f", i, fullIdList(i));
    for (std::int32_t id = 1; id <= 200; ++id)
        report.addExtensionFeature(id, "f");
    for (std::int32_t id = 1; id <= 50; ++id)
        report.setHostExtension(id, true);
    QVERIFY(!report.isCutShort());

    const std::string text = formatSystemReport(report, true);
    QVERIFY(text.size() > systemReportTextLimit);
    QVERIFY(text.size() < systemReportTextLimit + 100000); // by one line at most
    QCOMPARE(text.substr(0, text.find('\n')), std::string(systemReportCutShortNotice));
    QCOMPARE(occurrences(text, "cut short"), 1u);
    QCOMPARE(text.back(), '\n');
    QVERIFY(text.find("Supported OpenGL Extensions:") == std::string::npos);
}

void TestSystemReport::textOfWorkedExampleAndEmptyReport()
{
    SystemReportGUIReceiver receiver;
    std::string announced;
    connect(&receiver, &SystemReportGUIReceiver::ready, this,
            [&](const SystemReport& report) { announced = formatSystemReport(report, true); });
    feed(receiver, workedExampleFrames());
    QCOMPARE(announced, std::string(workedExampleText));

    const std::string withoutHost = formatSystemReport(receiver.systemReport(), false);
    const std::string expected(workedExampleText);
    QCOMPARE(withoutHost, expected.substr(0, expected.find("Supported OpenGL Extensions:")));

    QCOMPARE(formatSystemReport(SystemReport(), true), std::string(emptyReportText));
}

void TestSystemReport::textOfApiLevelsAndAlternatives()
{
    // A base level that misses something makes every level "no", but only the base level
    // explains why.
    SystemReport report;
    report.setGLVersion(19);
    report.addFeature("base thing", false);
    report.addRequirement("base thing", 12, {});
    report.addAPIFeature(0, "base thing");
    report.addAPIFeature(1, "base thing"); // level 1 is never shown
    report.addFeature("fine", true);
    report.addExtensionFeature(5, "fine");
    report.addExtensionFeature(6, "never reported");
    report.addExtensionFeature(500, "base thing");
    QCOMPARE(formatSystemReport(report, false),
             std::string("OpenGL Version: 4.6\n\n"
                         "OpenGL ES base support: no\n"
                         "OpenGL ES 2.0 core support: no\n"
                         "OpenGL ES 3.0 core support: no\n"
                         "OpenGL ES 3.1 core support: no\n"
                         "OpenGL ES 3.2 core support: no\n"
                         "\n"
                         "<unknown extension> support: no\n"
                         "\n"
                         "Missing features required for OpenGL ES base support:\n"
                         "\tBase thing\n"
                         "\t\tRequires: OpenGL 3.3\n"
                         "\n"
                         "Missing features required for <unknown extension> support:\n"
                         "\tBase thing\n"
                         "\t\tRequires: OpenGL 3.3\n"
                         "\n"));

    // Versions 0 and 1 impose nothing; versions above 19 print as unknown.
    QCOMPARE(blockFor("f", {{0, {}}}), std::string("Missing features required for T:\n"
                                                   "\tF\n"
                                                   "\t\tRequires: \n"
                                                   "\n"));
    QCOMPARE(blockFor("f", {{1, {1, 7}}, {20, {}}, {7, {1}}}),
             std::string("Missing features required for T:\n"
                         "\tF\n"
                         "\t\tRequires either: GL_ARB_imaging, GL_EXT_texture_storage\n"
                         "\t\tor: OpenGL unknown\n"
                         "\t\tor: OpenGL 2.0 + GL_ARB_imaging\n"
                         "\n"));
    QCOMPARE(joinExtensionNames({}), std::string());
    QCOMPARE(joinExtensionNames({643, 0}), std::string("<unknown extension>, <unknown extension>"));
}

void TestSystemReport::textCapitalisesOnlyAsciiInitials()
{
    const auto nameLine = [](const std::string& name) {
        const std::string block = blockFor(name, {{3, {}}});
        const std::size_t start = block.find('\n') + 1;
        return block.substr(start, block.find('\n', start) + 1 - start);
    };
    QCOMPARE(nameLine("zebra mode"), std::string("\tZebra mode\n"));
    QCOMPARE(nameLine("Already"), std::string("\tAlready\n"));
    QCOMPARE(nameLine("9 lives"), std::string("\t9 lives\n"));
    // A multi-byte initial is left as sent, so the text stays valid UTF-8.
    QCOMPARE(nameLine("\xC3\xA9t\xC3\xA9"), std::string("\t\xC3\xA9t\xC3\xA9\n"));
    QCOMPARE(blockFor("", {{3, {}}}), std::string("Missing features required for T:\n"
                                                  "\t\n"
                                                  "\t\tRequires: OpenGL 1.2\n"
                                                  "\n"));
}

void TestSystemReport::viewerShowsAnnouncedReport()
{
    SystemReportGUIReceiver receiver;
    SystemReportViewer viewer;
    QPlainTextEdit* box = viewer.findChild<QPlainTextEdit*>();
    QVERIFY(box);
    QVERIFY(box->isReadOnly());
    QCOMPARE(box->tabStopDistance(), 4.0);
    QCOMPARE(box->toPlainText(),
             QStringLiteral("To generate a system report, run an application which loads the "
                            "KolZendra libraries and calls eglInitialize()."));

    QObject::connect(&receiver, SIGNAL(ready(SystemReport)), &viewer,
                     SLOT(setReport(SystemReport)));
    feed(receiver, workedExampleFrames());
    QCOMPARE(box->toPlainText(), QString::fromUtf8(workedExampleText));
    // The same report again leaves the text, and where the reader is in it, alone.
    box->moveCursor(QTextCursor::End);
    const int readerAt = box->textCursor().position();
    QSignalSpy rewritten(box->document(), &QTextDocument::contentsChanged);
    feed(receiver, workedExampleFrames());
    QCOMPARE(rewritten.count(), 0);
    QCOMPARE(box->textCursor().position(), readerAt);

    // A later report replaces the text instead of adding to it.
    receiver.receive(Message::makeReportFeature("\xC3\xBC"
                                                "ber feature",
                                                false));
    receiver.receive(Message::makeReportRequirement("\xC3\xBC"
                                                    "ber feature",
                                                    2, {}));
    receiver.receive(Message::makeReportAPIFeature(2, "\xC3\xBC"
                                                      "ber feature"));
    receiver.receive(Message::makeReportComplete());
    const QString text = box->toPlainText();
    QCOMPARE(text.count(QStringLiteral("OpenGL Version:")), 1);
    QVERIFY(text.contains(QStringLiteral("\t\u00FCber feature\n\t\tRequires: OpenGL 1.1\n")));

    const QFont before = viewer.font();
    QFont font(QStringLiteral("Monospace"), 17);
    viewer.setFont(font);
    QCOMPARE(box->font().pointSize(), 17);
    QCOMPARE(viewer.font(), before);
}

KOLZ_TEST_MAIN_WIDGETS(TestSystemReport)
#include "tst_systemreport.moc"
