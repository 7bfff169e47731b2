#include "support/TestEnvironment.h"

#include "common_gui/DarkTheme.h"

#include <QCheckBox>
#include <QFile>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

struct PaletteRow
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    QColor colour;
};

} // namespace

// The dark palette, the font and style sheet it installs on an application, and disabled icons.
class TestDarkTheme : public QObject
{
    Q_OBJECT

private slots:
    void paletteFollowsTheTable();
    void installingAndRemovingRestoresTheFont();
    void disabledIconsTurnFlatGreyKeepingAlpha();
};

void TestDarkTheme::paletteFollowsTheTable()
{
    DarkTheme theme;
    QPalette palette;
    theme.polish(palette);

    const QColor white(255, 255, 255);
    const QColor grey(127, 127, 127);
    const QList<PaletteRow> rows = {
        {QPalette::All, QPalette::Window, QColor(53, 53, 53)},
        {QPalette::Active, QPalette::WindowText, white},
        {QPalette::Disabled, QPalette::WindowText, grey},
        {QPalette::All, QPalette::Base, QColor(42, 42, 42)},
        {QPalette::All, QPalette::AlternateBase, QColor(66, 66, 66)},
        {QPalette::All, QPalette::ToolTipBase, white},
        {QPalette::All, QPalette::ToolTipText, QColor(53, 53, 53)},
        {QPalette::Inactive, QPalette::Text, white},
        {QPalette::Disabled, QPalette::Text, grey},
        {QPalette::All, QPalette::Dark, QColor(35, 35, 35)},
        {QPalette::All, QPalette::Shadow, QColor(20, 20, 20)},
        {QPalette::All, QPalette::Button, QColor(53, 53, 53)},
        {QPalette::Active, QPalette::ButtonText, white},
        {QPalette::Disabled, QPalette::ButtonText, grey},
        {QPalette::All, QPalette::BrightText, QColor(255, 0, 0)},
        {QPalette::All, QPalette::Link, QColor(42, 130, 218)},
        {QPalette::Active, QPalette::Highlight, QColor(42, 130, 218)},
        {QPalette::Disabled, QPalette::Highlight, QColor(80, 80, 80)},
        {QPalette::Inactive, QPalette::HighlightedText, white},
        {QPalette::Disabled, QPalette::HighlightedText, grey},
        {QPalette::All, QPalette::PlaceholderText, grey},
    };
    for (const PaletteRow& row : rows) {
        const QList<QPalette::ColorGroup> groups =
            row.group == QPalette::All
                ? QList<QPalette::ColorGroup>{QPalette::Active, QPalette::Inactive,
                                              QPalette::Disabled}
                : QList<QPalette::ColorGroup>{row.group};
        for (const QPalette::ColorGroup group : groups) {
            const QBrush brush = palette.brush(group, row.role);
            QCOMPARE(brush.style(), Qt::SolidPattern);
            QCOMPARE(brush.color(), row.colour);
        }
    }
}

void TestDarkTheme::installingAndRemovingRestoresTheFont()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const qreal original = QApplication::font().pointSizeF();
    QVERIFY(original > 0);
    QVERIFY(qApp->styleSheet().isEmpty());

    QApplication::setStyle(new DarkTheme);
    QCOMPARE(QApplication::font().pointSizeF(), original + 1);
    // The style sheet is the kit's, read whole.
    QFile sheet(QStringLiteral(":/CommonGUIElements/darkTheme_style"));
    QVERIFY(sheet.open(QIODevice::ReadOnly));
    QCOMPARE(qApp->styleSheet(), QString::fromLatin1(sheet.readAll()));
    QVERIFY(qApp->styleSheet().size() > 5000);
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(53, 53, 53));

    // A checked box shows the sheet's indicator, filled with the highlight blue.
    QCheckBox box(QStringLiteral("Check"));
    box.setChecked(true);
    const QImage boxImage = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int blue = 0;
    for (int y = 0; y < boxImage.height(); ++y) {
        for (int x = 0; x < boxImage.width(); ++x)
            blue += boxImage.pixelColor(x, y) == QColor(42, 130, 218) ? 1 : 0;
    }
    QVERIFY2(blue > 50, qPrintable(QString::number(blue)));

    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QCOMPARE(QApplication::font().pointSizeF(), original);

    // Twice over, from a given base style.
    QApplication::setStyle(new DarkTheme(QStyleFactory::create(QStringLiteral("Windows"))));
    QCOMPARE(QApplication::font().pointSizeF(), original + 1);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QCOMPARE(QApplication::font().pointSizeF(), original);
}

void TestDarkTheme::disabledIconsTurnFlatGreyKeepingAlpha()
{
    // A red disc on a transparent square, its edge half covered.
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(220, 30, 30));
        painter.drawEllipse(QRectF(2, 2, 12, 12));
    }
    const QPixmap source = QPixmap::fromImage(image);

    DarkTheme theme;
    QStyleOption option;
    const QImage grey = theme.generatedIconPixmap(QIcon::Disabled, source, &option)
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32);
    const QImage original = image.convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(grey.size(), original.size());
    bool sawEdge = false;
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            const QColor before = original.pixelColor(x, y);
            const QColor after = grey.pixelColor(x, y);
            QVERIFY(qAbs(after.alpha() - before.alpha()) <= 1);
            if (after.alpha() == 255)
                QCOMPARE(after, QColor(100, 100, 100));
            if (after.alpha() > 0 && after.alpha() < 255)
                sawEdge = true;
        }
    }
    QVERIFY(sawEdge);

    // The source stays as it was, and other modes are the base style's.
    QCOMPARE(source.toImage().pixelColor(8, 8), QColor(220, 30, 30));
    const QImage active = theme.generatedIconPixmap(QIcon::Active, source, &option).toImage();
    QCOMPARE(active.pixelColor(8, 8), QColor(220, 30, 30));
}

KOLZ_TEST_MAIN_WIDGETS(TestDarkTheme)
#include "tst_extra_darktheme.moc"
