#include "ConsoleTestSupport.h"
#include "support/TestEnvironment.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <QTextEdit>
#include <QTextLayout>

using namespace ui::messages;

class TestConsoleStyle : public QObject
{
    Q_OBJECT

private slots:
    void titleGlyphsShowBelowTheBaseline_data();
    void titleGlyphsShowBelowTheBaseline();
};

// Every family the font selector offers, at five sizes; titles were seen cut in the first three.
void TestConsoleStyle::titleGlyphsShowBelowTheBaseline_data()
{
    QTest::addColumn<QFont>("font");
    QStringList families{"DejaVu Sans Mono", "DejaVu Serif", "Nimbus Sans"};
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family) && !families.contains(family))
            families << family;
    for (const QString& family : families)
        if (QFontInfo(QFont(family)).family() == family)
            for (int size : {8, 9, 10, 11, 13})
                QTest::addRow("%s %d", qPrintable(family), size) << QFont(family, size);
}

// Where the white glyphs of a GL error's title are, white must show: a frame or line painted
// over them shows the body's blue or the title's red instead. Red goes on two rows below the
// lowest of them, lest an underscore fade into the frame beneath; none rises above the band.
void TestConsoleStyle::titleGlyphsShowBelowTheBaseline()
{
    QFETCH(QFont, font);
    ClientInterface page(nullptr, nullptr, font);
    auto* console = page.findChild<QTextEdit*>("txtConsole");
    QPalette palette = console->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 160));
    console->setPalette(palette);
    page.receive(Message::makeGLError(0x502, "glDrawArrays_gpqy", "body"));
    showConsole(page);
    page.resize(900, 400);
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QString text = "Error - GL_INVALID_OPERATION in glDrawArrays_gpqy";
    QTRY_VERIFY(blockWithText(page.document(), text).isValid());
    QCoreApplication::processEvents();
    const QImage shot = console->viewport()->grab().toImage();
    const QPointF scroll(console->horizontalScrollBar()->value(),
                         console->verticalScrollBar()->value());
    QTextLayout* title = blockWithText(page.document(), text).layout();

    // The line drawn alone marks where its glyphs are.
    QImage glyphs(shot.size(), QImage::Format_ARGB32_Premultiplied);
    glyphs.fill(Qt::transparent);
    {
        QPainter painter(&glyphs);
        title->draw(&painter, -scroll);
    }
    const int bandTop = qFloor(title->position().y() - scroll.y() + title->lineAt(0).y());
    int ink = 0;
    int shown = 0;
    QString edge;
    for (int x = 0; x < shot.width(); ++x) {
        int lowest = -1;
        for (int y = 0; y < shot.height(); ++y) {
            const int coverage = qAlpha(glyphs.pixel(x, y));
            ink += coverage >= 128;
            shown += coverage >= 128 && shot.pixelColor(x, y).green() >= coverage / 2;
            if (coverage >= 32 && y < bandTop && edge.isEmpty())
                edge = QString("(%1, %2) above the band").arg(x).arg(y);
            lowest = coverage >= 32 ? y : lowest;
        }
        for (int y = lowest + 1; lowest >= 0 && y <= lowest + 2 && edge.isEmpty(); ++y) {
            const QColor below = shot.pixelColor(x, y);
            if (below.red() < 192 || below.blue() > 128)
                edge = QString("(%1, %2) below a glyph is %3").arg(x).arg(y).arg(below.name());
        }
    }
    if (ink == 0)
        QSKIP("The title was not drawn");
    QVERIFY2(shown >= ink * 95 / 100, qPrintable(QString("%1 of %2 shown").arg(shown).arg(ink)));
    // A family whose glyphs already reach above its line has no room to raise them into.
    const QFontMetricsF metrics(font);
    if (metrics.tightBoundingRect(text).top() < -metrics.ascent())
        QSKIP("The family's glyphs fill its line");
    QVERIFY2(edge.isEmpty(), qPrintable(edge));
}

KOLZ_TEST_MAIN_WIDGETS(TestConsoleStyle)
#include "tst_consolestyle.moc"
