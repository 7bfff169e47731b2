#include "ConsoleTestSupport.h"
#include "support/TestEnvironment.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QScrollBar>
#include <QTextEdit>
#include <QTextLayout>

using namespace ui::messages;

class TestConsoleStyle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void titleGlyphsShowWholeBelowTheBaseline_data();
    void titleGlyphsShowWholeBelowTheBaseline();
};

void TestConsoleStyle::initTestCase()
{
    qRegisterMetaType<Message>("ui::messages::Message");
}

// Every family the console font selector offers, at a small and a usual size; the fonts named
// first are the ones a title was seen cut in.
void TestConsoleStyle::titleGlyphsShowWholeBelowTheBaseline_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");
    QStringList families{QStringLiteral("DejaVu Sans Mono"), QStringLiteral("DejaVu Serif"),
                         QStringLiteral("Nimbus Sans")};
    int installed = 0;
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family) && !families.contains(family))
            families << family;
    }
    for (const QString& family : families) {
        if (QFontInfo(QFont(family)).family() != family)
            continue;
        ++installed;
        for (int size : {8, 9, 10, 11, 13})
            QTest::addRow("%s %d", qPrintable(family), size) << family << size;
    }
    if (installed < 3)
        QTest::addRow("fewer than three fonts installed") << QString() << 0;
}

// The title's own colour must be found wherever the title's glyphs reach below the baseline:
// a frame or line box that covers them shows its own colours there instead.
void TestConsoleStyle::titleGlyphsShowWholeBelowTheBaseline()
{
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    if (family.isEmpty())
        QSKIP("Needs three installed font families");

    ClientInterface page(nullptr, nullptr, QFont(family, pointSize));
    auto* console = page.findChild<QTextEdit*>(QStringLiteral("txtConsole"));
    // A frame body unlike the white title text, so that a covered glyph shows.
    QPalette palette = console->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 160));
    console->setPalette(palette);
    page.receive(Message::makeGLError(0x502, "glDrawArrays_gpqy", "first"));
    page.receive(Message::makeGLError(0x506, "glGetQueryObjectuiv_jy", "second"));
    showConsole(page);
    page.resize(900, 400);
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTRY_VERIFY(blockWithText(page.document(), QStringLiteral("second")).isValid());
    QCoreApplication::processEvents();

    const QImage shot = console->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPointF scroll(console->horizontalScrollBar()->value(),
                         console->verticalScrollBar()->value());
    int titles = 0;
    for (QTextBlock block = page.document()->begin(); block.isValid(); block = block.next()) {
        if (!block.text().startsWith(QStringLiteral("Error - GL_")))
            continue;
        ++titles;
        QTextLayout* layout = block.layout();
        QVERIFY(layout->lineCount() == 1);
        const int baseline = qCeil(layout->position().y() - scroll.y() + layout->lineAt(0).y() +
                                   layout->lineAt(0).ascent());

        // The same line drawn alone marks where its glyphs are.
        QImage glyphs(shot.size(), QImage::Format_ARGB32_Premultiplied);
        glyphs.fill(Qt::transparent);
        {
            QPainter painter(&glyphs);
            layout->draw(&painter, -scroll);
        }
        int ink = 0;
        int shown = 0;
        for (int y = baseline; y < glyphs.height(); ++y) {
            for (int x = 0; x < glyphs.width(); ++x) {
                const int coverage = qAlpha(glyphs.pixel(x, y));
                if (coverage < 128)
                    continue;
                ++ink;
                // White over the red title or the blue body: green comes from the glyph only.
                shown += shot.pixelColor(x, y).green() >= coverage / 2;
            }
        }
        if (ink == 0)
            QSKIP("No glyph of this family reaches below the baseline");
        QVERIFY2(shown >= ink * 95 / 100, qPrintable(QStringLiteral("%1: %2 of %3 pixels below "
                                                                    "the baseline shown")
                                                         .arg(block.text())
                                                         .arg(shown)
                                                         .arg(ink)));
    }
    QCOMPARE(titles, 2);
}

KOLZ_TEST_MAIN_WIDGETS(TestConsoleStyle)
#include "tst_consolestyle.moc"
