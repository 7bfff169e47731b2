#include "support/TestEnvironment.h"

#include "glvocab/EnumNames.h"
#include "models/EGLConfigTreeItem.h"
#include "models/ESTreeItem.h"

using models::EGLConfigTreeItem;
using models::ESCapabilityTreeItem;
using models::ESExtensionTreeItem;

class TestTreeItems : public QObject
{
    Q_OBJECT

private slots:
    void eglValues_data();
    void eglValues();
    void eglRowsAndEdits();
    void versionRows();
    void capabilityValues_data();
    void capabilityValues();
};

void TestTreeItems::eglValues_data()
{
    QTest::addColumn<int>("attribute");
    QTest::addColumn<QVariant>("text");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariant>("shown");
    auto row = [](const char* name, int attribute, QVariant text, QVariant stored, QVariant shown) {
        QTest::newRow(name) << attribute << text << stored << shown;
    };
    row("true", 0x3039, "EGL_TRUE", 1, "EGL_TRUE");
    row("false", 0x3042, "EGL_FALSE", 0, "EGL_FALSE");
    row("caveat as number text", 0x3027, "12344", "12344", "EGL_NONE");
    row("caveat no token", 0x3027, "12345", "12345", "12345");
    row("caveat don't care", 0x3027, -1, -1, "EGL_DONT_CARE");
    row("caveat slow", 0x3027, "EGL_SLOW_CONFIG", 0x3050, "EGL_SLOW_CONFIG");
    row("visual type rgb", 0x302F, "12370", "12370", "EGL_TRANSPARENT_RGB");
    row("rgb token stays text", 0x3034, "EGL_TRANSPARENT_RGB", "EGL_TRANSPARENT_RGB",
        "EGL_TRANSPARENT_RGB");
    row("size", 0x3024, "8", "8", "8");
    row("size from token", 0x3024, "EGL_TRUE", 1, 1);
    // A bit name is no number: it must not show as the token of a failed conversion (0).
    row("bit name on boolean", 0x3042, "EGL_OPENGL_ES2_BIT", "EGL_OPENGL_ES2_BIT",
        "EGL_OPENGL_ES2_BIT");
    row("word on caveat", 0x3027, "none", "none", "none");
}

void TestTreeItems::eglValues()
{
    QFETCH(int, attribute);
    QFETCH(QVariant, text);
    QFETCH(QVariant, stored);
    QFETCH(QVariant, shown);

    EGLConfigTreeItem config(1, QVariant(), nullptr);
    auto* item = new EGLConfigTreeItem(attribute, text, &config);
    config.appendChild(item);
    QCOMPARE(item->data(1, Qt::EditRole), stored);
    QCOMPARE(item->data(1, Qt::EditRole).typeId(), stored.typeId());
    QCOMPARE(item->data(1, Qt::DisplayRole), shown);
    // An editor's text goes through the same conversion.
    QVERIFY(item->setData(1, QVariant()) && item->setData(1, text));
    QCOMPARE(item->data(1, Qt::EditRole), stored);
}

void TestTreeItems::eglRowsAndEdits()
{
    EGLConfigTreeItem config(7, QVariant(), nullptr);
    QCOMPARE(config.data(0, Qt::DisplayRole), QVariant("Config 7"));
    QCOMPARE(config.columnCount(), 2);
    auto* item = new EGLConfigTreeItem(0x3024, "1", &config);
    config.appendChild(item);
    QCOMPARE(config.columnCount(), 1);
    QCOMPARE(item->data(0, Qt::DisplayRole), QVariant("EGL_RED_SIZE"));

    // The key arrives as decimal text; the shown value follows the new attribute.
    QVERIFY(item->setData(0, "12325"));
    QCOMPARE(item->data(0, Qt::EditRole), QVariant("12325"));
    QCOMPARE(item->data(0, Qt::DisplayRole), QVariant("EGL_DEPTH_SIZE"));
    QVERIFY(item->setData(0, 0x3042));
    QCOMPARE(item->data(1, Qt::DisplayRole), QVariant("EGL_TRUE"));
    QCOMPARE(item->data(0, Qt::ToolTipRole), QVariant());
    QVERIFY(config.setData(0, "twelve"));
    QCOMPARE(config.data(0, Qt::DisplayRole), QVariant("twelve"));
}

void TestTreeItems::versionRows()
{
    for (const auto& [version, name] :
         std::vector<std::pair<int, const char*>>{{1, "OpenGL ES 1.1"},
                                                  {20, "OpenGL ES 2.0"},
                                                  {3, "OpenGL ES 3.0"},
                                                  {31, "OpenGL ES 3.1"}}) {
        QCOMPARE(ESCapabilityTreeItem(version, QVariant(), nullptr).data(0, Qt::DisplayRole),
                 QVariant(name));
        QCOMPARE(ESExtensionTreeItem(version, nullptr).data(0, Qt::DisplayRole), QVariant(name));
    }
    QCOMPARE(ESCapabilityTreeItem(32, QVariant(), nullptr).data(0, Qt::DisplayRole), QVariant(32));

    // Below the top level an extension row shows its text, even one that reads as a version.
    ESExtensionTreeItem version(2, nullptr);
    version.appendChild(new ESExtensionTreeItem("20", &version));
    QCOMPARE(version.child(0)->data(0, Qt::DisplayRole), QVariant("20"));
}

void TestTreeItems::capabilityValues_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shownKey");
    QTest::addColumn<QString>("shownValue");
    const QString formats = "GL_COMPRESSED_TEXTURE_FORMATS";
    QTest::newRow("enum by number") << "compressed_texture_format"
                                    << "35840" << formats << QString(glEnumName(0x8C00));
    QTest::newRow("enum by name") << "implementation_color_read_format"
                                  << "GL_RGBA"
                                  << "GL_IMPLEMENTATION_COLOR_READ_FORMAT"
                                  << "GL_RGBA";
    QTest::newRow("name without prefix") << "implementation_color_read_type"
                                         << "UNSIGNED_BYTE"
                                         << "GL_IMPLEMENTATION_COLOR_READ_TYPE"
                                         << "UNSIGNED_BYTE";
    QTest::newRow("number without name") << "compressed_texture_format"
                                         << "99999999" << formats << "99999999";
    QTest::newRow("count") << "max_texture_size"
                           << "5121"
                           << "GL_MAX_TEXTURE_SIZE"
                           << "5121";
    QTest::newRow("sub-key") << "min"
                             << "1"
                             << "min"
                             << "1";
    QTest::newRow("unknown limit") << "max_texture_image_units"
                                   << "16"
                                   << "max_texture_image_units"
                                   << "16";
}

void TestTreeItems::capabilityValues()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, shownKey);
    QFETCH(QString, shownValue);
    QVERIFY(!shownValue.isEmpty());

    ESCapabilityTreeItem version(2, QVariant(), nullptr);
    auto* item = new ESCapabilityTreeItem(key, value, &version);
    version.appendChild(item);
    QCOMPARE(item->data(0, Qt::DisplayRole).toString(), shownKey);
    QCOMPARE(item->data(1, Qt::DisplayRole).toString(), shownValue);
    QCOMPARE(item->data(1, Qt::EditRole), QVariant(value));
}

KOLZ_TEST_MAIN_CORE(TestTreeItems)
#include "tst_treeitems.moc"
