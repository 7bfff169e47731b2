#include "support/TestEnvironment.h"

#include "common_gui/AboutBoxDialog.h"
#include "common_gui/FeedbackDialog.h"
#include "common_gui/KitTestHelpers.h"
#include "resources/KolZendraResources.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

const QString title = QStringLiteral("KolZendra 10.17.3");
const std::string splashKey = "KolZendra 10.17.3/About/ShowSplash";

QImage splashImage()
{
    initKolZendraResources();
    return QImage(QStringLiteral(":/KolZendraResources/SplashKolZendra"));
}

QPoint expectedCentre(const QWidget& window, const QWidget& box)
{
    const QRect frame = window.frameGeometry();
    return {frame.x() + (window.width() - 1) / 2 - (box.width() - 1) / 2,
            frame.y() + (window.height() - 1) / 2 - (box.height() - 1) / 2};
}

// Shows a plain window of the given size and waits until it is on screen.
bool showWindow(QWidget& window, const QRect& geometry)
{
    window.setGeometry(geometry);
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

} // namespace

class TestAboutBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void splashSwitchAndInformationPanel();
    void centredOverTheMainWindowUntilAPressThere();
    void worksWithoutParentAndWhenDestroyedVisible();
    void logosScaleWithTheBox();

private:
    std::unique_ptr<KolPreferences> store;
};

void TestAboutBox::init()
{
    store = kolz::test::loadedStore("KitAbout");
    QVERIFY(store);
    store->Remove("KolZendra 10.17.3");
    store->Save(true);
}

void TestAboutBox::splashSwitchAndInformationPanel()
{
    QWidget main;
    // At start-up the box shows without a store, or when the key is missing or true; asked for,
    // it always shows, and never as a modal box.
    for (const int stored : {2, -1, 0, 1}) {
        if (stored == 0 || stored == 1)
            store->SetBool(splashKey, stored == 1);
        AboutBoxDialog box(title, splashImage(), stored == 2 ? nullptr : store.get(), QString(),
                           &main);
        box.display(false);
        QCOMPARE(box.isVisible(), stored != 0);
        box.display(true);
        QVERIFY(box.isVisible() && !box.isModal());
    }

    AboutBoxDialog box(title, splashImage(), store.get(), "<p>No warranty.</p>", &main);
    QVERIFY(box.findChild<QLabel*>("Header_label")
                ->text()
                .startsWith("<big>KolZendra 10.17.3 (Build "));
    QCOMPARE(box.findChild<QTextBrowser*>()->toPlainText(), QStringLiteral("No warranty."));
    // The box's switch is stored and saved at once.
    auto* check = box.findChild<QCheckBox*>("ShowAtStartUpCB");
    QVERIFY(check->isChecked());
    check->setChecked(false);
    bool show = true;
    QCOMPARE(kolz::test::loadedStore("KitAbout")->GetBool(splashKey, show, true),
             KolPreferences::SUCCESS);
    QVERIFY(!show && !box.showsAtStartup());
    // A change that does not come from the box itself is ignored.
    QVERIFY(QMetaObject::invokeMethod(&box, "onCheckBoxStateChanged", Q_ARG(int, Qt::Checked)));
    QVERIFY(!box.showsAtStartup());
}

void TestAboutBox::centredOverTheMainWindowUntilAPressThere()
{
    QWidget main, other;
    auto* button = new QPushButton("Act", &main);
    (new QVBoxLayout(&main))->addWidget(button);
    QVERIFY(showWindow(main, QRect(100, 50, 1001, 700)));
    QVERIFY(showWindow(other, QRect(0, 0, 100, 100)));
    AboutBoxDialog box(title, splashImage(), store.get(), QString(), &main);
    box.display(true);
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.pos(), expectedCentre(main, box));
    main.move(160, 90);
    QTRY_COMPARE(box.pos(), expectedCentre(main, box));
    main.resize(900, 640);
    QTRY_COMPARE(box.pos(), expectedCentre(main, box));

    // Presses on the box or another window leave it up; one in the main window hides it and
    // still reaches its target.
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(&other, Qt::LeftButton);
    QVERIFY(box.isVisible());
    QSignalSpy clicked(button, &QPushButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(clicked.count(), 1);
}

void TestAboutBox::worksWithoutParentAndWhenDestroyedVisible()
{
    QWidget other;
    QVERIFY(showWindow(other, QRect(0, 0, 100, 100)));
    auto* box = new AboutBoxDialog(title, splashImage(), nullptr, QString(), nullptr);
    box->display(true);
    QVERIFY(box->isVisible());
    if (const QScreen* screen = box->screen())
        QVERIFY(screen->availableGeometry().contains(box->geometry().center()));
    QTest::mouseClick(&other, Qt::LeftButton);
    QVERIFY(box->isVisible());

    // Destroyed while visible: later events must not reach the filter of a dead box.
    delete box;
    QTest::mouseClick(&other, Qt::LeftButton);
    other.move(other.pos() + QPoint(3, 3));
    QCoreApplication::processEvents();
}

void TestAboutBox::logosScaleWithTheBox()
{
    QWidget main;
    AboutBoxDialog box(title, splashImage(), store.get(), QString(), &main);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto* appLabel = box.findChild<QLabel*>("App_Logo");
    auto* makerLabel = box.findChild<QLabel*>("TWX_Logo");
    // The application logo (the 600 x 90 top band) fills its label; the maker's is 40% of it.
    for (const auto& [logoWidth, makerWidth] : {std::pair{601, 240}, {612, 245}}) {
        box.resize(logoWidth + box.width() - appLabel->contentsRect().width(), box.height());
        QTRY_COMPARE(appLabel->contentsRect().width(), logoWidth);
        QCOMPARE(appLabel->pixmap().size(), QSize(logoWidth, qRound(logoWidth * 90 / 600.0)));
        QCOMPARE(makerLabel->pixmap().width(), makerWidth);
    }
}

KOLZ_TEST_MAIN_WIDGETS(TestAboutBox)
#include "tst_aboutbox.moc"
