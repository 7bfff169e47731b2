// Extension and version identifiers: names, reverse lookups, list positions
// and version texts.

#include <QHash>
#include <QSet>
#include <QTest>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "glvocab/GLVocabulary.h"
#include "support/TestEnvironment.h"

using ExtensionForIndex = ESExtensionID (*)(int) noexcept;
using IdRanges = std::vector<std::pair<ESExtensionID, ESExtensionID>>;
Q_DECLARE_METATYPE(ExtensionForIndex)
Q_DECLARE_METATYPE(IdRanges)

namespace {

constexpr ESExtensionID esExtensionCount = 133;
constexpr GLExtensionID glExtensionCount = 642;
constexpr const char* unknownExtension = "<unknown extension>";

std::unique_ptr<char[]> exactCopy(const char* text)
{
    const std::size_t size = std::strlen(text) + 1;
    auto copy = std::make_unique<char[]>(size);
    std::memcpy(copy.get(), text, size);
    return copy;
}

std::string flipCase(std::string text, std::size_t at)
{
    char& c = text[at];
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
        c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Texts that must never match: the accepted text in other case, padded with
// blanks, or with one "GL_" too many.
std::vector<std::string> nearMisses(const std::string& accepted)
{
    std::vector<std::string> misses{" " + accepted, accepted + " ", "GL_GL_" + accepted,
                                    accepted.substr(0, accepted.size() - 1)};
    for (std::size_t i = 0; i < accepted.size(); ++i) {
        const std::string flipped = flipCase(accepted, i);
        if (flipped != accepted)
            misses.push_back(flipped);
    }
    return misses;
}

} // namespace

class TestIdentifiers : public QObject
{
    Q_OBJECT

private slots:
    void esExtensionNames();
    void esExtensionFromNameIsExact();
    void esExtensionLists_data();
    void esExtensionLists();
    void esVersionFromNumbers_data();
    void esVersionFromNumbers();

    void glExtensionNames();
    void glExtensionFromNameIsExact();

    void versionNames();
    void versionParsers_data();
    void versionParsers();
    void versionParsersStayInsideShortTexts();
};

void TestIdentifiers::esExtensionNames()
{
    QCOMPARE(esExtensionName(12, true), "GL_EXT_sRGB");
    QCOMPARE(esExtensionName(12, false), "EXT_sRGB");
    QCOMPARE(esExtensionName(34, false), "OES_depth24");
    QCOMPARE(esExtensionName(133, true), "GL_KHR_shader_subgroup");
    for (ESExtensionID id : {ESExtensionID{0}, esExtensionCount + 1, ESExtensionID{UINT32_MAX}}) {
        QCOMPARE(esExtensionName(id, true), unknownExtension);
        QCOMPARE(esExtensionName(id, false), unknownExtension);
    }

    QSet<QByteArray> bare;
    for (ESExtensionID id = 1; id <= esExtensionCount; ++id) {
        const char* name = esExtensionName(id, false);
        QVERIFY(*name && std::strncmp(name, "GL_", 3) != 0);
        QCOMPARE(QByteArray(esExtensionName(id, true)), "GL_" + QByteArray(name));
        bare.insert(name);
        QCOMPARE(esExtensionFromName(name), id);
        QCOMPARE(esExtensionFromName(esExtensionName(id, true)), id);
    }
    QCOMPARE(bare.size(), int(esExtensionCount));
}

void TestIdentifiers::esExtensionFromNameIsExact()
{
    for (const char* text : {"", "GL_", unknownExtension, "GL_GL_EXT_sRGB", "ext_srgb"})
        QCOMPARE(esExtensionFromName(text), ESExtensionID{0});
    QCOMPARE(esExtensionFromName(nullptr), ESExtensionID{0});
    for (ESExtensionID id = 1; id <= esExtensionCount; ++id) {
        for (bool prefix : {false, true}) {
            for (const std::string& miss : nearMisses(esExtensionName(id, prefix))) {
                const ESExtensionID found = esExtensionFromName(miss.c_str());
                // Dropping the last character may leave another valid name.
                QVERIFY2(found == 0 || (miss.size() < std::strlen(esExtensionName(id, prefix)) &&
                                        found != id),
                         miss.c_str());
            }
        }
    }
}

void TestIdentifiers::esExtensionLists_data()
{
    QTest::addColumn<ExtensionForIndex>("forIndex");
    QTest::addColumn<IdRanges>("ranges");

    QTest::newRow("1.1") << ExtensionForIndex(es1ExtensionForIndex) << IdRanges{{1, 69}};
    QTest::newRow("2.0") << ExtensionForIndex(es2ExtensionForIndex) << IdRanges{{1, 49}, {70, 103}};
    QTest::newRow("3.0") << ExtensionForIndex(es3ExtensionForIndex) << IdRanges{{1, 49}, {70, 115}};
    QTest::newRow("3.1") << ExtensionForIndex(es31ExtensionForIndex)
                         << IdRanges{{1, 49}, {70, 133}};
}

void TestIdentifiers::esExtensionLists()
{
    QFETCH(ExtensionForIndex, forIndex);
    QFETCH(IdRanges, ranges);
    int position = 1;
    for (const auto& [first, last] : ranges) {
        for (ESExtensionID id = first; id <= last; ++id, ++position)
            QCOMPARE(forIndex(position), id);
    }
    for (int outside : {position, position + 1, 0, -1, INT_MIN, INT_MIN + 1, INT_MAX})
        QCOMPARE(forIndex(outside), ESExtensionID{0});
}

void TestIdentifiers::esVersionFromNumbers_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<unsigned>("minor");
    QTest::addColumn<ESVersionID>("id");

    QTest::newRow("1.0") << 1 << 0u << ESVersionID{1};
    QTest::newRow("1.1") << 1 << 1u << ESVersionID{1};
    QTest::newRow("2.7") << 2 << 7u << ESVersionID{2};
    QTest::newRow("3.0") << 3 << 0u << ESVersionID{3};
    QTest::newRow("3.1") << 3 << 1u << ESVersionID{4};
    QTest::newRow("3.2") << 3 << 2u << ESVersionID{5};
    QTest::newRow("3.3") << 3 << 3u << ESVersionID{0};
    QTest::newRow("3.max") << 3 << UINT_MAX << ESVersionID{0};
    QTest::newRow("4.0") << 4 << 0u << ESVersionID{0};
    QTest::newRow("0.0") << 0 << 0u << ESVersionID{0};
    QTest::newRow("-1.0") << -1 << 0u << ESVersionID{0};
    QTest::newRow("INT_MIN") << INT_MIN << 0u << ESVersionID{0};
}

void TestIdentifiers::esVersionFromNumbers()
{
    QFETCH(int, major);
    QFETCH(unsigned, minor);
    QFETCH(ESVersionID, id);
    QCOMPARE(::esVersionFromNumbers(major, minor), id);
}

void TestIdentifiers::glExtensionNames()
{
    QCOMPARE(glExtensionName(1), "GL_ARB_imaging");
    QCOMPARE(glExtensionName(15), "GL_NVX_nvenc_interop");
    QCOMPARE(glExtensionName(16), "GL_ARB_multitexture");
    QCOMPARE(glExtensionName(200), "GL_ARB_transform_feedback_overflow_query");
    QCOMPARE(glExtensionName(201), "GL_EXT_abgr");
    QCOMPARE(glExtensionName(642), "GL_NV_internalformat_sample_query");
    for (GLExtensionID id : {GLExtensionID{0}, glExtensionCount + 1, GLExtensionID{UINT32_MAX}})
        QCOMPARE(glExtensionName(id), unknownExtension);

    // Each name once, even with case ignored; the API prefixes in their counts.
    QSet<QByteArray> folded;
    QHash<QByteArray, int> prefixes;
    for (GLExtensionID id = 1; id <= glExtensionCount; ++id) {
        const QByteArray name = glExtensionName(id);
        folded.insert(name.toLower());
        prefixes[name.left(name.indexOf('_') + 1)] += 1;
        QCOMPARE(glExtensionFromName(name.constData()), id);
        QCOMPARE(glExtensionFromName(("GL_" + name).constData()), id);
        if (id > 200)
            QVERIFY2(!name.startsWith("GL_ARB_"), name.constData());
    }
    QCOMPARE(folded.size(), int(glExtensionCount));
    QCOMPARE(prefixes.value("GL_"), 533);
    QCOMPARE(prefixes.value("GLX_"), 56);
    QCOMPARE(prefixes.value("WGL_"), 50);
    QCOMPARE(prefixes.value("GLU_"), 3);

    // Names that differ only by API or vendor are different ids.
    QCOMPARE(glExtensionFromName("GL_ARB_framebuffer_sRGB"), GLExtensionID{66});
    QCOMPARE(glExtensionFromName("GLX_ARB_framebuffer_sRGB"), GLExtensionID{67});
    QCOMPARE(glExtensionFromName("WGL_ARB_framebuffer_sRGB"), GLExtensionID{68});
    QCOMPARE(glExtensionFromName("GL_EXT_framebuffer_sRGB"), GLExtensionID{493});
    QCOMPARE(glExtensionFromName("WGL_EXT_swap_control"), GLExtensionID{331});
    QCOMPARE(glExtensionFromName("GL_EXT_swap_control"), GLExtensionID{537});
    QCOMPARE(glExtensionFromName("GL_GLX_ARB_get_proc_address"), GLExtensionID{17});
    QCOMPARE(glExtensionFromName("GL_WGL_ARB_pbuffer"), GLExtensionID{28});
    QCOMPARE(glExtensionFromName("GL_GLU_EXT_nurbs_tessellator"), GLExtensionID{284});
}

void TestIdentifiers::glExtensionFromNameIsExact()
{
    for (const char* text : {"", "GL_", unknownExtension, "ARB_imaging", "GL_GL_GL_ARB_imaging"})
        QCOMPARE(glExtensionFromName(text), GLExtensionID{0});
    QCOMPARE(glExtensionFromName(nullptr), GLExtensionID{0});
    for (GLExtensionID id = 1; id <= glExtensionCount; ++id) {
        const std::string name = glExtensionName(id);
        for (const std::string& miss : nearMisses(name)) {
            const GLExtensionID found = glExtensionFromName(miss.c_str());
            QVERIFY2(found == 0 || (miss.size() < name.size() && found != id), miss.c_str());
        }
    }
}

void TestIdentifiers::versionNames()
{
    const char* esFailure = "<Failed to query OpenGL ES version>";
    const char* glslESFailure = "<Failed to query GLSL ES version>";
    const char* glslFailure = "<Failed to query GLSL version>";
    for (std::uint32_t id : {0u, UINT32_MAX}) {
        QCOMPARE(esVersionName(id), esFailure);
        QCOMPARE(glslESVersionName(id), glslESFailure);
        QCOMPARE(glslVersionName(id, false), glslFailure);
        QCOMPARE(glslVersionName(id, true), glslFailure);
        QCOMPARE(glVersionName(id), "unknown");
    }
    QCOMPARE(esVersionName(1), "1.1");
    QCOMPARE(esVersionName(4), "3.1");
    QCOMPARE(esVersionName(5), "3.2");
    QCOMPARE(esVersionName(6), esFailure);
    QCOMPARE(glslESVersionName(1), "GLSL ES 1.0");
    QCOMPARE(glslESVersionName(4), "GLSL ES 3.2");
    QCOMPARE(glslESVersionName(5), glslESFailure);
    QCOMPARE(glslVersionName(6, false), "GLSL 3.30");
    QCOMPARE(glslVersionName(6, true), "330");
    QCOMPARE(glslVersionName(13, false), "GLSL 4.60");
    QCOMPARE(glslVersionName(14, true), glslFailure);
    QCOMPARE(glVersionName(2), "1.1");
    QCOMPARE(glVersionName(19), "4.6");
    QCOMPARE(glVersionName(20), "unknown");

    // Every version text leads back to its id; the two GLSL texts agree.
    for (GLVersionID id = 1; id <= 19; ++id)
        QCOMPARE(glVersionFromString(glVersionName(id)), id);
    for (GLSLVersionID id = 1; id <= 13; ++id) {
        const QByteArray name = glslVersionName(id, false);
        const QByteArray number = glslVersionName(id, true);
        QVERIFY(name.startsWith("GLSL "));
        QCOMPARE(QByteArray(name.mid(5)).replace(".", ""), number);
        QCOMPARE(glslVersionFromString(name.constData() + 5), id);
    }
}

void TestIdentifiers::versionParsers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<GLVersionID>("gl");
    QTest::addColumn<GLSLVersionID>("glsl");

    QTest::newRow("4.6") << QByteArray("4.6") << GLVersionID{19} << GLSLVersionID{14};
    QTest::newRow("4.6 with more")
        << QByteArray("4.6.0 NVIDIA 550") << GLVersionID{19} << GLSLVersionID{14};
    QTest::newRow("4.60") << QByteArray("4.60") << GLVersionID{19} << GLSLVersionID{13};
    QTest::newRow("4.60 with more")
        << QByteArray("4.60 core") << GLVersionID{19} << GLSLVersionID{13};
    QTest::newRow("1.0 with digits") << QByteArray("1.0123") << GLVersionID{1} << GLSLVersionID{14};
    QTest::newRow("1.10") << QByteArray("1.10") << GLVersionID{2} << GLSLVersionID{1};
    QTest::newRow("1.1") << QByteArray("1.1") << GLVersionID{2} << GLSLVersionID{14};
    QTest::newRow("3.30") << QByteArray("3.30") << GLVersionID{12} << GLSLVersionID{6};
    QTest::newRow("3.00") << QByteArray("3.00") << GLVersionID{9} << GLSLVersionID{14};
    for (const char* missing : {"1.6", "2.2", "3.4", "4.7"})
        QTest::newRow(missing) << QByteArray(missing) << GLVersionID{20} << GLSLVersionID{14};
    QTest::newRow("10.0") << QByteArray("10.0") << GLVersionID{20} << GLSLVersionID{14};
    QTest::newRow("leading space") << QByteArray(" 4.6") << GLVersionID{20} << GLSLVersionID{14};
    QTest::newRow("comma") << QByteArray("4,6") << GLVersionID{20} << GLSLVersionID{14};
    QTest::newRow("one character") << QByteArray("4") << GLVersionID{20} << GLSLVersionID{14};
    QTest::newRow("two characters") << QByteArray("4.") << GLVersionID{20} << GLSLVersionID{14};
    QTest::newRow("three GLSL characters")
        << QByteArray("4.6") << GLVersionID{19} << GLSLVersionID{14};
    QTest::newRow("empty") << QByteArray("") << GLVersionID{20} << GLSLVersionID{14};
}

void TestIdentifiers::versionParsers()
{
    QFETCH(QByteArray, text);
    QFETCH(GLVersionID, gl);
    QFETCH(GLSLVersionID, glsl);
    // Exact-size copies: ASan stops the test at any read past the NUL.
    auto copy = exactCopy(text.constData());
    QCOMPARE(glVersionFromString(copy.get()), gl);
    QCOMPARE(glslVersionFromString(copy.get()), glsl);
}

void TestIdentifiers::versionParsersStayInsideShortTexts()
{
    QCOMPARE(glVersionFromString(nullptr), GLVersionID{0});
    QCOMPARE(glslVersionFromString(nullptr), GLSLVersionID{0});
    // Every prefix of every version text, each in a block of its own size.
    for (GLSLVersionID id = 1; id <= 13; ++id) {
        const std::string dotted = glslVersionName(id, false) + 5;
        for (std::size_t length = 0; length < dotted.size(); ++length) {
            auto prefix = exactCopy(dotted.substr(0, length).c_str());
            QCOMPARE(glslVersionFromString(prefix.get()), GLSLVersionID{14});
            const GLVersionID gl = glVersionFromString(prefix.get());
            QVERIFY(length < 3 ? gl == 20 : gl >= 1 && gl <= 20);
        }
    }
}

KOLZ_TEST_MAIN_CORE(TestIdentifiers)
#include "tst_identifiers.moc"
