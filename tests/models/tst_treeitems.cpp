#include "support/TestEnvironment.h"

#include "glvocab/EnumNames.h"
#include "models/EGLConfigTreeItem.h"
#include "models/ESTreeItem.h"

#include <QTest>

#include <memory>

using models::EGLConfigTreeItem;
using models::ESCapabilityTreeItem;
using models::ESExtensionTreeItem;

class TestTreeItems : public QObject
{
    Q_OBJECT

private slots:
    void eglTokensAreStoredAsNumbersAndShownByName_data();
    void eglTokensAreStoredAsNumbersAndShownByName();
    void eglValuesThatAreNoIntegersShowAsStored();
    void eglKeyEdits();
    void eglConfigurationRows();
    void apiRows();
    void capabilityKeys();
    void capabilityValues_data();
    void capabilityValues();
    void unsupportedRolesAndColumns();
};

namespace {

// A configuration row with one attribute row below it, as the tree builds them.
struct EGLRow
{
    std::unique_ptr<EGLConfigTreeItem> config;
    EGLConfigTreeItem* attribute;

    EGLRow(int key, const QVariant& value)
        : config(std::make_unique<EGLConfigTreeItem>(1, QVariant(), nullptr)),
          attribute(new EGLConfigTreeItem(key, value, config.get()))
    {
        config->appendChild(attribute);
    }
};

struct CapabilityRow
{
    std::unique_ptr<ESCapabilityTreeItem> version;
    ESCapabilityTreeItem* item;

    CapabilityRow(const QString& key, const QVariant& value)
        : version(std::make_unique<ESCapabilityTreeItem>(2, QVariant(), nullptr)),
          item(new ESCapabilityTreeItem(key, value, version.get()))
    {
        version->appendChild(item);
    }
};

} // namespace

void TestTreeItems::eglTokensAreStoredAsNumbersAndShownByName_data()
{
    QTest::addColumn<int>("attribute");
    QTest::addColumn<QVariant>("built");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("shown");

    QTest::newRow("true") << 0x3039 << QVariant("EGL_TRUE") << QVariant(1) << QVariant("EGL_TRUE");
    QTest::newRow("false") << 0x303A << QVariant("EGL_FALSE") << QVariant(0)
                           << QVariant("EGL_FALSE");
    QTest::newRow("conformant 1") << 0x3042 << QVariant("1") << QVariant("1")
                                  << QVariant("EGL_TRUE");
    QTest::newRow("caveat none as text")
        << 0x3027 << QVariant("12344") << QVariant("12344") << QVariant("EGL_NONE");
    QTest::newRow("caveat none as token")
        << 0x3027 << QVariant("EGL_NONE") << QVariant(0x3038) << QVariant("EGL_NONE");
    QTest::newRow("caveat other number")
        << 0x3027 << QVariant("12345") << QVariant("12345") << QVariant("12345");
    QTest::newRow("caveat don't care")
        << 0x3027 << QVariant(-1) << QVariant(-1) << QVariant("EGL_DONT_CARE");
    QTest::newRow("caveat slow") << 0x3027 << QVariant("EGL_SLOW_CONFIG") << QVariant(0x3050)
                                 << QVariant("EGL_SLOW_CONFIG");
    QTest::newRow("caveat non-conformant")
        << 0x3027 << QVariant("EGL_NON_CONFORMANT_CONFIG") << QVariant(0x3051)
        << QVariant("EGL_NON_CONFORMANT_CONFIG");
    QTest::newRow("visual type rgb number")
        << 0x302F << QVariant(0x3052) << QVariant(0x3052) << QVariant("EGL_TRANSPARENT_RGB");
    QTest::newRow("transparent type rgb text")
        << 0x3034 << QVariant("12370") << QVariant("12370") << QVariant("EGL_TRANSPARENT_RGB");
    // EGL_TRANSPARENT_RGB is no stored token: it stays a text (and is shown as that text).
    QTest::newRow("rgb token stays text")
        << 0x3034 << QVariant("EGL_TRANSPARENT_RGB") << QVariant("EGL_TRANSPARENT_RGB")
        << QVariant("EGL_TRANSPARENT_RGB");
    QTest::newRow("plain size") << 0x3024 << QVariant("8") << QVariant("8") << QVariant("8");
    // Sizes have no token names: a stored 1 from "EGL_TRUE" is shown as the number.
    QTest::newRow("size from token")
        << 0x3024 << QVariant("EGL_TRUE") << QVariant(1) << QVariant(1);
}

void TestTreeItems::eglTokensAreStoredAsNumbersAndShownByName()
{
    QFETCH(int, attribute);
    QFETCH(QVariant, built);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, shown);

    EGLRow row(attribute, built);
    const QVariant edit = row.attribute->data(1, Qt::EditRole);
    QCOMPARE(edit, stored);
    QCOMPARE(edit.typeId(), stored.typeId());
    QCOMPARE(row.attribute->data(1, Qt::DisplayRole), shown);

    // Editors write texts back through column 1; the same conversion applies.
    EGLRow edited(attribute, QVariant());
    QVERIFY(edited.attribute->setData(1, built));
    QCOMPARE(edited.attribute->data(1, Qt::EditRole), stored);
}

void TestTreeItems::eglValuesThatAreNoIntegersShowAsStored()
{
    // Profiles put bit names into conformant; the failed number conversion (0) must not
    // turn them into "EGL_FALSE".
    for (int attribute : {0x3042, 0x3027, 0x302F, 0x3034, 0x3039}) {
        EGLRow row(attribute, "EGL_OPENGL_ES2_BIT");
        QCOMPARE(row.attribute->data(1, Qt::DisplayRole), QVariant("EGL_OPENGL_ES2_BIT"));
        QCOMPARE(row.attribute->data(1, Qt::EditRole), QVariant("EGL_OPENGL_ES2_BIT"));
    }
    for (const char* text : {"", " ", "0x3038", "12344abc", "1.0", "99999999999999999999"}) {
        EGLRow row(0x3027, text);
        QCOMPARE(row.attribute->data(1, Qt::DisplayRole), QVariant(text));
    }
    EGLRow surface(0x3033, "EGL_WINDOW_BIT");
    QCOMPARE(surface.attribute->data(0, Qt::DisplayRole), QVariant("EGL_SURFACE_TYPE"));
    QCOMPARE(surface.attribute->data(1, Qt::DisplayRole), QVariant("EGL_WINDOW_BIT"));

    // A key outside the table shows key and value as stored.
    EGLRow unknown(0x3038, "12344");
    QCOMPARE(unknown.attribute->data(0, Qt::DisplayRole), QVariant(0x3038));
    QCOMPARE(unknown.attribute->data(1, Qt::DisplayRole), QVariant("12344"));
}

void TestTreeItems::eglKeyEdits()
{
    EGLRow row(0x3024, "8");
    QCOMPARE(row.attribute->data(0, Qt::DisplayRole), QVariant("EGL_RED_SIZE"));
    QVERIFY(row.attribute->setData(0, QVariant("12325")));
    QCOMPARE(row.attribute->data(0, Qt::EditRole), QVariant("12325"));
    QCOMPARE(row.attribute->data(0, Qt::DisplayRole), QVariant("EGL_DEPTH_SIZE"));

    // The shown value follows the new key: 1 is a boolean only for boolean attributes.
    QVERIFY(row.attribute->setData(1, QVariant(1)));
    QCOMPARE(row.attribute->data(1, Qt::DisplayRole), QVariant(1));
    QVERIFY(row.attribute->setData(0, QVariant(0x3042)));
    QCOMPARE(row.attribute->data(1, Qt::DisplayRole), QVariant("EGL_TRUE"));

    QVERIFY(!row.attribute->setData(2, QVariant(1)));
    QVERIFY(!row.attribute->setData(-1, QVariant(1)));
}

void TestTreeItems::eglConfigurationRows()
{
    EGLConfigTreeItem config(7, QVariant(), nullptr);
    QCOMPARE(config.data(0, Qt::DisplayRole), QVariant("Config 7"));
    QCOMPARE(config.data(0, Qt::EditRole), QVariant(7));
    QCOMPARE(config.columnCount(), 2);
    QCOMPARE(config.data(1, Qt::EditRole), QVariant());

    QVERIFY(config.setData(0, QVariant("12")));
    QCOMPARE(config.data(0, Qt::DisplayRole), QVariant("Config 12"));
    QVERIFY(config.setData(0, QVariant("twelve")));
    QCOMPARE(config.data(0, Qt::DisplayRole), QVariant("twelve"));
    QVERIFY(config.setData(0, QVariant("")));
    QCOMPARE(config.data(0, Qt::DisplayRole), QVariant(""));

    config.appendChild(new EGLConfigTreeItem(0x3024, "8", &config));
    QCOMPARE(config.columnCount(), 1);
    QCOMPARE(config.childCount(), 1);
    QCOMPARE(config.child(0)->parentItem(), &config);
}

void TestTreeItems::apiRows()
{
    const std::pair<int, const char*> known[] = {
        {1, "OpenGL ES 1.1"}, {11, "OpenGL ES 1.1"}, {2, "OpenGL ES 2.0"}, {20, "OpenGL ES 2.0"},
        {3, "OpenGL ES 3.0"}, {30, "OpenGL ES 3.0"}, {31, "OpenGL ES 3.1"}};
    for (const auto& [version, name] : known) {
        ESCapabilityTreeItem capability(version, QVariant(), nullptr);
        ESExtensionTreeItem extension(version, nullptr);
        QCOMPARE(capability.data(0, Qt::DisplayRole), QVariant(name));
        QCOMPARE(extension.data(0, Qt::DisplayRole), QVariant(name));
        QCOMPARE(capability.data(0, Qt::EditRole), QVariant(version));
        QCOMPARE(extension.data(0, Qt::EditRole), QVariant(version));
    }
    ESCapabilityTreeItem unknown(32, QVariant(), nullptr);
    QCOMPARE(unknown.data(0, Qt::DisplayRole).toString(), QString("32"));
    ESExtensionTreeItem text(QVariant("two"), nullptr);
    QCOMPARE(text.data(0, Qt::DisplayRole), QVariant("two"));

    // Below the top level an extension row shows its name, even one that reads as a version.
    ESExtensionTreeItem version(2, nullptr);
    version.appendChild(new ESExtensionTreeItem(QVariant("20"), &version));
    version.appendChild(new ESExtensionTreeItem(QVariant("GL_OES_depth24"), &version));
    QCOMPARE(version.child(0)->data(0, Qt::DisplayRole), QVariant("20"));
    QCOMPARE(version.child(1)->data(0, Qt::DisplayRole), QVariant("GL_OES_depth24"));
    QCOMPARE(version.columnCount(), 1);
    QCOMPARE(version.child(0)->columnCount(), 1);
}

void TestTreeItems::capabilityKeys()
{
    CapabilityRow limit("max_texture_size", "4096");
    QCOMPARE(limit.item->data(0, Qt::DisplayRole), QVariant("GL_MAX_TEXTURE_SIZE"));
    QCOMPARE(limit.item->data(0, Qt::EditRole), QVariant("max_texture_size"));
    QCOMPARE(limit.item->data(1, Qt::DisplayRole), QVariant("4096"));

    CapabilityRow format("compressed_texture_format", "35840");
    QCOMPARE(format.item->data(0, Qt::DisplayRole), QVariant("GL_COMPRESSED_TEXTURE_FORMATS"));

    CapabilityRow subKey("min", "1");
    QCOMPARE(subKey.item->data(0, Qt::DisplayRole), QVariant("min"));

    // Names outside the key table (the built-in profiles use some) show as stored.
    CapabilityRow unknown("max_texture_image_units", "16");
    QCOMPARE(unknown.item->data(0, Qt::DisplayRole), QVariant("max_texture_image_units"));
    QCOMPARE(unknown.item->data(1, Qt::DisplayRole), QVariant("16"));

    QVERIFY(limit.item->setData(0, QVariant("max_lights")));
    QCOMPARE(limit.item->data(0, Qt::DisplayRole), QVariant("GL_MAX_LIGHTS"));
    QVERIFY(limit.item->setData(1, QVariant("8")));
    QCOMPARE(limit.item->data(1, Qt::EditRole), QVariant("8"));
    QVERIFY(!limit.item->setData(2, QVariant("8")));
}

void TestTreeItems::capabilityValues_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");

    QTest::newRow("format by number") << "compressed_texture_format"
                                      << "35840" << QString::fromUtf8(glEnumName(0x8C00));
    QTest::newRow("read type by number") << "implementation_color_read_type"
                                         << "5121" << QString::fromUtf8(glEnumName(0x1401));
    QTest::newRow("read format by name") << "implementation_color_read_format"
                                         << "GL_RGBA"
                                         << "GL_RGBA";
    QTest::newRow("name without prefix") << "implementation_color_read_type"
                                         << "UNSIGNED_BYTE"
                                         << "UNSIGNED_BYTE";
    QTest::newRow("binary format unknown number") << "shader_binary_format"
                                                  << "99999999"
                                                  << "99999999";
    QTest::newRow("number with text after") << "compressed_texture_format"
                                            << "35840x"
                                            << "35840x";
    QTest::newRow("empty") << "compressed_texture_format"
                           << ""
                           << "";
    // Counts are numbers even when the number happens to be an enum value.
    QTest::newRow("count that is an enum value") << "max_texture_size"
                                                 << "5121"
                                                 << "5121";
}

void TestTreeItems::capabilityValues()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QVERIFY(!shown.isEmpty() || value.isEmpty());

    CapabilityRow row(key, value);
    QCOMPARE(row.item->data(1, Qt::DisplayRole).toString(), shown);
    QCOMPARE(row.item->data(1, Qt::EditRole), QVariant(value));
}

void TestTreeItems::unsupportedRolesAndColumns()
{
    EGLRow egl(0x3024, "8");
    CapabilityRow capability("max_lights", "8");
    ESExtensionTreeItem extension(QVariant("GL_OES_depth24"), nullptr);
    for (const models::ProfileTreeItem* item :
         {static_cast<const models::ProfileTreeItem*>(egl.attribute),
          static_cast<const models::ProfileTreeItem*>(capability.item),
          static_cast<const models::ProfileTreeItem*>(&extension)}) {
        QCOMPARE(item->data(0, Qt::ToolTipRole), QVariant());
        QCOMPARE(item->data(0, Qt::FontRole), QVariant());
        QCOMPARE(item->data(2, Qt::DisplayRole), QVariant());
        QCOMPARE(item->data(-1, Qt::EditRole), QVariant());
    }
    QCOMPARE(extension.data(1, Qt::DisplayRole), QVariant());
    QCOMPARE(extension.data(1, Qt::EditRole), QVariant());
    QVERIFY(!extension.setData(1, QVariant("x")));
    QCOMPARE(extension.data(0, Qt::EditRole), QVariant("GL_OES_depth24"));
}

KOLZ_TEST_MAIN_CORE(TestTreeItems)
#include "tst_treeitems.moc"
