#include "support/TestEnvironment.h"

#include "glvocab/Formats.h"
#include "widgets/EGLSelectors.h"
#include "widgets/ESSelectors.h"
#include "widgets/FormatSelectors.h"

#include <QAbstractItemView>
#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>

namespace {

QStringList itemTexts(const QComboBox& box)
{
    QStringList texts;
    for (int i = 0; i < box.count(); ++i)
        texts << box.itemText(i);
    return texts;
}

// What the popup shows for each item, through the popup's own delegate.
QStringList popupTexts(const QComboBox& box)
{
    QStringList texts;
    auto* delegate = qobject_cast<QStyledItemDelegate*>(box.itemDelegate());
    for (int i = 0; i < box.count(); ++i)
        texts << (delegate ? delegate->displayText(box.itemText(i), QLocale()) : box.itemText(i));
    return texts;
}

QStringList shownTexts(const widgets::GenericValueSelector& box)
{
    QStringList texts;
    for (int i = 0; i < box.count(); ++i)
        texts << box.displayText(box.itemText(i));
    return texts;
}

bool isSeparator(const QComboBox& box, int i)
{
    return box.itemData(i, Qt::AccessibleDescriptionRole).toString() == "separator";
}

} // namespace

class TestValueSelectors : public QObject
{
    Q_OBJECT

private slots:
    void itemsStartWithCurrentAndSeparator();
    void eglEnumSelectorsOfferTheOtherConstants();
    void attributeAndApiSelectorsShowNames();
    void capabilityAndExtensionSelectors();
    void formatSelectorsListByName();
    void formatsWithoutANameShowTheirNumber();
    void configIdEditorKeepsLargeIds();
    void separatorIsDrawnAsALine();
    void closedBoxShowsTheName();
};

void TestValueSelectors::itemsStartWithCurrentAndSeparator()
{
    widgets::EGLAttribSelector empty(nullptr, 0x3024, {});
    QCOMPARE(itemTexts(empty), QStringList({"12324", ""}));
    QVERIFY(isSeparator(empty, 1));

    // Nothing is merged: an offered text equal to the current one is listed twice.
    widgets::ESExtensionSelector twice(nullptr, "GL_OES_depth24", {"GL_A", "GL_OES_depth24"});
    QCOMPARE(itemTexts(twice), QStringList({"GL_OES_depth24", "", "GL_A", "GL_OES_depth24"}));
    QVERIFY(isSeparator(twice, 1));
    QCOMPARE(twice.currentIndex(), 0);
}

void TestValueSelectors::eglEnumSelectorsOfferTheOtherConstants()
{
    const QString separator;
    widgets::EGLTrueFalseSelector onTrue(nullptr, 1);
    QCOMPARE(popupTexts(onTrue), QStringList({"EGL_TRUE", separator, "EGL_FALSE"}));
    QCOMPARE(itemTexts(onTrue), QStringList({"1", "", "0"}));
    widgets::EGLTrueFalseSelector onDontCare(nullptr, -1);
    QCOMPARE(popupTexts(onDontCare), QStringList({"EGL_DONT_CARE", separator, "EGL_TRUE"}));

    widgets::EGLConfigCaveatSelector caveatNone(nullptr, 0x3038);
    QCOMPARE(shownTexts(caveatNone), QStringList({"EGL_NONE", separator, "EGL_DONT_CARE",
                                                  "EGL_SLOW_CONFIG", "EGL_NON_CONFORMANT_CONFIG"}));
    widgets::EGLConfigCaveatSelector caveatOther(nullptr, 5);
    QCOMPARE(itemTexts(caveatOther), QStringList({"5", "", "-1", "12344", "12368", "12369"}));
    QCOMPARE(caveatOther.displayText("5"), QString("5"));

    widgets::EGLTransparentTypeSelector rgb(nullptr, 0x3052);
    QCOMPARE(shownTexts(rgb), QStringList({"EGL_TRANSPARENT_RGB", separator, "EGL_NONE"}));
    widgets::EGLTransparentTypeSelector neither(nullptr, 7);
    QCOMPARE(itemTexts(neither), QStringList({"7", "", "12344", "12370"}));

    QCOMPARE(onTrue.displayText("007"), QString("7"));
    QCOMPARE(onTrue.displayText("abc"), QString("abc"));
    QCOMPARE(widgets::eglEnumName(0x3051), QString("EGL_NON_CONFORMANT_CONFIG"));
    QCOMPARE(widgets::eglEnumName(0x3053), QString("12371"));
}

void TestValueSelectors::attributeAndApiSelectorsShowNames()
{
    widgets::EGLAttribSelector attribs(nullptr, 0x3025, {0x3024, 0x3021});
    QCOMPARE(itemTexts(attribs), QStringList({"12325", "", "12321", "12324"}));
    QCOMPARE(shownTexts(attribs),
             QStringList({"EGL_DEPTH_SIZE", "", "EGL_ALPHA_SIZE", "EGL_RED_SIZE"}));
    QCOMPARE(popupTexts(attribs), shownTexts(attribs));
    QCOMPARE(attribs.displayText("99999999999"), QString("99999999999"));

    std::set<esapi::API> all;
    forEachAPI([&](const esapi::API& api) { all.insert(api); });
    widgets::ESAPISelector apis(nullptr, 20, all);
    QCOMPARE(itemTexts(apis), QStringList({"20", "", "1", "2", "3", "31"}));
    QCOMPARE(popupTexts(apis), QStringList({"OpenGL ES 2.0", "", "OpenGL ES 1.1", "OpenGL ES 2.0",
                                            "OpenGL ES 3.0", "OpenGL ES 3.1"}));
    QCOMPARE(apis.displayText("32"), QString("32"));
}

void TestValueSelectors::capabilityAndExtensionSelectors()
{
    widgets::ESCapabilitySelector caps(nullptr, "max_texture_size",
                                       {"samples", "max_lights", "not_a_limit"});
    QCOMPARE(itemTexts(caps),
             QStringList({"max_texture_size", "", "max_lights", "not_a_limit", "samples"}));
    QCOMPARE(popupTexts(caps), QStringList({"GL_MAX_TEXTURE_SIZE", "", "GL_MAX_LIGHTS",
                                            "not_a_limit", "GL_SAMPLES"}));
    QCOMPARE(caps.displayText("min"), QString("min"));

    // Extension names are shown as stored; Qt's own popup delegate serves them.
    widgets::ESExtensionSelector exts(nullptr, "GL_OES_depth24", {"GL_b", "GL_A"});
    QCOMPARE(shownTexts(exts), QStringList({"GL_OES_depth24", "", "GL_b", "GL_A"}));
    QVERIFY(!dynamic_cast<widgets::GenericValueSelectorItemDelegate*>(exts.itemDelegate()));
}

void TestValueSelectors::formatSelectorsListByName()
{
    widgets::ImageFormatSelector images(nullptr, 0x8C00);
    QCOMPARE(images.count(), int(knownImageFormats.size()) + 2);
    QCOMPARE(images.itemText(0), QString("35840"));
    const QStringList shown = popupTexts(images).mid(2);
    QStringList sorted = shown;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
    QCOMPARE(shown, sorted);
    // The current format is listed again at its sorted place.
    QCOMPARE(itemTexts(images).count("35840"), 2);
    QCOMPARE(images.displayText("35840"), QString::fromUtf8(glEnumName(0x8C00)));

    widgets::ShaderBinaryFormatSelector binaries(nullptr, 0x8C0A);
    QCOMPARE(binaries.count(), int(knownShaderBinaryFormats.size()) + 2);
    for (int i = 2; i < binaries.count(); ++i)
        QVERIFY(knownShaderBinaryFormats.count(binaries.itemText(i).toULongLong()));
}

void TestValueSelectors::formatsWithoutANameShowTheirNumber()
{
    // 74565 (0x12345) has no GL name; neither the closed box nor the popup may show an empty text.
    QCOMPARE(QString(glEnumName(74565)), QString());
    widgets::ImageFormatSelector images(nullptr, 74565);
    QCOMPARE(images.displayText("74565"), QString("74565"));
    QCOMPARE(popupTexts(images).at(0), QString("74565"));
    widgets::ShaderBinaryFormatSelector binaries(nullptr, 74565);
    QCOMPARE(binaries.displayText("74565"), QString("74565"));
    QCOMPARE(popupTexts(binaries).at(0), QString("74565"));
    QCOMPARE(images.displayText("GL_RGBA"), QString("GL_RGBA"));
}

void TestValueSelectors::configIdEditorKeepsLargeIds()
{
    widgets::EGLConfigIDSelector id(nullptr, 0);
    QCOMPARE(id.prefix(), QString("Config "));
    id.setValue(4711);
    QCOMPARE(id.value(), 4711);
    widgets::EGLConfigIDSelector negative(nullptr, -3);
    QCOMPARE(negative.value(), -3);
}

void TestValueSelectors::separatorIsDrawnAsALine()
{
    widgets::EGLTrueFalseSelector box(nullptr, 1);
    QAbstractItemView* popup = box.view();
    QStyleOptionViewItem option;
    option.initFrom(popup);
    option.rect = QRect(0, 0, 60, 9);
    QImage image(60, 9, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        box.itemDelegate()->paint(&painter, option, box.model()->index(1, 0));
    }
    const QRgb dark = option.palette.color(QPalette::Active, QPalette::Dark).rgba();
    for (int x = 0; x < 60; ++x)
        QCOMPARE(image.pixel(x, 4), dark);
    QCOMPARE(image.pixel(30, 1) == dark, false);
}

void TestValueSelectors::closedBoxShowsTheName()
{
    // The closed box draws the readable name, as a plain combo box holding that name would.
    widgets::EGLAttribSelector selector(nullptr, 0x3024, {});
    QComboBox plain;
    plain.addItem("EGL_RED_SIZE");
    selector.resize(200, 30);
    plain.resize(200, 30);
    QCOMPARE(selector.grab().toImage(), plain.grab().toImage());
    QComboBox raw;
    raw.addItem("12324");
    raw.resize(200, 30);
    QVERIFY(selector.grab().toImage() != raw.grab().toImage());
}

KOLZ_TEST_MAIN_WIDGETS(TestValueSelectors)
#include "tst_valueselectors.moc"
