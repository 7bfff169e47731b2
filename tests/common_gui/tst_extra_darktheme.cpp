#include "support/TestEnvironment.h"

#include "common_gui/DarkTheme.h"

#include <QCheckBox>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

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

    // Each role's colour when enabled (active and inactive), then when disabled.
    const QColor white(255, 255, 255), grey(127, 127, 127), window(53, 53, 53), blue(42, 130, 218);
    const struct
    {
        QPalette::ColorRole role;
        QColor enabled, disabled;
    } table[] = {
        {QPalette::Window, window, window},
        {QPalette::WindowText, white, grey},
        {QPalette::Base, QColor(42, 42, 42), QColor(42, 42, 42)},
        {QPalette::AlternateBase, QColor(66, 66, 66), QColor(66, 66, 66)},
        {QPalette::ToolTipBase, white, white},
        {QPalette::ToolTipText, window, window},
        {QPalette::Text, white, grey},
        {QPalette::Dark, QColor(35, 35, 35), QColor(35, 35, 35)},
        {QPalette::Shadow, QColor(20, 20, 20), QColor(20, 20, 20)},
        {QPalette::Button, window, window},
        {QPalette::ButtonText, white, grey},
        {QPalette::BrightText, QColor(255, 0, 0), QColor(255, 0, 0)},
        {QPalette::Link, blue, blue},
        {QPalette::Highlight, blue, QColor(80, 80, 80)},
        {QPalette::HighlightedText, white, grey},
        {QPalette::PlaceholderText, grey, grey},
    };
    for (const auto& row : table) {
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            const QBrush brush = palette.brush(group, row.role);
            QCOMPARE(brush.style(), Qt::SolidPattern);
            QCOMPARE(brush.color(), group == QPalette::Disabled ? row.disabled : row.enabled);
        }
    }
}

void TestDarkTheme::installingAndRemovingRestoresTheFont()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const qreal original = QApplication::font().pointSizeF();
    QVERIFY(original > 0);

    QApplication::setStyle(new DarkTheme);
    QCOMPARE(QApplication::font().pointSizeF(), original + 1);
    // The kit's style sheet is on: a checked box shows its indicator in the highlight blue.
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
    QImage image(16, 16, QImage::Format_ARGB32);
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
    QCOMPARE(grey.size(), image.size());
    bool sawEdge = false;
    for (int y = 0; y < grey.height(); ++y) {
        for (int x = 0; x < grey.width(); ++x) {
            const QColor after = grey.pixelColor(x, y);
            QVERIFY(qAbs(after.alpha() - image.pixelColor(x, y).alpha()) <= 1);
            if (after.alpha() == 255)
                QCOMPARE(after, QColor(100, 100, 100));
            sawEdge = sawEdge || (after.alpha() > 0 && after.alpha() < 255);
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
