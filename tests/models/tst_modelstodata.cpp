#include "support/TestEnvironment.h"

#include "models/BuiltinProfiles.h"
#include "models/Profile.h"
#include "models/ProfileDataWrapper.h"
#include "models/TextBytes.h"

#include <map>
#include <memory>

class TestModelsToData : public QObject
{
    Q_OBJECT

private slots:
    void rowsBecomeData();
    void eglRowsRegroupAlongTheirPaths();
    void nodesWithoutRowsSurviveAnEdit();
    void builtinProfiles_data();
    void builtinProfiles();
    void textsKeepTheirBytes_data();
    void textsKeepTheirBytes();
};

namespace {

using Nodes = std::vector<ProfileNode>;

ProfileNode leaf(const char* name, const char* value)
{
    return ProfileNode{name, value, {}};
}

ProfileNode inner(const char* name, Nodes children)
{
    return ProfileNode{name, "", std::move(children)};
}

// Shows `data` in the trees, lets `edit` change them and reads them back into a copy.
ProfileData throughModels(const ProfileData& data,
                          const std::function<void(models::Profile&)>& edit = {})
{
    auto wrapper = std::make_shared<ProfileDataWrapper>(data);
    models::Profile profile(nullptr, wrapper);
    if (edit)
        edit(profile);
    ProfileData result = data;
    result.updateFromModels(profile);
    return result;
}

// EGL token texts that the trees keep as numbers come back as decimal text.
void convertTokens(Nodes& nodes)
{
    static const std::map<std::string, std::string> numbers{{"EGL_TRUE", "1"},
                                                            {"EGL_FALSE", "0"},
                                                            {"EGL_DONT_CARE", "-1"},
                                                            {"EGL_NONE", "12344"},
                                                            {"EGL_SLOW_CONFIG", "12368"},
                                                            {"EGL_NON_CONFORMANT_CONFIG", "12369"}};
    for (ProfileNode& node : nodes) {
        if (const auto it = numbers.find(node.value); it != numbers.end())
            node.value = it->second;
        convertTokens(node.children);
    }
}

int leafCount(const Nodes& nodes)
{
    int count = 0;
    for (const ProfileNode& node : nodes)
        count += node.children.empty() ? 1 : leafCount(node.children);
    return count;
}

} // namespace

void TestModelsToData::rowsBecomeData()
{
    ProfileData data;
    data.setDevice("D");
    data.capabilities[20] = {leaf("max_lights", "8"), inner("aliased_point_size_range",
                                                            {leaf("min", "1"), leaf("max", "64")})};
    data.capabilities[30] = {leaf("unknown_limit", "x")};
    data.extensions[1] = {"GL_OES_b", "GL_EXT_a"};
    data.extensions[2] = {};
    data.eglConfigs[4] = {};

    const ProfileData result = throughModels(data, [](models::Profile& profile) {
        auto& caps = *profile.capabilityTree();
        caps.setData(caps.index(0, 0, caps.index(0, 0)), "max_viewport_dims");
        caps.setData(caps.index(1, 1, caps.index(0, 0, caps.index(0, 0))), "480");
        caps.setData(caps.index(1, 0), 20); // two rows of one version fill one entry
        caps.insertRows(2, 1, {});          // a version that is no number lands under 0
    });
    QCOMPARE(result.capabilities,
             (std::map<int, Nodes>{
                 {0, {}},
                 {20,
                  {inner("max_viewport_dims", {leaf("width", ""), leaf("height", "480")}),
                   inner("aliased_point_size_range", {leaf("min", "1"), leaf("max", "64")}),
                   leaf("unknown_limit", "x")}}}));
    // A version without extension rows gives no entry; a configuration without rows does.
    QCOMPARE(result.extensions,
             (std::map<int, std::vector<std::string>>{{1, {"GL_OES_b", "GL_EXT_a"}}}));
    QCOMPARE(result.eglConfigs, (std::map<int, Nodes>{{4, {}}}));
    QCOMPARE(result.device(), std::string("D"));

    QVERIFY(throughModels(ProfileData()).capabilities.empty());
}

void TestModelsToData::eglRowsRegroupAlongTheirPaths()
{
    ProfileData data;
    data.eglConfigs[1] = {
        inner("max_pbuffer", {leaf("height", "2048")}), leaf("red_size", "8"),
        inner("max_pbuffer", {leaf("width", "4096")}), leaf("config_caveat", "EGL_NONE"),
        // Bit-mask attributes repeat once per bit: every row stays its own element.
        leaf("surface_type", "EGL_WINDOW_BIT"), leaf("surface_type", "EGL_PBUFFER_BIT"),
        inner("swap_interval", {leaf("min", "1")}), inner("swap_interval", {leaf("min", "2")})};
    const ProfileData result = throughModels(data, [](models::Profile& profile) {
        auto& configs = *profile.eglConfigTree();
        const QModelIndex one = configs.index(0, 0);
        configs.insertRows(0, 1, one);                     // never given a key: dropped
        configs.setData(configs.index(2, 0, one), 0x3025); // red_size becomes depth_size

        // Rows of a new configuration are grouped along their element paths.
        QVERIFY(configs.insertRows(1, 1, {}));
        const QModelIndex two = configs.index(1, 0);
        configs.setData(two, 2);
        QVERIFY(configs.insertRows(0, 4, two));
        const std::pair<int, const char*> rows[] = {
            {0x302A, "2048"}, {0x3024, "8"}, {0x302C, "4096"}, {0x302A, "1024"}};
        for (int r = 0; r < 4; ++r) {
            configs.setData(configs.index(r, 0, two), rows[r].first);
            configs.setData(configs.index(r, 1, two), rows[r].second);
        }
    });
    // Rows built from the profile write their leaves where they were read; a re-keyed row
    // gives a new leaf at the end.
    QCOMPARE(result.eglConfigs.at(1),
             (Nodes{inner("max_pbuffer", {leaf("height", "2048")}),
                    inner("max_pbuffer", {leaf("width", "4096")}), leaf("config_caveat", "12344"),
                    leaf("surface_type", "EGL_WINDOW_BIT"), leaf("surface_type", "EGL_PBUFFER_BIT"),
                    inner("swap_interval", {leaf("min", "1")}),
                    inner("swap_interval", {leaf("min", "2")}), leaf("depth_size", "8")}));
    QCOMPARE(result.eglConfigs.at(2),
             (Nodes{inner("max_pbuffer", {leaf("height", "2048"), leaf("width", "4096")}),
                    leaf("red_size", "8"), inner("max_pbuffer", {leaf("height", "1024")})}));
}

void TestModelsToData::nodesWithoutRowsSurviveAnEdit()
{
    ProfileData data;
    data.setFileName("hidden.xml");
    data.eglConfigs[1] = {
        leaf("red_size", "8"),
        leaf("luminance_size", "4"),
        inner("max_pbuffer", {leaf("width", "64"), leaf("foo", "1"), leaf("height", "32")}),
        inner("transparency", {inner("type", {leaf("deep", "1")})}),
        leaf("alpha_size", "0"),
    };
    data.eglConfigs[2] = {leaf("sample_buffers_ext", "1")};

    // Nothing edited: everything comes back as it was.
    QVERIFY(throughModels(data) == data);

    // Rows: red_size, max_pbuffer/width, max_pbuffer/height, alpha_size.
    ProfileData edited = throughModels(data, [](models::Profile& profile) {
        auto& configs = *profile.eglConfigTree();
        const QModelIndex one = configs.index(0, 0);
        QCOMPARE(configs.rowCount(one), 4);
        configs.setData(configs.index(0, 1, one), "5");
        QVERIFY(configs.removeRows(2, 1, one));
        QVERIFY(configs.insertRows(3, 1, one));
        configs.setData(configs.index(3, 0, one), 0x302B); // EGL_MAX_PBUFFER_PIXELS
        configs.setData(configs.index(3, 1, one), "2048");
    });
    ProfileData expected = data;
    expected.eglConfigs[1] = {
        leaf("red_size", "5"),
        leaf("luminance_size", "4"),
        inner("max_pbuffer", {leaf("width", "64"), leaf("foo", "1"), leaf("pixels", "2048")}),
        inner("transparency", {inner("type", {leaf("deep", "1")})}),
        leaf("alpha_size", "0"),
    };
    QCOMPARE(edited.eglConfigs, expected.eglConfigs);

    // ... and through the file.
    const std::string dir = kolz::test::environment().tmp().toStdString();
    QVERIFY(edited.save(dir));
    QVERIFY(ProfileData::fromFile(dir + "/hidden.xml") == expected);
}

void TestModelsToData::builtinProfiles_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QList<int>>("extensions"); // per version, ascending
    QTest::addColumn<QList<int>>("limits");
    QTest::addColumn<int>("configs");
    auto row = [](int number, QList<int> extensions, QList<int> limits, int configs) {
        QTest::addRow("%d", number) << number << extensions << limits << configs;
    };
    row(1, {35, 29}, {25, 24}, 36);
    row(2, {36, 32}, {25, 26}, 33);
    row(3, {38, 44, 44}, {25, 36, 83}, 28);
    row(4, {36, 30}, {25, 24}, 22);
    row(5, {37, 50, 50}, {25, 36, 102}, 28);
    row(6, {35, 29}, {7, 12}, 33);
    row(7, {35, 29}, {7, 12}, 36);
    row(8, {37, 32}, {25, 26}, 34);
    row(9, {37, 37}, {25, 26}, 22);
    row(10, {36, 33}, {25, 81}, 22);
    row(11, {36, 30}, {25, 24}, 10);
    row(12, {37, 36}, {25, 26}, 22);
    row(13, {36, 30}, {7, 12}, 10);
}

void TestModelsToData::builtinProfiles()
{
    QFETCH(int, number);
    QFETCH(QList<int>, extensions);
    QFETCH(QList<int>, limits);
    QFETCH(int, configs);
    const std::string& text = ::builtinProfiles.at(std::size_t(number - 1));
    const ProfileData original = ProfileData::fromXml(text);

    // Row counts as the documents hold them; every EGL attribute leaf is a known one.
    auto wrapper = std::make_shared<ProfileDataWrapper>(original);
    models::Profile profile(nullptr, wrapper);
    const auto rowCounts = [](const QAbstractItemModel& model) {
        QList<int> counts;
        for (int r = 0; r < model.rowCount(); ++r)
            counts << model.rowCount(model.index(r, 0));
        return counts;
    };
    QCOMPARE(rowCounts(*profile.extensionTree()), extensions);
    QCOMPARE(rowCounts(*profile.capabilityTree()), limits);
    const QList<int> attributeRows = rowCounts(*profile.eglConfigTree());
    QCOMPARE(attributeRows.size(), configs);
    for (int id = 1; id <= configs; ++id)
        QCOMPARE(attributeRows[id - 1], leafCount(original.eglConfigs.at(id)));

    // data -> models -> data -> file -> data gives the profile back, apart from the EGL token
    // texts that come back as numbers.
    ProfileData expected = original;
    for (auto& [id, nodes] : expected.eglConfigs)
        convertTokens(nodes);
    ProfileData rebuilt = throughModels(original);
    QVERIFY(rebuilt == expected);

    const std::string fileName = "builtin" + std::to_string(number) + ".xml";
    rebuilt.setFileName(fileName);
    const std::string dir = kolz::test::environment().tmp().toStdString();
    QVERIFY(rebuilt.save(dir));
    expected.setFileName(fileName);
    QVERIFY(ProfileData::fromFile(dir + "/" + fileName) == expected);
}

// Bytes that are not UTF-8 survive being shown and read back; UTF-8 reads as Qt reads it.
void TestModelsToData::textsKeepTheirBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("two, three and four bytes")
        << QByteArray("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80") << true;
    QTest::newRow("latin-1 letter") << QByteArray("Caf\xE9") << false;
    QTest::newRow("stray continuation") << QByteArray("\x80x\xBF") << false;
    QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF"
                                                  "b")
                                    << false;
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("cut short at the end") << QByteArray("ok\xE2\x82") << false;
    QTest::newRow("four bytes then a stray") << QByteArray("\xF0\x9F\x98\x80\xDC") << false;
}

void TestModelsToData::textsKeepTheirBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);
    const std::string raw = bytes.toStdString();
    const QString text = textFromBytes(raw);
    QCOMPARE(bytesFromText(text), raw);
    QCOMPARE(text == QString::fromUtf8(bytes), utf8);

    // In every kind of cell, unchanged by the trees.
    ProfileData data;
    data.setDevice("D");
    data.extensions[2] = {"GL_" + raw};
    data.capabilities[2] = {leaf("max_lights", raw.c_str()),
                            inner("aliased_point_size_range", {leaf("min", raw.c_str())})};
    data.eglConfigs[1] = {leaf("red_size", raw.c_str())};
    QVERIFY(throughModels(data) == data);
}

KOLZ_TEST_MAIN_WIDGETS(TestModelsToData)
#include "tst_modelstodata.moc"
