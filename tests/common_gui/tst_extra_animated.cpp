#include "support/TestEnvironment.h"

#include "common_gui/AnimatedLabel.h"
#include "common_gui/AnimatedSvgWidget.h"
#include "common_gui/LoadingSpinner.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>

namespace {

QColor frameColour(int index)
{
    return QColor(20 + index * 25, 200 - index * 20, 60);
}

// A sheet of square frames of side 32, four to a row, each filled with its own colour.
QPixmap sheet(int frames, int width = 128)
{
    QPixmap strip(width, (frames + 3) / 4 * 32);
    strip.fill(Qt::black);
    QPainter painter(&strip);
    for (int i = 0; i < frames; ++i)
        painter.fillRect((i % 4) * 32, (i / 4) * 32, 32, 32, frameColour(i));
    return strip;
}

// The frame a label shows after letting it paint: -1 for none, -2 for one not in the sheet.
int shownFrame(AnimatedLabel& label)
{
    label.grab();
    const QImage image = label.pixmap().toImage();
    if (image.isNull())
        return -1;
    const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
    for (int i = 0; i < 8; ++i) {
        if (centre == frameColour(i))
            return i;
    }
    return -2;
}

void tick(QObject* widget, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QMetaObject::invokeMethod(widget, "onUpdate");
}

bool timerRunning(const QObject& widget)
{
    const QTimer* timer = widget.findChild<QTimer*>();
    return timer && timer->isActive();
}

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

} // namespace

// Frame cutting and the tick rules of the label, the turning SVG widget and the spinner.
class TestAnimatedWidgets : public QObject
{
    Q_OBJECT

private slots:
    void framesAreCutRowByRowIfThereAreAny();
    void loopAndReverseRules_data();
    void loopAndReverseRules();
    void ticksRepaintAndIdleLabelsStayIdle();
    void spinnerAndSvgWidgetTurnAndWrap();
};

void TestAnimatedWidgets::framesAreCutRowByRowIfThereAreAny()
{
    AnimatedLabel label(sheet(8), 32, 8, 50);
    QCOMPARE(label.pixmap().size(), QSize(32, 32));
    // Frames 0-3 come from the first row, 4-7 from the second, then it starts over.
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(shownFrame(label), i % 8);
        tick(&label);
    }
    // Laid out 16 units tall, a 32-pixel frame has a pixel ratio of 2; no height changes nothing.
    label.setDisplayHeight(16);
    label.setDisplayHeight(0);
    QCOMPARE(label.pixmap().devicePixelRatio(), 2.0);
    QCOMPARE(label.sizeHint().height(), 16);

    // No frames, frames of no size, or a strip narrower than a frame: nothing to show or tick.
    AnimatedLabel noFrames(sheet(4), 32, 0, 10);
    AnimatedLabel zeroSize(sheet(4), 0, 4, 10);
    AnimatedLabel narrowStrip(sheet(1, 16), 32, 4, 10);
    for (AnimatedLabel* empty : {&noFrames, &zeroSize, &narrowStrip}) {
        empty->start();
        tick(empty, 3);
        empty->setDisplayHeight(8);
        QCOMPARE(shownFrame(*empty), -1);
    }
}

void TestAnimatedWidgets::loopAndReverseRules_data()
{
    QTest::addColumn<bool>("loop");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("frame");
    QTest::addColumn<bool>("running");
    QTest::newRow("looping never stops") << true << false << 10 << 1 << true;
    QTest::newRow("once: before the wrap") << false << false << 2 << 2 << true;
    QTest::newRow("once: stops on the wrap") << false << false << 3 << 0 << false;
    // Backward, the first step wraps to the last frame, which is not yet the end of the run.
    QTest::newRow("backward: first step") << false << true << 1 << 2 << true;
    QTest::newRow("backward: at frame 0") << false << true << 3 << 0 << true;
    QTest::newRow("backward: stops on the wrap") << false << true << 4 << 2 << false;
}

void TestAnimatedWidgets::loopAndReverseRules()
{
    QFETCH(bool, loop);
    QFETCH(bool, reverse);
    QFETCH(int, ticks);
    AnimatedLabel label(sheet(3), 32, 3, 50);
    label.setLoop(loop);
    label.setReverse(reverse);
    label.start();
    tick(&label, ticks);
    QTEST(shownFrame(label), "frame");
    QTEST(timerRunning(label), "running");
}

void TestAnimatedWidgets::ticksRepaintAndIdleLabelsStayIdle()
{
    AnimatedLabel label(sheet(4), 32, 4, 1000);
    PaintCounter counter;
    label.installEventFilter(&counter);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    // An idle label paints no more once it has settled; a tick alone brings the next frame on
    // screen, and then it settles again.
    for (int step = 0; step < 2; ++step) {
        QTRY_COMPARE(label.pixmap().toImage().pixelColor(16, 16), frameColour(step));
        QTest::qWait(50);
        const int settled = counter.paints;
        QTest::qWait(100);
        QCOMPARE(counter.paints, settled);
        tick(&label);
    }
}

void TestAnimatedWidgets::spinnerAndSvgWidgetTurnAndWrap()
{
    QWidget window;
    auto* spinner = new LoadingSpinner(&window);
    window.show();
    QVERIFY(spinner->renderer()->isValid());
    QVERIFY(!spinner->isVisible() && !timerRunning(*spinner));
    // 24 steps a turn, one every 1000 / 24 ms, shown only while turning.
    spinner->start();
    QVERIFY(spinner->isVisible() && timerRunning(*spinner));
    QCOMPARE(spinner->findChild<QTimer*>()->interval(), 41);
    QTRY_VERIFY(spinner->angle() >= 30);
    spinner->stop();
    QVERIFY(!spinner->isVisible() && !timerRunning(*spinner));

    // A full turn wraps on the step after it, either way round; the image is drawn turned.
    tick(spinner, 24 - qRound(spinner->angle() / 15));
    QCOMPARE(spinner->angle(), 360.0);
    const QImage at360 = spinner->grab().toImage();
    tick(spinner);
    QCOMPARE(spinner->angle(), 15.0);
    QVERIFY(spinner->grab().toImage() != at360);
    const QString image = QStringLiteral(":/CommonGUIElements/Spinner.svg");
    AnimatedSvgWidget counter(image, 24, true);
    tick(&counter, 24);
    QCOMPARE(counter.angle(), -360.0);
    tick(&counter);
    QCOMPARE(counter.angle(), -15.0);
    counter.setReverse(false);
    tick(&counter);
    QCOMPARE(counter.angle(), 0.0);

    // Without steps there is nothing to turn and no timer to run.
    AnimatedSvgWidget still(image, 0u);
    still.start();
    QVERIFY(!timerRunning(still));
    tick(&still);
    QCOMPARE(still.angle(), 0.0);
    still.grab();
}

KOLZ_TEST_MAIN_WIDGETS(TestAnimatedWidgets)
#include "tst_extra_animated.moc"
