#include "support/TestEnvironment.h"

#include "glvocab/Formats.h"
#include "widgets/EGLSelectors.h"
#include "widgets/ESSelectors.h"
#include "widgets/FormatSelectors.h"

#include <QAbstractItemView>
#include <QPainter>

namespace {

// Item texts and, after a bar, what the popup shows for each item.
QString listing(const QComboBox& box)
{
    QStringList stored, shown;
    auto* delegate = qobject_cast<QStyledItemDelegate*>(box.itemDelegate());
    for (int i = 0; i < box.count(); ++i) {
        stored << box.itemText(i);
        shown << (delegate ? delegate->displayText(box.itemText(i), QLocale()) : box.itemText(i));
    }
    return stored.join(' ') + " | " + shown.join(' ');
}

} // namespace

class TestValueSelectors : public QObject
{
    Q_OBJECT

private slots:
    void itemListsAndShownTexts();
    void formatSelectors();
    void separatorAndClosedBoxAreDrawn();
};

void TestValueSelectors::itemListsAndShownTexts()
{
    // Current value, separator, offered values; nothing merged, so a current value that is
    // offered as well is listed twice. Values without a name are shown by their number.
    QCOMPARE(listing(widgets::EGLAttribSelector(nullptr, 0x3025, {0x3024, 0x3021})),
             "12325  12321 12324 | EGL_DEPTH_SIZE  EGL_ALPHA_SIZE EGL_RED_SIZE");
    QCOMPARE(listing(widgets::EGLTrueFalseSelector(nullptr, -1)),
             "-1  1 | EGL_DONT_CARE  EGL_TRUE");
    QCOMPARE(listing(widgets::EGLConfigCaveatSelector(nullptr, 5)),
             "5  -1 12344 12368 12369 | 5  EGL_DONT_CARE EGL_NONE EGL_SLOW_CONFIG "
             "EGL_NON_CONFORMANT_CONFIG");
    QCOMPARE(listing(widgets::EGLTransparentTypeSelector(nullptr, 7)),
             "7  12344 12370 | 7  EGL_NONE EGL_TRANSPARENT_RGB");
    std::set<esapi::API> all;
    forEachAPI([&](const esapi::API& api) { all.insert(api); });
    QCOMPARE(
        listing(widgets::ESAPISelector(nullptr, 20, all)),
        "20  1 2 3 31 | OpenGL ES 2.0  OpenGL ES 1.1 OpenGL ES 2.0 OpenGL ES 3.0 OpenGL ES 3.1");
    QCOMPARE(listing(widgets::ESCapabilitySelector(nullptr, "min", {"samples", "max_lights", "x"})),
             "min  max_lights samples x | min  GL_MAX_LIGHTS GL_SAMPLES x");
    QCOMPARE(listing(widgets::ESExtensionSelector(nullptr, "GL_b", {"GL_c", "GL_b"})),
             "GL_b  GL_c GL_b | GL_b  GL_c GL_b");
    QCOMPARE(widgets::EGLTrueFalseSelector(nullptr, 1).displayText("007"), "7");
    QCOMPARE(widgets::eglEnumName(0x3053), "12371");

    // The id editor holds any id a profile can have, not only 0 to 99.
    widgets::EGLConfigIDSelector id(nullptr, 4711);
    QCOMPARE(id.prefix() + QString::number(id.value()), "Config 4711");
}

void TestValueSelectors::formatSelectors()
{
    // Sorted by name after the current value; a format without a GL name shows its number.
    widgets::ImageFormatSelector images(nullptr, 0x8C00);
    QCOMPARE(images.count(), int(knownImageFormats.size()) + 2);
    const QStringList shown = listing(images).split(" | ").last().split(' ').mid(2);
    QVERIFY(std::is_sorted(shown.begin(), shown.end(), [](const QString& a, const QString& b) {
        return a.toUtf8() < b.toUtf8();
    }));
    QCOMPARE(images.displayText("GL_RGBA"), "GL_RGBA");
    QCOMPARE(QString(glEnumName(0x12345)), QString());
    widgets::ShaderBinaryFormatSelector binaries(nullptr, 0x12345);
    QCOMPARE(binaries.count(), int(knownShaderBinaryFormats.size()) + 2);
    QCOMPARE(listing(binaries).section(" | ", 1).section(' ', 0, 0), "74565");
    QCOMPARE(images.displayText("74565"), "74565");
}

void TestValueSelectors::separatorAndClosedBoxAreDrawn()
{
    widgets::EGLTrueFalseSelector box(nullptr, 1);
    QStyleOptionViewItem option;
    option.initFrom(box.view());
    option.rect = QRect(0, 0, 60, 9);
    QImage image(60, 9, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    box.itemDelegate()->paint(&painter, option, box.model()->index(1, 0));
    painter.end();
    const QRgb dark = option.palette.color(QPalette::Active, QPalette::Dark).rgba();
    for (int x = 0; x < 60; ++x)
        QCOMPARE(image.pixel(x, 4), dark);
    QVERIFY(image.pixel(30, 1) != dark);

    // The closed box draws the name, as a plain combo box holding that name does.
    widgets::EGLAttribSelector selector(nullptr, 0x3024, {});
    QComboBox plain, raw;
    plain.addItem("EGL_RED_SIZE");
    raw.addItem("12324");
    for (QComboBox* b : {static_cast<QComboBox*>(&selector), &plain, &raw})
        b->resize(200, 30);
    QCOMPARE(selector.grab().toImage(), plain.grab().toImage());
    QVERIFY(selector.grab().toImage() != raw.grab().toImage());
}

KOLZ_TEST_MAIN_WIDGETS(TestValueSelectors)
#include "tst_valueselectors.moc"
