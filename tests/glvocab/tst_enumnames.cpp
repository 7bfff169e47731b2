// Enum names in both directions, decimal enum texts and the format sets.
// The round trips walk the compiled tables; the counts are taken by scanning
// the public functions, so a table that lost or gained an entry shows up.

#include <QSet>
#include <QTest>

#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "glvocab/GLVocabulary.h"
#include "glvocab/generated/VocabularyTables.h"
#include "support/TestEnvironment.h"

namespace {

constexpr GLuint64 lastDenseValue = 0x9688;
constexpr GLuint64 invalidIndex = 0xFFFFFFFFull;
constexpr GLuint64 allOnes = ~GLuint64{0};

// The values outside 0..0x9688 that carry names: the powers of two from
// 0x10000 to 0x80000000, 0xFFFFFFFF and the all-ones 64-bit value.
QList<GLuint64> highKnownValues()
{
    QList<GLuint64> values;
    for (int bit = 16; bit < 32; ++bit)
        values.append(GLuint64{1} << bit);
    values << invalidIndex << allOnes;
    return values;
}

bool isEnumNameText(const char* name)
{
    const std::string_view text(name);
    if (text.size() < 5 || text.size() > 72 || !text.starts_with("GL_"))
        return false;
    for (char c : text) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == 'x'))
            return false;
    }
    return true;
}

// Decimal text of a value the way a profile would hold it: signed 64-bit.
std::string decimal(GLuint64 value)
{
    return std::to_string(static_cast<long long>(value));
}

// A copy of `text` in a heap block of exactly its size, so that ASan reports
// any read past its terminating NUL.
std::unique_ptr<char[]> exactCopy(const char* text)
{
    const std::size_t size = std::strlen(text) + 1;
    auto copy = std::make_unique<char[]>(size);
    std::memcpy(copy.get(), text, size);
    return copy;
}

} // namespace

class TestEnumNames : public QObject
{
    Q_OBJECT

private slots:
    void valueToName_data();
    void valueToName();
    void valueToNameCoversExactlyTheNamedValues();
    void upperBitsNeverName();

    void nameToValue_data();
    void nameToValue();
    void everyNameRoundTrips();
    void onlyWholeExactNamesMatch();

    void numericText_data();
    void numericText();
    void numericTextKnowsExactlyTheTableValues();
    void numericTextIsSigned64Bit_data();
    void numericTextIsSigned64Bit();

    void formatSets();
};

void TestEnumNames::valueToName_data()
{
    QTest::addColumn<GLuint64>("value");
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("zero") << GLuint64{0} << QByteArray("GL_NONE");
    QTest::newRow("one") << GLuint64{1} << QByteArray("GL_MAP_READ_BIT");
    QTest::newRow("known value without a display name") << GLuint64{3} << QByteArray();
    QTest::newRow("0x0100") << GLuint64{0x0100} << QByteArray();
    QTest::newRow("0x0400") << GLuint64{0x0400} << QByteArray();
    QTest::newRow("0x4000") << GLuint64{0x4000} << QByteArray("GL_LIGHT0");
    QTest::newRow("0x8000") << GLuint64{0x8000} << QByteArray("GL_COVERAGE_BUFFER_BIT_NV");
    QTest::newRow("debug type") << GLuint64{0x824C} << QByteArray("GL_DEBUG_TYPE_ERROR_KHR");
    QTest::newRow("debug severity") << GLuint64{0x9146} << QByteArray("GL_DEBUG_SEVERITY_HIGH_KHR");
    QTest::newRow("reset strategy")
        << GLuint64{0x8252} << QByteArray("GL_LOSE_CONTEXT_ON_RESET_EXT");
    QTest::newRow("max debug length")
        << GLuint64{0x9143} << QByteArray("GL_MAX_DEBUG_MESSAGE_LENGTH");
    QTest::newRow("ETC2") << GLuint64{0x9274} << QByteArray("GL_COMPRESSED_RGB8_ETC2");
    QTest::newRow("last dense") << lastDenseValue << QByteArray("GL_SCENE_ARRAY_TWX");
    QTest::newRow("gap before last") << GLuint64{0x9652} << QByteArray();
    QTest::newRow("after last dense") << lastDenseValue + 1 << QByteArray();
    QTest::newRow("bit 16") << GLuint64{0x10000} << QByteArray();
    QTest::newRow("bit 31") << GLuint64{0x80000000} << QByteArray();
    QTest::newRow("invalid index") << invalidIndex << QByteArray("GL_INVALID_INDEX");
    QTest::newRow("32-bit -1 widened with sign") << allOnes << QByteArray();
    QTest::newRow("0x1'FFFFFFFF") << (invalidIndex | (GLuint64{1} << 32)) << QByteArray();
}

void TestEnumNames::valueToName()
{
    QFETCH(GLuint64, value);
    QFETCH(QByteArray, name);
    const char* result = glEnumName(value);
    QVERIFY(result);
    QCOMPARE(QByteArray(result), name);
}

void TestEnumNames::valueToNameCoversExactlyTheNamedValues()
{
    // 1215 names lie in 0..0x9688 and one above; every name is distinct and
    // well-formed, and nothing else up to 2^17 is named.
    QSet<QByteArray> names;
    int named = 0;
    for (GLuint64 value = 0; value <= 0x20000; ++value) {
        const char* name = glEnumName(value);
        QVERIFY(name);
        if (*name == '\0')
            continue;
        QVERIFY2(value <= lastDenseValue, name);
        QVERIFY2(isEnumNameText(name), name);
        names.insert(QByteArray(name));
        ++named;
    }
    QCOMPARE(named, 1215);
    QCOMPARE(names.size(), named);
    for (GLuint64 value : highKnownValues()) {
        if (value != invalidIndex)
            QCOMPARE(glEnumName(value), "");
    }
    QVERIFY(!names.contains("GL_INVALID_INDEX"));
}

void TestEnumNames::upperBitsNeverName()
{
    for (const auto& entry : glvocab_tables::kEnumNames) {
        for (GLuint64 upper : {GLuint64{1} << 32, GLuint64{1} << 63, allOnes << 32}) {
            const char* name = glEnumName(entry.value | upper);
            QVERIFY2(*name == '\0', entry.name);
        }
    }
}

void TestEnumNames::nameToValue_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<GLuint64>("value");

    QTest::newRow("texture 2D") << QByteArray("GL_TEXTURE_2D") << GLuint64{0x0DE1};
    QTest::newRow("leading blank") << QByteArray(" GL_TEXTURE_2D") << GLuint64{0};
    QTest::newRow("trailing blank") << QByteArray("GL_TEXTURE_2D ") << GLuint64{0};
    QTest::newRow("without prefix") << QByteArray("TEXTURE_2D") << GLuint64{0};
    QTest::newRow("prefix twice") << QByteArray("GL_GL_TEXTURE_2D") << GLuint64{0};
    QTest::newRow("one") << QByteArray("GL_ONE") << GLuint64{1};
    QTest::newRow("embedded NUL") << QByteArray("GL_ONE\0", 7) << GLuint64{0};
    QTest::newRow("NUL inside") << QByteArray("GL_\0ONE", 7) << GLuint64{0};
    QTest::newRow("lower case") << QByteArray("gl_one") << GLuint64{0};
    QTest::newRow("ASTC") << QByteArray("GL_COMPRESSED_RGBA_ASTC_4x4_KHR") << GLuint64{0x93B0};
    QTest::newRow("ASTC bare") << QByteArray("GL_COMPRESSED_RGBA_ASTC_4x4") << GLuint64{0x93B0};
    QTest::newRow("ASTC upper X") << QByteArray("GL_COMPRESSED_RGBA_ASTC_4X4_KHR") << GLuint64{0};
    QTest::newRow("empty") << QByteArray() << GLuint64{0};
    QTest::newRow("prefix alone") << QByteArray("GL_") << GLuint64{0};
    QTest::newRow("points") << QByteArray("GL_POINTS") << GLuint64{0};
    QTest::newRow("invalid index") << QByteArray("GL_INVALID_INDEX") << invalidIndex;
    QTest::newRow("timeout ignored") << QByteArray("GL_TIMEOUT_IGNORED") << allOnes;
    QTest::newRow("timeout ignored apple") << QByteArray("GL_TIMEOUT_IGNORED_APPLE") << allOnes;
    QTest::newRow("all barrier bits") << QByteArray("GL_ALL_BARRIER_BITS") << invalidIndex;
    QTest::newRow("QCOM bit 31") << QByteArray("GL_MULTISAMPLE_BUFFER_BIT7_QCOM")
                                 << GLuint64{0x80000000};
    QTest::newRow("ES value of EXT") << QByteArray("GL_ACTIVE_PROGRAM_EXT") << GLuint64{0x8259};
    QTest::newRow("current program") << QByteArray("GL_CURRENT_PROGRAM") << GLuint64{0x8B8D};
    QTest::newRow("two underscores") << QByteArray("GL__3DC_X_AMD") << GLuint64{0x87F9};
    QTest::newRow("one underscore") << QByteArray("GL_3DC_X_AMD") << GLuint64{0};
    QTest::newRow("incomplete formats")
        << QByteArray("GL_FRAMEBUFFER_INCOMPLETE_FORMATS") << GLuint64{0x8CDA};
    QTest::newRow("incomplete formats OES")
        << QByteArray("GL_FRAMEBUFFER_INCOMPLETE_FORMATS_OES") << GLuint64{0};
    for (const char* name : {"GL_MULTIPLY_OES", "GL_MULTIPLY_KHR", "GL_MULTIPLY_NV", "GL_MULTIPLY"})
        QTest::newRow(name) << QByteArray(name) << GLuint64{0x9294};
    QTest::newRow("KOLTC") << QByteArray("GL_COMPRESSED_RGB_KOLTC_4BPPV1_TWX") << GLuint64{0x8C00};
    QTest::newRow("QDR binary") << QByteArray("GL_QDR_BINARY_TWX") << GLuint64{0x8C0A};
    QTest::newRow("frame shader bit") << QByteArray("GL_FRAME_SHADER_BIT_TWX") << GLuint64{0x40};
    QTest::newRow("platform binary")
        << QByteArray("GL_NVIDIA_PLATFORM_BINARY_NV") << GLuint64{0x890B};
    QTest::newRow("line strip") << QByteArray("GL_LINE_STRIP") << GLuint64{3};
    QTest::newRow("decimal") << QByteArray("3553") << GLuint64{0};
    QTest::newRow("hexadecimal") << QByteArray("0x0DE1") << GLuint64{0};
}

void TestEnumNames::nameToValue()
{
    QFETCH(QByteArray, name);
    QFETCH(GLuint64, value);
    QCOMPARE(glEnumValueFromName(std::string_view(name.constData(), name.size())), value);
}

void TestEnumNames::everyNameRoundTrips()
{
    for (const auto& entry : glvocab_tables::kEnumNames) {
        QCOMPARE(glEnumValueFromName(entry.name), entry.value);
        QCOMPARE(glEnumName(entry.value), entry.name);
    }
    // Every other name leads to a value that is either unnamed or named by a
    // display name with that same value.
    for (const auto& entry : glvocab_tables::kEnumValues) {
        QVERIFY2(isEnumNameText(entry.name.data()), entry.name.data());
        QCOMPARE(glEnumValueFromName(entry.name), entry.value);
        const char* display = glEnumName(entry.value);
        if (*display)
            QCOMPARE(glEnumValueFromName(display), entry.value);
    }
}

void TestEnumNames::onlyWholeExactNamesMatch()
{
    for (const auto& entry : glvocab_tables::kEnumValues) {
        const std::string name(entry.name);
        std::string lower = name;
        for (char& c : lower)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        const std::string variants[] = {
            lower,          " " + name,     name + " ",  name + '\t',
            "GL_" + name,   name.substr(3), name + '\0', std::string(1, '\0') + name,
            name + "_OES_",
        };
        for (const std::string& variant : variants)
            QVERIFY2(glEnumValueFromName(variant) == 0, variant.c_str());
    }
    QCOMPARE(glEnumValueFromName(std::string_view()), GLuint64{0});
}

void TestEnumNames::numericText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("name"); // null: the argument itself comes back

    QTest::newRow("0") << QByteArray("0") << QByteArray("GL_NONE");
    QTest::newRow("leading blank") << QByteArray(" 0") << QByteArray("GL_NONE");
    QTest::newRow("all white space") << QByteArray(" \t\n\v\f\r5126") << QByteArray("GL_FLOAT");
    QTest::newRow("plus") << QByteArray("+0") << QByteArray("GL_NONE");
    QTest::newRow("leading zeros") << QByteArray("0005126") << QByteArray("GL_FLOAT");
    QTest::newRow("trailing blank") << QByteArray("0 ") << QByteArray();
    QTest::newRow("trailing newline") << QByteArray("5126\n") << QByteArray();
    QTest::newRow("1") << QByteArray("1") << QByteArray("GL_MAP_READ_BIT");
    QTest::newRow("float") << QByteArray("5126") << QByteArray("GL_FLOAT");
    QTest::newRow("32768") << QByteArray("32768") << QByteArray("GL_COVERAGE_BUFFER_BIT_NV");
    QTest::newRow("invalid index") << QByteArray("4294967295") << QByteArray("GL_INVALID_INDEX");
    QTest::newRow("known, unnamed") << QByteArray("3") << QByteArray("");
    QTest::newRow("65536") << QByteArray("65536") << QByteArray("");
    QTest::newRow("2^31") << QByteArray("2147483648") << QByteArray("");
    QTest::newRow("-1") << QByteArray("-1") << QByteArray("");
    QTest::newRow("2") << QByteArray("2") << QByteArray("GL_MAP_WRITE_BIT");
    QTest::newRow("unknown number") << QByteArray("257") << QByteArray();
    QTest::newRow("hexadecimal") << QByteArray("0x1406") << QByteArray();
    QTest::newRow("name") << QByteArray("GL_FLOAT") << QByteArray();
    QTest::newRow("empty") << QByteArray("") << QByteArray();
    QTest::newRow("blanks") << QByteArray("   ") << QByteArray();
    QTest::newRow("minus") << QByteArray("-") << QByteArray();
    QTest::newRow("plus alone") << QByteArray("+") << QByteArray();
    QTest::newRow("two signs") << QByteArray("+-1") << QByteArray();
    QTest::newRow("blank after sign") << QByteArray("- 1") << QByteArray();
    QTest::newRow("decimal point") << QByteArray("5126.0") << QByteArray();
}

void TestEnumNames::numericText()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, name);
    auto argument = exactCopy(text.constData());
    const char* result = enumNameForNumericText(argument.get());
    if (name.isNull())
        QCOMPARE(static_cast<const void*>(result), static_cast<const void*>(argument.get()));
    else
        QCOMPARE(QByteArray(result), name);
}

void TestEnumNames::numericTextKnowsExactlyTheTableValues()
{
    // Every value that a name stands for is known, with glEnumName's text.
    for (const auto& entry : glvocab_tables::kEnumValues) {
        const std::string text = decimal(entry.value);
        const char* result = enumNameForNumericText(text.c_str());
        QVERIFY2(result != text.c_str(), text.c_str());
        QCOMPARE(result, glEnumName(entry.value));
    }
    // ... and nothing else: 1693 known values up to 0x9688, none beyond it
    // but the eighteen high ones.
    int known = 0;
    for (GLuint64 value = 0; value <= 0x20000; ++value) {
        const std::string text = decimal(value);
        if (enumNameForNumericText(text.c_str()) != text.c_str()) {
            QVERIFY(value <= lastDenseValue || highKnownValues().contains(value));
            ++known;
        }
    }
    QCOMPARE(known, 1693 + 2); // with 0x10000 and 0x20000
    for (GLuint64 value : highKnownValues()) {
        const std::string text = decimal(value);
        QVERIFY2(enumNameForNumericText(text.c_str()) != text.c_str(), text.c_str());
        const std::string next = decimal(value - 1);
        QVERIFY2(enumNameForNumericText(next.c_str()) == next.c_str(), next.c_str());
    }
    QVERIFY(enumNameForNumericText(nullptr) == nullptr);
}

void TestEnumNames::numericTextIsSigned64Bit_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("known");

    // A 32-bit long would clamp the first two to LONG_MAX and lose them.
    QTest::newRow("2^32 - 1") << QByteArray("4294967295") << true;
    QTest::newRow("minus 2^31") << QByteArray("-2147483648") << false;
    QTest::newRow("minus 2^32 - 1") << QByteArray("-4294967295") << false;
    QTest::newRow("all ones unsigned") << QByteArray("18446744073709551615") << false;
    QTest::newRow("INT64_MAX") << QByteArray("9223372036854775807") << false;
    QTest::newRow("INT64_MIN") << QByteArray("-9223372036854775808") << false;
    QTest::newRow("below INT64_MIN") << QByteArray("-9223372036854775809") << false;
    QTest::newRow("minus all ones") << QByteArray("-18446744073709551615") << false;
    QTest::newRow("minus all ones + 1") << QByteArray("-18446744073709551616") << false;
    QTest::newRow("huge") << QByteArray(400, '9') << false;
    QTest::newRow("huge negative") << QByteArray("-") + QByteArray(400, '9') << false;
    QTest::newRow("many zeros") << QByteArray(400, '0') + "5126" << true;
    QTest::newRow("minus one") << QByteArray("-1") << true;
    QTest::newRow("minus zero") << QByteArray("-0") << true;
    // 2^64 + 3 must not wrap round to the known value 3.
    QTest::newRow("2^64 + 3") << QByteArray("18446744073709551619") << false;
    QTest::newRow("10 * 2^62 + 3") << QByteArray("46116860184273879043") << false;
}

void TestEnumNames::numericTextIsSigned64Bit()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, known);
    const char* result = enumNameForNumericText(text.constData());
    QCOMPARE(result != text.constData(), known);
}

void TestEnumNames::formatSets()
{
    QCOMPARE(knownImageFormats.size(), std::size_t{95});
    QCOMPARE(knownShaderBinaryFormats.size(), std::size_t{6});
    for (const auto* set : {&knownImageFormats, &knownShaderBinaryFormats}) {
        for (GLuint64 value : *set) {
            const char* name = glEnumName(value);
            QVERIFY2(*name != '\0', QByteArray::number(value, 16).constData());
            QCOMPARE(glEnumValueFromName(name), value);
        }
    }
    QCOMPARE(glEnumName(*knownImageFormats.begin()), "GL_RGB");
    QCOMPARE(glEnumName(*knownImageFormats.rbegin()), "GL_COMPRESSED_SRGB_ALPHA_KOLTC_4BPPV2_TWX");
    QCOMPARE(glEnumName(*knownShaderBinaryFormats.begin()), "GL_NVIDIA_PLATFORM_BINARY_NV");
    QCOMPARE(glEnumName(*knownShaderBinaryFormats.rbegin()), "GL_GCCSO_SHADER_BINARY_FJ");
    // Two pixel types stand among the formats; two named KOLTC formats do not.
    QVERIFY(knownImageFormats.count(glEnumValueFromName("GL_UNSIGNED_INT_10F_11F_11F_REV")));
    QVERIFY(knownImageFormats.count(glEnumValueFromName("GL_UNSIGNED_INT_5_9_9_9_REV")));
    QVERIFY(!knownImageFormats.count(glEnumValueFromName("GL_COMPRESSED_RGBA_KOLTC_2BPPV2_TWX")));
    QVERIFY(!knownImageFormats.count(glEnumValueFromName("GL_COMPRESSED_RGBA_KOLTC_4BPPV2_TWX")));
    QCOMPARE(glEnumName(0x9137), "GL_COMPRESSED_RGBA_KOLTC_2BPPV2_TWX");
}

KOLZ_TEST_MAIN_CORE(TestEnumNames)
#include "tst_enumnames.moc"
