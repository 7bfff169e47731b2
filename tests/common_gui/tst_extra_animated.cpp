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
    const int rows = (frames + 3) / 4;
    QPixmap strip(width, rows * 32);
    strip.fill(Qt::black);
    QPainter painter(&strip);
    for (int i = 0; i < frames; ++i)
        painter.fillRect((i % 4) * 32, (i / 4) * 32, 32, 32, frameColour(i));
    return strip;
}

// The frame a label shows, after letting it paint.
int shownFrame(AnimatedLabel& label, int frames)
{
    label.grab();
    const QImage image = label.pixmap().toImage();
    if (image.isNull())
        return -1;
    const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
    for (int i = 0; i < frames; ++i) {
        if (centre == frameColour(i))
            return i;
    }
    return -2;
}

void tick(QObject* widget)
{
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
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

// Frame cutting and the tick rules of the label, the turning SVG widget and the spinner.
class TestAnimatedWidgets : public QObject
{
    Q_OBJECT

private slots:
    void framesAreCutRowByRow();
    void loopAndReverseRules();
    void labelWithoutFramesDoesNothing();
    void ticksRepaintAndIdleLabelsStayIdle();
    void svgWidgetTurnsAndWraps();
    void spinnerIsVisibleOnlyWhileTurning();
};

void TestAnimatedWidgets::framesAreCutRowByRow()
{
    AnimatedLabel label(sheet(8), 32, 8, 50);
    QCOMPARE(label.alignment(), Qt::AlignCenter);
    QCOMPARE(label.pixmap().size(), QSize(32, 32));
    QCOMPARE(shownFrame(label, 8), 0);
    // Frames 0-3 come from the first row, 4-7 from the second.
    for (int i = 1; i < 8; ++i) {
        tick(&label);
        QCOMPARE(shownFrame(label, 8), i);
    }
    tick(&label);
    QCOMPARE(shownFrame(label, 8), 0);

    // Laid out 16 units tall, a 32-pixel frame has a pixel ratio of 2.
    label.setDisplayHeight(16);
    QCOMPARE(label.pixmap().devicePixelRatio(), 2.0);
    QCOMPARE(label.sizeHint().height(), 16);
    label.setDisplayHeight(0);
    QCOMPARE(label.pixmap().devicePixelRatio(), 2.0);
}

void TestAnimatedWidgets::loopAndReverseRules()
{
    // Looping forward never stops.
    AnimatedLabel looping(sheet(3), 32, 3, 50);
    looping.start();
    for (int i = 0; i < 10; ++i)
        tick(&looping);
    QVERIFY(timerRunning(looping));
    QCOMPARE(shownFrame(looping, 3), 1);

    // Once through, forward: stops on the tick that wraps to frame 0.
    AnimatedLabel once(sheet(3), 32, 3, 50);
    once.setLoop(false);
    once.start();
    tick(&once);
    tick(&once);
    QVERIFY(timerRunning(once));
    QCOMPARE(shownFrame(once, 3), 2);
    tick(&once);
    QVERIFY(!timerRunning(once));
    QCOMPARE(shownFrame(once, 3), 0);

    // Backward, the first step wraps to the last frame, which is not yet the end of the run.
    AnimatedLabel backward(sheet(3), 32, 3, 50);
    backward.setLoop(false);
    backward.setReverse(true);
    backward.start();
    tick(&backward);
    QCOMPARE(shownFrame(backward, 3), 2);
    tick(&backward);
    tick(&backward);
    QVERIFY(timerRunning(backward));
    QCOMPARE(shownFrame(backward, 3), 0);
    tick(&backward);
    QVERIFY(!timerRunning(backward));
    QCOMPARE(shownFrame(backward, 3), 2);
}

void TestAnimatedWidgets::labelWithoutFramesDoesNothing()
{
    AnimatedLabel noFrames(sheet(4), 32, 0, 10);
    AnimatedLabel zeroSize(sheet(4), 0, 4, 10);
    AnimatedLabel narrowStrip(sheet(1, 16), 32, 4, 10);
    for (AnimatedLabel* label : {&noFrames, &zeroSize, &narrowStrip}) {
        label->start();
        for (int i = 0; i < 3; ++i)
            tick(label);
        label->setDisplayHeight(8);
        QCOMPARE(shownFrame(*label, 4), -1);
        label->stop();
    }
}

void TestAnimatedWidgets::ticksRepaintAndIdleLabelsStayIdle()
{
    AnimatedLabel label(sheet(4), 32, 4, 1000);
    PaintCounter counter;
    label.installEventFilter(&counter);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QTRY_VERIFY(counter.paints > 0);

    // An idle label paints no more once it has settled.
    QTest::qWait(50);
    const int settled = counter.paints;
    QTest::qWait(100);
    QCOMPARE(counter.paints, settled);

    // A tick alone brings the next frame on screen.
    tick(&label);
    QTRY_COMPARE(label.pixmap().toImage().pixelColor(16, 16), frameColour(1));
    QTest::qWait(50);
    const int afterTick = counter.paints;
    QTest::qWait(100);
    QCOMPARE(counter.paints, afterTick);
}

void TestAnimatedWidgets::svgWidgetTurnsAndWraps()
{
    const QString image = QStringLiteral(":/CommonGUIElements/Spinner.svg");
    AnimatedSvgWidget plain(image);
    QCOMPARE(plain.findChild<QTimer*>()->interval(), 16);
    tick(&plain);
    QCOMPARE(plain.angle(), 6.0);

    AnimatedSvgWidget clockwise(image, 24);
    QCOMPARE(clockwise.findChild<QTimer*>()->interval(), 41);
    for (int i = 0; i < 24; ++i)
        tick(&clockwise);
    QCOMPARE(clockwise.angle(), 360.0);
    tick(&clockwise);
    QCOMPARE(clockwise.angle(), 15.0);

    AnimatedSvgWidget counter(image, 24, true);
    for (int i = 0; i < 24; ++i)
        tick(&counter);
    QCOMPARE(counter.angle(), -360.0);
    tick(&counter);
    QCOMPARE(counter.angle(), -15.0);
    counter.setReverse(false);
    tick(&counter);
    QCOMPARE(counter.angle(), 0.0);

    // The image is drawn turned.
    clockwise.resize(58, 58);
    const QImage at15 = clockwise.grab().toImage();
    tick(&clockwise);
    QVERIFY(clockwise.grab().toImage() != at15);

    // Without steps there is nothing to turn and no timer to run.
    AnimatedSvgWidget still(image, 0u);
    still.start();
    QVERIFY(!timerRunning(still));
    tick(&still);
    QCOMPARE(still.angle(), 0.0);
    still.grab();
}

void TestAnimatedWidgets::spinnerIsVisibleOnlyWhileTurning()
{
    QWidget window;
    auto* spinner = new LoadingSpinner(&window);
    window.show();
    QVERIFY(spinner->renderer()->isValid());
    QCOMPARE(spinner->renderer()->viewBoxF(), QRectF(-58, -58, 116, 116));
    QVERIFY(!spinner->isVisible());
    QVERIFY(!timerRunning(*spinner));

    spinner->start();
    QVERIFY(spinner->isVisible());
    QVERIFY(timerRunning(*spinner));
    QCOMPARE(spinner->findChild<QTimer*>()->interval(), 41);
    QTRY_VERIFY(spinner->angle() >= 30);

    spinner->stop();
    QVERIFY(!spinner->isVisible());
    QVERIFY(!timerRunning(*spinner));
}

KOLZ_TEST_MAIN_WIDGETS(TestAnimatedWidgets)
#include "tst_extra_animated.moc"
