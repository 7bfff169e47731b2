#include "support/TestEnvironment.h"

#include "models/EGLAttribKey.h"
#include "models/ESAPI.h"
#include "models/ESCapabilityKey.h"

#include <QTest>

#include <functional>
#include <map>
#include <set>
#include <vector>

class TestKeyTables : public QObject
{
    Q_OBJECT

private slots:
    void eglTableOrderAndUniqueness();
    void eglLookups();
    void eglMissLeavesOutUntouched();
    void eglDisplayNamesFromValues();
    void apiLookups();
    void apiOrdering();
    void capabilityTableOrderAndChildren();
    void capabilityLookupsFindSubKeysFirst();
    void capabilityMissLeavesOutUntouched();
    void capabilityNameLists();
    void emptyWalkFunctionThrows();
};

namespace {

EGLAttribKey sentinelEGLKey()
{
    EGLAttribKey k;
    k.value = 0x7777;
    k.xmlPath = {"sentinel", "path"};
    k.displayName = EGLAttribKey::DisplayName("SENTINEL");
    k.single = false;
    return k;
}

void compareKeys(const EGLAttribKey& a, const EGLAttribKey& b)
{
    QCOMPARE(a.value, b.value);
    QCOMPARE(a.xmlPath, b.xmlPath);
    QCOMPARE(a.displayName.text, b.displayName.text);
    QCOMPARE(a.single, b.single);
}

} // namespace

void TestKeyTables::eglTableOrderAndUniqueness()
{
    std::vector<EGLAttribKey> keys;
    forEachEGLAttribKey([&keys](const EGLAttribKey& k) { keys.push_back(k); });
    QCOMPARE(keys.size(), std::size_t(27));
    QCOMPARE(keys.front().displayName.text, std::string("EGL_ALPHA_SIZE"));
    QCOMPARE(keys.back().displayName.text, std::string("EGL_TRANSPARENT_RED"));

    std::set<int> values;
    std::set<std::string> names;
    std::set<std::deque<std::string>> paths;
    std::set<std::string> multiple;
    for (const EGLAttribKey& k : keys) {
        values.insert(k.value);
        names.insert(k.displayName.text);
        paths.insert(k.xmlPath);
        if (!k.single)
            multiple.insert(k.xmlPath.front());
        QVERIFY(k.xmlPath.size() == 1 || k.xmlPath.size() == 2);
        // Every key is found again by each of its three forms.
        EGLAttribKey byValue = sentinelEGLKey(), byName = byValue, byPath = byValue;
        QVERIFY(findEGLAttribKey(k.value, &byValue));
        QVERIFY(findEGLAttribKey(k.displayName, &byName));
        QVERIFY(findEGLAttribKey(k.xmlPath, &byPath));
        compareKeys(byValue, k);
        compareKeys(byName, k);
        compareKeys(byPath, k);
    }
    QCOMPARE(values.size(), keys.size());
    QCOMPARE(names.size(), keys.size());
    QCOMPARE(paths.size(), keys.size());
    QCOMPARE(multiple, (std::set<std::string>{"renderable_type", "surface_type"}));
}

void TestKeyTables::eglLookups()
{
    EGLAttribKey k;
    QVERIFY(findEGLAttribKey(EGLAttribKey::DisplayName("EGL_TRANSPARENT_RED"), &k));
    QCOMPARE(k.value, 0x3037);
    QCOMPARE(k.xmlPath, (std::deque<std::string>{"transparency", "red"}));

    QVERIFY(findEGLAttribKey(EGLAttribKey::DisplayName("EGL_RED_SIZE"), &k));
    QCOMPARE(k.value, 0x3024);

    QVERIFY(findEGLAttribKey(std::deque<std::string>{"max_pbuffer", "width"}, &k));
    QCOMPARE(k.value, 0x302C);
    QCOMPARE(k.displayName.text, std::string("EGL_MAX_PBUFFER_WIDTH"));

    QVERIFY(findEGLAttribKey(0x3042, &k));
    QCOMPARE(k.displayName.text, std::string("EGL_CONFORMANT"));
    QVERIFY(k.single);
}

void TestKeyTables::eglMissLeavesOutUntouched()
{
    const EGLAttribKey sentinel = sentinelEGLKey();
    EGLAttribKey out = sentinel;
    QVERIFY(!findEGLAttribKey(0x3038, &out)); // EGL_NONE
    QVERIFY(!findEGLAttribKey(0x3028, &out)); // EGL_CONFIG_ID is no attribute of the table
    QVERIFY(!findEGLAttribKey(EGLAttribKey::DisplayName("EGL_TRANSPARENT_RED_VALUE"), &out));
    QVERIFY(!findEGLAttribKey(EGLAttribKey::DisplayName("egl_red_size"), &out));
    QVERIFY(!findEGLAttribKey(EGLAttribKey::DisplayName(""), &out));
    QVERIFY(!findEGLAttribKey(std::deque<std::string>{"max_pbuffer"}, &out));
    QVERIFY(!findEGLAttribKey(std::deque<std::string>{"width"}, &out));
    QVERIFY(!findEGLAttribKey(std::deque<std::string>{"max_pbuffer", "width", "x"}, &out));
    QVERIFY(!findEGLAttribKey(std::deque<std::string>{}, &out));
    compareKeys(out, sentinel);
}

void TestKeyTables::eglDisplayNamesFromValues()
{
    QCOMPARE(eglAttribDisplayNames({0x3021, 0x3024, 0x3020}),
             (QStringList{"EGL_BUFFER_SIZE", "EGL_ALPHA_SIZE", "EGL_RED_SIZE"}));
    QCOMPARE(eglAttribDisplayNames({0x3038, 0x3037, 1}), QStringList{"EGL_TRANSPARENT_RED"});
    QVERIFY(eglAttribDisplayNames({}).isEmpty());
    QVERIFY(eglAttribDisplayNames({0, -1, 0x3038}).isEmpty());
}

void TestKeyTables::apiLookups()
{
    const std::vector<std::pair<int, std::string>> found{
        {1, "OpenGL ES 1.1"}, {11, "OpenGL ES 1.1"}, {2, "OpenGL ES 2.0"}, {20, "OpenGL ES 2.0"},
        {3, "OpenGL ES 3.0"}, {30, "OpenGL ES 3.0"}, {31, "OpenGL ES 3.1"}};
    for (const auto& [id, name] : found) {
        esapi::API api;
        QVERIFY(findAPI(id, &api));
        QCOMPARE(api.name, name);
        esapi::API byName;
        QVERIFY(findAPI(name, &byName));
        QCOMPARE(byName.ids, api.ids);
    }

    esapi::API preset{{99}, "preset"};
    for (int id : {0, 4, 12, 32, -1})
        QVERIFY(!findAPI(id, &preset));
    for (const char* name : {"opengl es 3.1", "OpenGL ES 3.1 ", "", "OpenGL ES 3.2"})
        QVERIFY(!findAPI(std::string(name), &preset));
    QCOMPARE(preset.ids, std::set<int>{99});
    QCOMPARE(preset.name, std::string("preset"));

    QVERIFY(findAPI(std::string("OpenGL ES 3.1"), &preset));
    QCOMPARE(preset.ids, std::set<int>{31});

    std::vector<std::string> walked;
    forEachAPI([&walked](const esapi::API& api) { walked.push_back(api.name); });
    QCOMPARE(walked, (std::vector<std::string>{"OpenGL ES 1.1", "OpenGL ES 2.0", "OpenGL ES 3.0",
                                               "OpenGL ES 3.1"}));
}

void TestKeyTables::apiOrdering()
{
    using esapi::API;
    QVERIFY((API{{3, 30}, "b"} < API{{31}, "a"}));
    QVERIFY(!(API{{31}, "a"} < API{{3, 30}, "b"}));
    QVERIFY((API{{2}, "z"} < API{{2, 20}, "a"}));
    QVERIFY((API{{}, "z"} < API{{0}, "a"}));
    QVERIFY((API{{5}, "a"} < API{{5}, "b"}));
    QVERIFY(!(API{{5}, "b"} < API{{5}, "a"}));
    QVERIFY(!(API{{5}, "a"} < API{{5}, "a"}));
    // Names compare as unsigned bytes.
    QVERIFY((API{{5}, "a"} < API{{5}, "\xC3\xA9"}));

    // A set of levels lists them in table order, whatever the insertion order.
    std::set<API> levels;
    std::vector<API> table;
    forEachAPI([&table](const API& api) { table.push_back(api); });
    for (auto it = table.rbegin(); it != table.rend(); ++it)
        levels.insert(*it);
    QCOMPARE(levels.size(), std::size_t(4));
    auto it = levels.begin();
    for (const API& api : table)
        QCOMPARE((it++)->name, api.name);
}

void TestKeyTables::capabilityTableOrderAndChildren()
{
    std::vector<ESCapabilityKeyNode> nodes;
    forEachKeyNode([&nodes](const ESCapabilityKeyNode& n) { nodes.push_back(n); });
    QCOMPARE(nodes.size(), std::size_t(28));
    QCOMPARE(nodes.front().xmlName.text, std::string("aliased_point_size_range"));
    QCOMPARE(nodes.back().xmlName.text, std::string("max_texture_units"));

    std::set<std::string> names;
    std::set<std::uint64_t> values;
    std::set<std::string> multiple;
    std::map<std::string, std::vector<std::string>> withChildren;
    for (const ESCapabilityKeyNode& n : nodes) {
        names.insert(n.xmlName.text);
        names.insert(n.displayName.text);
        values.insert(n.value);
        QVERIFY(n.value != 0);
        if (!n.single)
            multiple.insert(n.xmlName.text);
        for (const ESCapabilityKeyNode& c : n.children) {
            QCOMPARE(c.value, std::uint64_t(0));
            QCOMPARE(c.displayName.text, c.xmlName.text);
            QVERIFY(!c.single);
            withChildren[n.xmlName.text].push_back(c.xmlName.text);
        }
    }
    QCOMPARE(names.size(), std::size_t(56));
    QCOMPARE(values.size(), std::size_t(28));
    QCOMPARE(multiple,
             (std::set<std::string>{"shader_binary_format", "compressed_texture_format"}));
    const std::vector<std::string> range{"min", "max"};
    QCOMPARE(withChildren, (std::map<std::string, std::vector<std::string>>{
                               {"aliased_point_size_range", range},
                               {"aliased_line_width_range", range},
                               {"smooth_point_size_range", range},
                               {"smooth_line_width_range", range},
                               {"max_viewport_dims", {"width", "height"}}}));
}

void TestKeyTables::capabilityLookupsFindSubKeysFirst()
{
    ESCapabilityKeyNode n;
    QVERIFY(findKeyNode(ESCapabilityKey::XMLName("min"), &n));
    QCOMPARE(n.value, std::uint64_t(0));
    QCOMPARE(n.displayName.text, std::string("min"));
    QVERIFY(!n.single);
    QVERIFY(n.children.empty());

    QVERIFY(findKeyNode(ESCapabilityKey::DisplayName("width"), &n));
    QCOMPARE(n.xmlName.text, std::string("width"));

    QVERIFY(findKeyNode(ESCapabilityKey::DisplayName("GL_MAX_VIEWPORT_DIMS"), &n));
    QCOMPARE(n.value, std::uint64_t(0x0D3A));
    QCOMPARE(n.children.size(), std::size_t(2));
    QCOMPARE(n.children[0].xmlName.text, std::string("width"));
    QCOMPARE(n.children[1].xmlName.text, std::string("height"));

    // A found node replaces children that the out object held before.
    QVERIFY(findKeyNode(ESCapabilityKey::XMLName("shader_binary_format"), &n));
    QCOMPARE(n.value, std::uint64_t(0x8DF8));
    QVERIFY(!n.single);
    QVERIFY(n.children.empty());
    QCOMPARE(n.displayName.text, std::string("GL_SHADER_BINARY_FORMATS"));
}

void TestKeyTables::capabilityMissLeavesOutUntouched()
{
    ESCapabilityKeyNode out;
    out.value = 42;
    out.xmlName = ESCapabilityKey::XMLName("x");
    out.children.resize(3);
    QVERIFY(!findKeyNode(ESCapabilityKey::XMLName("max_texture_image_units"), &out));
    QVERIFY(!findKeyNode(ESCapabilityKey::DisplayName("shader_binary_format"), &out));
    QVERIFY(!findKeyNode(ESCapabilityKey::XMLName("GL_MAX_TEXTURE_SIZE"), &out));
    QVERIFY(!findKeyNode(ESCapabilityKey::XMLName("Min"), &out));
    QVERIFY(!findKeyNode(ESCapabilityKey::XMLName(""), &out));
    QCOMPARE(out.value, std::uint64_t(42));
    QCOMPARE(out.xmlName.text, std::string("x"));
    QCOMPARE(out.children.size(), std::size_t(3));
}

void TestKeyTables::capabilityNameLists()
{
    QCOMPARE(capabilityDisplayNames({"samples", "max_lights", "unknown_limit"}),
             (QStringList{"GL_MAX_LIGHTS", "GL_SAMPLES"}));
    QVERIFY(capabilityDisplayNames({}).isEmpty());
    QVERIFY(capabilityDisplayNames({"max_texture_image_units"}).isEmpty());
    QCOMPARE(toQStringList({"b", "a", "\xC3\xA9"}), (QStringList{"a", "b", QStringLiteral("é")}));
    QVERIFY(toQStringList({}).isEmpty());
}

void TestKeyTables::emptyWalkFunctionThrows()
{
    QVERIFY_THROWS_EXCEPTION(std::bad_function_call, forEachEGLAttribKey({}));
    QVERIFY_THROWS_EXCEPTION(std::bad_function_call, forEachAPI({}));
    QVERIFY_THROWS_EXCEPTION(std::bad_function_call, forEachKeyNode({}));
}

KOLZ_TEST_MAIN_CORE(TestKeyTables)
#include "tst_keytables.moc"
