#include "support/TestEnvironment.h"

#include "models/BuiltinProfiles.h"
#include "models/ProfileData.h"
#include "models/ProfileXml.h"

#include <QDir>
#include <QFile>

#include <climits>
#include <map>
#include <stdexcept>

namespace {

QString readError(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::runtime_error& error) {
        return QString::fromStdString(error.what());
    }
    return QStringLiteral("<no error>");
}

std::string writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path.toStdString();
}

using Strings = std::vector<std::string>;

} // namespace

class TestProfileXml : public QObject
{
    Q_OBJECT

private slots:
    void readsOnlyFirstOfSingleElements();
    void readsEsBlocks();
    void refusesNumbersBeyondTheIntRange();
    void readsTexts();
    void readsNodes();
    void readsEglConfigs();
    void reportsReadErrors();
    void writesFixedLayout();
    void leavesOutUnwritableNames();
    void builtinProfilesSurviveWriteAndRead();
};

void TestProfileXml::readsOnlyFirstOfSingleElements()
{
    const ProfileData data = ProfileData::fromXml(
        "<?xml version=\"1.0\"?><!-- c --><profile>"
        "<device>D1</device><device>D2</device><renderer>R1</renderer><renderer>R2</renderer>"
        "<vendor>V1</vendor><vendor>V2</vendor>"
        "<egl><config id=\"1\"><level>0</level></config></egl>"
        "<egl><config id=\"2\"><level>1</level></config></egl>"
        "<unknown><es version=\"5\"/></unknown>"
        "</profile><profile><device>Other</device><es version=\"7\"/></profile>");
    QCOMPARE(data.device(), std::string("D1"));
    QCOMPARE(data.renderer(), std::string("R1"));
    QCOMPARE(data.vendor(), std::string("V1"));
    QCOMPARE(data.eglConfigs.size(), std::size_t(1));
    QVERIFY(data.eglConfigs.count(1));
    QVERIFY(data.extensions.empty());
    QVERIFY(data.fileName().empty());
}

void TestProfileXml::readsEsBlocks()
{
    const ProfileData data = ProfileData::fromXml(
        "<profile>"
        "<es><extension>GL_none</extension></es>"
        "<es version=\"two\"><extension>GL_word</extension></es>"
        "<es version=\"2\"/>"
        "<es version=\"1\"><extension>GL_OES_b</extension><max_lights>8</max_lights>"
        "<extension>GL_EXT_a</extension><max_lights>4</max_lights></es>"
        "<es version=\"1\"><extension>GL_AAA</extension><samples>1</samples></es>"
        "<es version=\"-4\"><max_lights>2</max_lights></es>"
        "</profile>");

    QCOMPARE(data.extensions.size(), std::size_t(3));
    QCOMPARE(data.extensions.at(1), (Strings{"GL_AAA", "GL_EXT_a", "GL_OES_b"}));
    QVERIFY(data.extensions.at(2).empty());
    QVERIFY(data.extensions.at(-4).empty());

    // Limits keep document order across merged blocks; a version without limits has no entry.
    QCOMPARE(data.capabilities.size(), std::size_t(2));
    const std::vector<ProfileNode>& limits = data.capabilities.at(1);
    QCOMPARE(limits.size(), std::size_t(3));
    QCOMPARE(limits[0], (ProfileNode{"max_lights", "8", {}}));
    QCOMPARE(limits[1], (ProfileNode{"max_lights", "4", {}}));
    QCOMPARE(limits[2], (ProfileNode{"samples", "1", {}}));
    QCOMPARE(data.capabilities.at(-4).size(), std::size_t(1));
}

void TestProfileXml::refusesNumbersBeyondTheIntRange()
{
    // Such numbers used to wrap round into another version or id, which the file then kept.
    const ProfileData data =
        ProfileData::fromXml("<profile>"
                             "<es version=\"99999999999\"><extension>GL_wrapped</extension></es>"
                             "<es version=\"-2147483649\"><max_lights>1</max_lights></es>"
                             "<es version=\"0x100000002\"><max_lights>2</max_lights></es>"
                             "<es version=\" 2147483647\"><extension>GL_max</extension></es>"
                             "<es version=\"-2147483648\"><max_lights>3</max_lights></es>"
                             "<egl><config id=\"4294967297\"><red_size>8</red_size></config>"
                             "<config id=\"0x7fffffff\"><red_size>4</red_size></config></egl>"
                             "</profile>");
    QCOMPARE(data.extensions, (std::map<int, Strings>{{INT_MIN, {}}, {INT_MAX, {"GL_max"}}}));
    QCOMPARE(data.capabilities,
             (std::map<int, std::vector<ProfileNode>>{{INT_MIN, {{"max_lights", "3", {}}}}}));
    QCOMPARE(data.eglConfigs,
             (std::map<int, std::vector<ProfileNode>>{{INT_MAX, {{"red_size", "4", {}}}}}));
}

void TestProfileXml::readsTexts()
{
    const ProfileData data = ProfileData::fromXml(
        "<profile><device>   </device><renderer/><vendor> Tollerwaith  &amp; Co</vendor>"
        "<es version=\"1\"><extension> GL_space</extension><extension>\n\t</extension>"
        "<extension><!-- note -->GL_after_comment</extension>"
        "<max_lights>  </max_lights><max_clip_planes><![CDATA[<6>]]></max_clip_planes>"
        "</es></profile>");
    QCOMPARE(data.device(), std::string());
    QCOMPARE(data.renderer(), std::string());
    QCOMPARE(data.vendor(), std::string(" Tollerwaith  & Co"));
    QCOMPARE(data.extensions.at(1), (Strings{"", " GL_space", "GL_after_comment"}));
    QCOMPARE(data.capabilities.at(1)[0].value, std::string());
    QCOMPARE(data.capabilities.at(1)[1].value, std::string("<6>"));

    // The text ends at the first NUL character.
    const std::string withNul("<profile><device>A</device></profile>\0<broken", 45);
    QCOMPARE(ProfileData::fromXml(withNul).device(), std::string("A"));
}

void TestProfileXml::readsNodes()
{
    const ProfileData data = ProfileData::fromXml(
        "<profile><es version=\"3\">"
        "<internal_format>dropped<name>RGBA8</name><samples>4</samples><samples>1</samples>"
        "</internal_format>"
        "<range><min>1</min><max><deep>2</deep></max></range>"
        "</es></profile>");
    const ProfileNode format{
        "internal_format", "", {{"name", "RGBA8", {}}, {"samples", "4", {}}, {"samples", "1", {}}}};
    const ProfileNode range{"range", "", {{"min", "1", {}}, {"max", "", {{"deep", "2", {}}}}}};
    QCOMPARE(data.capabilities.at(3), (std::vector<ProfileNode>{format, range}));
}

void TestProfileXml::readsEglConfigs()
{
    const ProfileData data =
        ProfileData::fromXml("<profile><egl>"
                             "<config id=\"2\"><red_size>8</red_size></config>"
                             "<config><red_size>1</red_size></config>"
                             "<config id=\"x\"><red_size>2</red_size></config>"
                             "<config id=\"3\"></config>"
                             "<other id=\"4\"><red_size>3</red_size></other>"
                             "<config id=\"2\"><surface_type>EGL_WINDOW_BIT</surface_type></config>"
                             "</egl></profile>");
    QCOMPARE(data.eglConfigs.size(), std::size_t(1));
    const std::vector<ProfileNode> expected{{"red_size", "8", {}},
                                            {"surface_type", "EGL_WINDOW_BIT", {}}};
    QCOMPARE(data.eglConfigs.at(2), expected);
}

void TestProfileXml::reportsReadErrors()
{
    const QString dir = kolz::test::environment().tmp();
    const std::string missing = (dir + "/missing.xml").toStdString();
    const std::string broken = writeFile(dir + "/broken.xml", "<profile><device>");
    const std::string other = writeFile(dir + "/other.xml", "<plist><profile/></plist>");
    const std::string empty = writeFile(dir + "/empty.xml", "");

    QCOMPARE(readError([&] { ProfileData::fromFile(missing); }),
             QString("Failed to load profile data from file: '%1'").arg(missing.c_str()));
    QCOMPARE(readError([&] { ProfileData::fromFile(broken); }),
             QString("Failed to load profile data from file: '%1'").arg(broken.c_str()));
    QCOMPARE(readError([&] { ProfileData::fromFile(empty); }),
             QString("Failed to load profile data from file: '%1'").arg(empty.c_str()));
    QCOMPARE(readError([&] { ProfileData::fromFile(dir.toStdString()); }),
             QString("Failed to load profile data from file: '%1'").arg(dir));
    QCOMPARE(readError([&] { ProfileData::fromFile(other); }),
             QString("Failed to load profile data from file: '%1' (No <profile> element was "
                     "found)")
                 .arg(other.c_str()));

    QCOMPARE(readError([] { ProfileData::fromXml("<profile>"); }),
             QStringLiteral("Failed to load profile data"));
    QCOMPARE(readError([] { ProfileData::fromXml(""); }),
             QStringLiteral("Failed to load profile data"));
    QCOMPARE(readError([] { ProfileData::fromXml("<device>D</device>"); }),
             QStringLiteral("Failed to load profile data (No <profile> element was found)"));

    // The path is reported as given, the file name is its last part.
    const std::string good = writeFile(dir + "/good profile.xml", "<profile/>");
    QCOMPARE(ProfileData::fromFile(good).fileName(), std::string("good profile.xml"));
}

void TestProfileXml::writesFixedLayout()
{
    ProfileData data;
    data.setDevice("Slate & Co");
    data.setVendor("V");
    data.extensions[1] = {"GL_b", "GL_a"};
    data.extensions[2] = {};
    data.capabilities[3] = {{"samples", "", {}}};
    data.capabilities[2] = {
        {"max_texture_size", "4096", {}},
        {"max_viewport_dims", "", {{"width", "4096", {}}, {"height", "2048", {}}}}};
    data.eglConfigs[1] = {
        {"red_size", "8", {}},
        {"swap_interval", "", {{"min", "0", {}}, {"max", "", {{"deep", "1", {}}}}}}};

    const std::string expected = "<profile>\n"
                                 "    <device>Slate &amp; Co</device>\n"
                                 "    <vendor>V</vendor>\n"
                                 "    <es version=\"1\">\n"
                                 "        <extension>GL_b</extension>\n"
                                 "        <extension>GL_a</extension>\n"
                                 "    </es>\n"
                                 "    <es version=\"2\">\n"
                                 "        <max_texture_size>4096</max_texture_size>\n"
                                 "        <max_viewport_dims><width>4096</width>\n"
                                 "            <height>2048</height>\n"
                                 "        </max_viewport_dims>\n"
                                 "    </es>\n"
                                 "    <es version=\"3\">\n"
                                 "        <samples></samples>\n"
                                 "    </es>\n"
                                 "    <egl>\n"
                                 "        <config id=\"1\">\n"
                                 "            <red_size>8</red_size>\n"
                                 "            <swap_interval><min>0</min>\n"
                                 "                <max><deep>1</deep>\n"
                                 "                </max>\n"
                                 "            </swap_interval>\n"
                                 "        </config>\n"
                                 "    </egl>\n"
                                 "</profile>\n";
    QCOMPARE(printProfile(data), expected);
    QCOMPARE(printProfile(ProfileData()), std::string("<profile>\n    <egl/>\n</profile>\n"));

    // Reading it back: extensions sorted, a version with limits gains an extension list, an
    // empty leaf stays a leaf.
    ProfileData expectedBack = data;
    expectedBack.extensions[1] = {"GL_a", "GL_b"};
    expectedBack.extensions[3] = {};
    QCOMPARE(ProfileData::fromXml(expected), expectedBack);
}

void TestProfileXml::leavesOutUnwritableNames()
{
    ProfileData data;
    data.setDevice("D");
    data.capabilities[2] = {{"", "1", {}},
                            {"max lights", "2", {}},
                            {"2d", "3", {}},
                            {"<x", "4", {}},
                            {"outer", "", {{"", "5", {}}, {"inner", "6", {}}}},
                            {"_ok-1.x", "7", {}}};
    data.eglConfigs[1] = {{"", "1", {}}, {"level", "0", {}}};

    const ProfileData back = ProfileData::fromXml(printProfile(data));
    const std::vector<ProfileNode> kept{{"outer", "", {{"inner", "6", {}}}}, {"_ok-1.x", "7", {}}};
    QCOMPARE(back.capabilities.at(2), kept);
    QCOMPARE(back.eglConfigs.at(1), (std::vector<ProfileNode>{{"level", "0", {}}}));
}

void TestProfileXml::builtinProfilesSurviveWriteAndRead()
{
    for (const std::string& text : builtinProfiles) {
        const ProfileData data = ProfileData::fromXml(text);
        QCOMPARE(ProfileData::fromXml(printProfile(data)), data);
    }
}

KOLZ_TEST_MAIN_CORE(TestProfileXml)
#include "tst_profilexml.moc"
