#include "support/TestEnvironment.h"

#include "models/EGLAttribKey.h"
#include "models/ESAPI.h"
#include "models/ESCapabilityKey.h"

#include <set>
#include <vector>

class TestKeyTables : public QObject
{
    Q_OBJECT

private slots:
    void eglAttributes();
    void apiLevels();
    void capabilityKeys();
};

void TestKeyTables::eglAttributes()
{
    std::vector<EGLAttribKey> keys;
    std::set<std::string> multiple;
    forEachEGLAttribKey([&](const EGLAttribKey& k) {
        keys.push_back(k);
        if (!k.single)
            multiple.insert(k.xmlPath.front());
    });
    QCOMPARE(keys.size(), std::size_t(27));
    QCOMPARE(keys.front().displayName.text, std::string("EGL_ALPHA_SIZE"));
    QCOMPARE(keys.back().displayName.text, std::string("EGL_TRANSPARENT_RED"));
    QCOMPARE(multiple, (std::set<std::string>{"renderable_type", "surface_type"}));

    EGLAttribKey k;
    QVERIFY(findEGLAttribKey(EGLAttribKey::DisplayName("EGL_TRANSPARENT_RED"), &k));
    QCOMPARE(k.value, 0x3037);
    QCOMPARE(k.xmlPath, (std::deque<std::string>{"transparency", "red"}));
    QVERIFY(findEGLAttribKey(std::deque<std::string>{"max_pbuffer", "width"}, &k));
    QCOMPARE(k.displayName.text, std::string("EGL_MAX_PBUFFER_WIDTH"));
    QVERIFY(findEGLAttribKey(0x3042, &k));

    // A miss of any of the three lookups leaves the out object as it was.
    EGLAttribKey out = k;
    QVERIFY(!findEGLAttribKey(0x3038, &out)); // EGL_NONE
    QVERIFY(!findEGLAttribKey(EGLAttribKey::DisplayName("EGL_TRANSPARENT_RED_VALUE"), &out));
    QVERIFY(!findEGLAttribKey(EGLAttribKey::DisplayName("egl_red_size"), &out));
    QVERIFY(!findEGLAttribKey(std::deque<std::string>{"max_pbuffer"}, &out));
    QVERIFY(!findEGLAttribKey(std::deque<std::string>{"width"}, &out));
    QCOMPARE(out.value, 0x3042);
    QCOMPARE(out.displayName.text, std::string("EGL_CONFORMANT"));

    QCOMPARE(eglAttribDisplayNames({0x3021, 0x3024, 0x3020, 0x3038}),
             (QStringList{"EGL_BUFFER_SIZE", "EGL_ALPHA_SIZE", "EGL_RED_SIZE"}));
    QVERIFY(eglAttribDisplayNames({0, 0x3038}).isEmpty());
}

void TestKeyTables::apiLevels()
{
    esapi::API api;
    for (const auto& [id, name] : std::vector<std::pair<int, std::string>>{{1, "OpenGL ES 1.1"},
                                                                           {11, "OpenGL ES 1.1"},
                                                                           {20, "OpenGL ES 2.0"},
                                                                           {30, "OpenGL ES 3.0"},
                                                                           {31, "OpenGL ES 3.1"}}) {
        QVERIFY(findAPI(id, &api));
        QCOMPARE(api.name, name);
    }
    for (int id : {0, 4, 12, 32, -1})
        QVERIFY(!findAPI(id, &api));
    for (const char* name : {"opengl es 3.1", "OpenGL ES 3.1 ", ""})
        QVERIFY(!findAPI(std::string(name), &api));
    QCOMPARE(api.ids, std::set<int>{31});
    QVERIFY(findAPI(std::string("OpenGL ES 2.0"), &api));
    QCOMPARE(api.ids, (std::set<int>{2, 20}));

    // Ordering: version sets element by element, a prefix first, names only on equal sets.
    using esapi::API;
    QVERIFY((API{{3, 30}, "b"} < API{{31}, "a"}) && !(API{{31}, "a"} < API{{3, 30}, "b"}));
    QVERIFY((API{{2}, "z"} < API{{2, 20}, "a"}));
    QVERIFY((API{{}, "z"} < API{{0}, "a"}));
    QVERIFY((API{{5}, "a"} < API{{5}, "b"}) && !(API{{5}, "a"} < API{{5}, "a"}));
    std::set<API> levels;
    std::vector<std::string> tableOrder;
    forEachAPI([&](const API& level) {
        levels.insert(levels.begin(), level);
        tableOrder.push_back(level.name);
    });
    std::vector<std::string> setOrder;
    for (const API& level : levels)
        setOrder.push_back(level.name);
    QCOMPARE(setOrder, tableOrder);
    QCOMPARE(tableOrder.size(), std::size_t(4));
}

void TestKeyTables::capabilityKeys()
{
    std::vector<std::string> names;
    forEachKeyNode([&names](const ESCapabilityKeyNode& n) { names.push_back(n.xmlName.text); });
    QCOMPARE(names.size(), std::size_t(28));
    QCOMPARE(names.front(), std::string("aliased_point_size_range"));
    QCOMPARE(names.back(), std::string("max_texture_units"));

    // Sub-keys are searched first and found whatever limit they belong to.
    ESCapabilityKeyNode n;
    QVERIFY(findKeyNode(ESCapabilityKey::DisplayName("GL_MAX_VIEWPORT_DIMS"), &n));
    QCOMPARE(n.value, std::uint64_t(0x0D3A));
    QCOMPARE(n.children.size(), std::size_t(2));
    QCOMPARE(n.children[1].xmlName.text, std::string("height"));
    QVERIFY(findKeyNode(ESCapabilityKey::XMLName("min"), &n));
    QCOMPARE(n.value, std::uint64_t(0));
    QCOMPARE(n.displayName.text, std::string("min"));
    QVERIFY(n.children.empty() && !n.single);
    QVERIFY(findKeyNode(ESCapabilityKey::XMLName("shader_binary_format"), &n));

    ESCapabilityKeyNode out = n;
    QVERIFY(!findKeyNode(ESCapabilityKey::XMLName("max_texture_image_units"), &out));
    QVERIFY(!findKeyNode(ESCapabilityKey::DisplayName("shader_binary_format"), &out));
    QVERIFY(!findKeyNode(ESCapabilityKey::XMLName("Min"), &out));
    QCOMPARE(out.value, std::uint64_t(0x8DF8));

    QCOMPARE(capabilityDisplayNames({"samples", "max_lights", "unknown"}),
             (QStringList{"GL_MAX_LIGHTS", "GL_SAMPLES"}));
    QVERIFY(capabilityDisplayNames({"max_texture_image_units"}).isEmpty());
    QCOMPARE(toQStringList({"b", "a"}), (QStringList{"a", "b"}));
}

KOLZ_TEST_MAIN_CORE(TestKeyTables)
#include "tst_keytables.moc"
