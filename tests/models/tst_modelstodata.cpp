#include "support/TestEnvironment.h"

#include "models/BuiltinProfiles.h"
#include "models/Profile.h"
#include "models/ProfileDataWrapper.h"

#include <QTest>

#include <map>
#include <memory>

class TestModelsToData : public QObject
{
    Q_OBJECT

private slots:
    void emptyModelsGiveEmptyMaps();
    void capabilityRowsBecomeNodes();
    void extensionVersionsWithoutNamesVanish();
    void eglRowsRegroupAlongTheirPaths();
    void repeatedAttributesKeepEveryRow();
    void editsReachTheData();
    void builtinRowCounts();
    void builtinRoundTrip();
};

namespace {

ProfileNode leaf(const char* name, const char* value)
{
    return ProfileNode{name, value, {}};
}

ProfileNode inner(const char* name, std::vector<ProfileNode> children)
{
    return ProfileNode{name, "", std::move(children)};
}

// Builds the models of `data`, lets `edit` change them and reads them back into a copy.
template <typename Edit> ProfileData throughModels(const ProfileData& data, Edit edit)
{
    auto wrapper = std::make_shared<ProfileDataWrapper>(data);
    models::Profile profile(nullptr, wrapper);
    profile.setEditable(true);
    edit(profile);
    ProfileData result = data;
    result.updateFromModels(profile);
    return result;
}

ProfileData throughModels(const ProfileData& data)
{
    return throughModels(data, [](models::Profile&) {});
}

ProfileData named(const char* device)
{
    ProfileData data;
    data.setDevice(device);
    return data;
}

// The conversions that showing a profile in the trees makes to EGL attribute values: these
// token texts are kept as their numbers and written back as decimal text.
const std::map<std::string, std::string> storedTokens{
    {"EGL_TRUE", "1"},     {"EGL_FALSE", "0"},           {"EGL_DONT_CARE", "-1"},
    {"EGL_NONE", "12344"}, {"EGL_SLOW_CONFIG", "12368"}, {"EGL_NON_CONFORMANT_CONFIG", "12369"},
};

void convertTokens(std::vector<ProfileNode>& nodes)
{
    for (ProfileNode& node : nodes) {
        if (const auto it = storedTokens.find(node.value); it != storedTokens.end())
            node.value = it->second;
        convertTokens(node.children);
    }
}

int leafCount(const std::vector<ProfileNode>& nodes)
{
    int count = 0;
    for (const ProfileNode& node : nodes)
        count += node.children.empty() ? 1 : leafCount(node.children);
    return count;
}

} // namespace

void TestModelsToData::emptyModelsGiveEmptyMaps()
{
    ProfileData data = named("Empty");
    data.setRenderer("R");
    data.setVendor("V");
    ProfileData stale = data;
    stale.capabilities[2] = {leaf("max_lights", "8")};
    stale.extensions[2] = {"GL_OES_a"};
    stale.eglConfigs[1] = {leaf("red_size", "8")};

    auto wrapper = std::make_shared<ProfileDataWrapper>(data);
    models::Profile profile(nullptr, wrapper);
    stale.updateFromModels(profile);
    QVERIFY(stale.capabilities.empty());
    QVERIFY(stale.extensions.empty());
    QVERIFY(stale.eglConfigs.empty());
    QCOMPARE(stale.device(), std::string("Empty"));
    QCOMPARE(stale.renderer(), std::string("R"));
    QCOMPARE(stale.vendor(), std::string("V"));
}

void TestModelsToData::capabilityRowsBecomeNodes()
{
    ProfileData data = named("Caps");
    data.capabilities[20] = {leaf("max_lights", "8"), inner("aliased_point_size_range",
                                                            {leaf("min", "1"), leaf("max", "64")})};
    data.capabilities[30] = {leaf("unknown_limit", "x"),
                             leaf("compressed_texture_format", "35840")};
    data.capabilities[31] = {};
    // Every row comes back, known to the key table or not, with its children; a version row
    // without rows still gives its (empty) entry.
    QCOMPARE(throughModels(data).capabilities, data.capabilities);

    // Two version rows with one number fill one entry, in row order.
    const ProfileData merged = throughModels(data, [](models::Profile& profile) {
        auto& tree = *profile.capabilityTree();
        tree.setData(tree.index(1, 0), 20);
    });
    QCOMPARE(merged.capabilities.size(), std::size_t(2));
    QCOMPARE(merged.capabilities.at(20).size(), std::size_t(4));
    QCOMPARE(merged.capabilities.at(20)[3].name, std::string("compressed_texture_format"));

    // A version row whose key is no number lands under 0.
    const ProfileData unnumbered = throughModels(data, [](models::Profile& profile) {
        auto& tree = *profile.capabilityTree();
        tree.insertRows(0, 1, QModelIndex());
        tree.insertRows(0, 1, tree.index(0, 0));
    });
    QCOMPARE(unnumbered.capabilities.at(0), std::vector<ProfileNode>{leaf("", "")});
}

void TestModelsToData::extensionVersionsWithoutNamesVanish()
{
    ProfileData data = named("Ext");
    data.extensions[1] = {"GL_OES_b", "GL_EXT_a"};
    data.extensions[2] = {};
    data.eglConfigs[4] = {};
    const ProfileData result = throughModels(data);
    QCOMPARE(result.extensions,
             (std::map<int, std::vector<std::string>>{{1, {"GL_OES_b", "GL_EXT_a"}}}));
    QCOMPARE(result.eglConfigs, (std::map<int, std::vector<ProfileNode>>{{4, {}}}));
}

void TestModelsToData::eglRowsRegroupAlongTheirPaths()
{
    ProfileData data = named("EGL");
    data.eglConfigs[1] = {
        inner("max_pbuffer", {leaf("height", "2048")}),
        leaf("red_size", "8"),
        inner("max_pbuffer", {leaf("width", "4096")}),
        leaf("bind_to_texture_rgb", "EGL_TRUE"),
        leaf("config_caveat", "EGL_NONE"),
        leaf("level", "EGL_DONT_CARE"),
        leaf("no_such_attribute", "1"),
        inner("transparency", {leaf("type", "EGL_TRANSPARENT_RGB"), leaf("extra", "1")}),
    };
    const ProfileData result = throughModels(data, [](models::Profile& profile) {
        // A row inserted and never given a key has no attribute and is dropped.
        auto& tree = *profile.eglConfigTree();
        tree.insertRows(0, 1, tree.index(0, 0));
    });
    QCOMPARE(
        result.eglConfigs.at(1),
        (std::vector<ProfileNode>{
            inner("max_pbuffer", {leaf("height", "2048"), leaf("width", "4096")}),
            leaf("red_size", "8"), leaf("bind_to_texture_rgb", "1"), leaf("config_caveat", "12344"),
            leaf("level", "-1"), inner("transparency", {leaf("type", "EGL_TRANSPARENT_RGB")})}));
}

void TestModelsToData::repeatedAttributesKeepEveryRow()
{
    ProfileData data = named("Bits");
    data.eglConfigs[1] = {
        leaf("renderable_type", "EGL_OPENGL_ES_BIT"), leaf("renderable_type", "EGL_OPENGL_ES2_BIT"),
        leaf("conformant", "EGL_OPENGL_ES_BIT"),      leaf("conformant", "EGL_OPENGL_ES2_BIT"),
        leaf("surface_type", "EGL_WINDOW_BIT"),       leaf("surface_type", "EGL_PBUFFER_BIT"),
        leaf("surface_type", "EGL_PIXMAP_BIT"),
    };
    QCOMPARE(throughModels(data).eglConfigs, data.eglConfigs);

    // A repeated leaf of a two-name attribute opens a second parent instead of overwriting.
    ProfileData twice = named("Twice");
    twice.eglConfigs[1] = {inner("swap_interval", {leaf("min", "1"), leaf("max", "2")}),
                           inner("swap_interval", {leaf("min", "3")})};
    QCOMPARE(throughModels(twice).eglConfigs, twice.eglConfigs);
}

void TestModelsToData::editsReachTheData()
{
    ProfileData data = named("Edits");
    data.capabilities[2] = {leaf("max_texture_size", "2048")};
    data.extensions[2] = {"GL_OES_a"};
    data.eglConfigs[1] = {leaf("red_size", "8")};

    const ProfileData result = throughModels(data, [](models::Profile& profile) {
        auto& caps = *profile.capabilityTree();
        const QModelIndex v2 = caps.index(0, 0);
        caps.setData(caps.index(0, 0, v2), "max_viewport_dims");
        const QModelIndex dims = caps.index(0, 0, v2);
        caps.setData(caps.index(0, 1, dims), "4096");
        caps.setData(caps.index(1, 1, dims), "2048");

        auto& extensions = *profile.extensionTree();
        extensions.insertRows(1, 1, extensions.index(0, 0));
        extensions.setData(extensions.index(1, 0, extensions.index(0, 0)), "GL_OES_b");

        auto& configs = *profile.eglConfigTree();
        const QModelIndex config = configs.index(0, 0);
        configs.setData(configs.index(0, 0, config), "12325"); // now EGL_DEPTH_SIZE
        configs.insertRows(1, 1, config);
        configs.setData(configs.index(1, 0, config), "12327"); // EGL_CONFIG_CAVEAT
        configs.setData(configs.index(1, 1, config), "EGL_SLOW_CONFIG");
        configs.insertRows(1, 1, QModelIndex());
        configs.setData(configs.index(1, 0), 5);
    });
    QCOMPARE(result.capabilities.at(2),
             std::vector<ProfileNode>{
                 inner("max_viewport_dims", {leaf("width", "4096"), leaf("height", "2048")})});
    QCOMPARE(result.extensions.at(2), (std::vector<std::string>{"GL_OES_a", "GL_OES_b"}));
    QCOMPARE(result.eglConfigs,
             (std::map<int, std::vector<ProfileNode>>{
                 {1, {leaf("depth_size", "8"), leaf("config_caveat", "12368")}}, {5, {}}}));
}

void TestModelsToData::builtinRowCounts()
{
    struct Counts
    {
        std::map<int, int> extensions;
        std::map<int, int> limits;
        int configs;
    };
    // Extension and limit elements per version, and configurations, of each built-in profile.
    const std::vector<Counts> expected{
        {{{1, 35}, {2, 29}}, {{1, 25}, {2, 24}}, 36},
        {{{1, 36}, {2, 32}}, {{1, 25}, {2, 26}}, 33},
        {{{1, 38}, {2, 44}, {3, 44}}, {{1, 25}, {2, 36}, {3, 83}}, 28},
        {{{1, 36}, {2, 30}}, {{1, 25}, {2, 24}}, 22},
        {{{1, 37}, {2, 50}, {3, 50}}, {{1, 25}, {2, 36}, {3, 102}}, 28},
        {{{1, 35}, {2, 29}}, {{1, 7}, {2, 12}}, 33},
        {{{1, 35}, {2, 29}}, {{1, 7}, {2, 12}}, 36},
        {{{1, 37}, {2, 32}}, {{1, 25}, {2, 26}}, 34},
        {{{1, 37}, {2, 37}}, {{1, 25}, {2, 26}}, 22},
        {{{1, 36}, {3, 33}}, {{1, 25}, {3, 81}}, 22},
        {{{1, 36}, {2, 30}}, {{1, 25}, {2, 24}}, 10},
        {{{1, 37}, {2, 36}}, {{1, 25}, {2, 26}}, 22},
        {{{1, 36}, {2, 30}}, {{1, 7}, {2, 12}}, 10},
    };
    QCOMPARE(builtinProfiles.size(), expected.size());

    for (std::size_t i = 0; i < expected.size(); ++i) {
        auto wrapper = std::make_shared<ProfileDataWrapper>(
            ProfileDataWrapper::fromXml(builtinProfiles[i], false));
        models::Profile profile(nullptr, wrapper);
        const auto& caps = *profile.capabilityTree();
        const auto& extensions = *profile.extensionTree();
        const auto& configs = *profile.eglConfigTree();

        std::map<int, int> limitRows, extensionRows;
        for (int r = 0; r < caps.rowCount(); ++r)
            limitRows[caps.index(r, 0).data(Qt::EditRole).toInt()] =
                caps.rowCount(caps.index(r, 0));
        for (int r = 0; r < extensions.rowCount(); ++r)
            extensionRows[extensions.index(r, 0).data(Qt::EditRole).toInt()] =
                extensions.rowCount(extensions.index(r, 0));
        QCOMPARE(limitRows, expected[i].limits);
        QCOMPARE(extensionRows, expected[i].extensions);
        QCOMPARE(configs.rowCount(), expected[i].configs);

        // Every attribute element of the built-in profiles is a known one: one row per leaf,
        // and each configuration has 21 to 24 elements, so at least 21 + 2 + 1 + 3 rows.
        const ProfileData& data = *wrapper->data();
        for (int r = 0; r < configs.rowCount(); ++r) {
            const QModelIndex config = configs.index(r, 0);
            QCOMPARE(config.data(), QVariant(QString("Config %1").arg(r + 1)));
            QCOMPARE(configs.rowCount(config), leafCount(data.eglConfigs.at(r + 1)));
            QVERIFY(configs.rowCount(config) >= 27);
        }
    }
}

void TestModelsToData::builtinRoundTrip()
{
    // data -> models -> data -> file -> data gives the profile back, except that the EGL token
    // texts that the trees store as numbers come back as decimal numbers.
    const QString dir = kolz::test::environment().tmp();
    for (std::size_t i = 0; i < builtinProfiles.size(); ++i) {
        const ProfileData original = ProfileData::fromXml(builtinProfiles[i]);
        ProfileData expected = original;
        for (auto& [id, nodes] : expected.eglConfigs)
            convertTokens(nodes);

        ProfileData rebuilt = throughModels(original);
        QCOMPARE(rebuilt.capabilities, expected.capabilities);
        QCOMPARE(rebuilt.extensions, expected.extensions);
        QCOMPARE(rebuilt.eglConfigs, expected.eglConfigs);

        const std::string fileName = "roundtrip" + std::to_string(i + 1) + ".xml";
        rebuilt.setFileName(fileName);
        QVERIFY(rebuilt.save(dir.toStdString()));
        const ProfileData reread = ProfileData::fromFile(
            QString(dir + "/" + QString::fromStdString(fileName)).toStdString());
        expected.setFileName(fileName);
        QVERIFY2(reread == expected, fileName.c_str());
        QVERIFY(reread.displayName() == original.displayName());
    }
}

KOLZ_TEST_MAIN_WIDGETS(TestModelsToData)
#include "tst_modelstodata.moc"
