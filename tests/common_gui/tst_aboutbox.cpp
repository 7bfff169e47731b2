#include "support/TestEnvironment.h"

#include "common_gui/AboutBoxDialog.h"
#include "common_gui/FeedbackDialog.h"
#include "prefs/KolPreferences.h"
#include "resources/KolZendraResources.h"

#include <QCheckBox>
#include <QImage>
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

} // namespace

class TestAboutBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void splashFollowsThePreference();
    void startupSwitchIsStoredAndSaved();
    void staysCentredOverTheMainWindow();
    void pressInTheMainWindowHidesAndStillActs();
    void worksWithoutParentAndWhenDestroyedVisible();
    void logosScaleWithTheBox();
    void informationPanel();
    void screenshots();

private:
    std::unique_ptr<KolPreferences> store;
};

void TestAboutBox::init()
{
    store = std::make_unique<KolPreferences>("KitAbout", 0);
    std::string error;
    QVERIFY(store->Load(error, false));
    store->Remove("KolZendra 10.17.3");
    store->Save(true);
}

void TestAboutBox::splashFollowsThePreference()
{
    QWidget main;
    main.resize(800, 600);
    const QImage logos = splashImage();
    QCOMPARE(logos.size(), QSize(600, 155));

    {
        AboutBoxDialog missing(title, logos, store.get(), QString(), &main);
        QCOMPARE(missing.showSplashPreferenceKey(), splashKey);
        missing.display(false);
        QVERIFY(missing.isVisible());
    }
    store->SetBool(splashKey, true);
    {
        AboutBoxDialog on(title, logos, store.get(), QString(), &main);
        on.display(false);
        QVERIFY(on.isVisible());
    }
    store->SetBool(splashKey, false);
    AboutBoxDialog off(title, logos, store.get(), QString(), &main);
    off.display(false);
    QVERIFY(!off.isVisible());
    off.display(true);
    QVERIFY(off.isVisible());
    QVERIFY(!off.isModal());
    QVERIFY(off.windowFlags() & Qt::FramelessWindowHint);

    // Without a store the box always shows at start-up.
    AboutBoxDialog unstored(title, logos, nullptr, QString(), &main);
    unstored.display(false);
    QVERIFY(unstored.isVisible());
}

void TestAboutBox::startupSwitchIsStoredAndSaved()
{
    QWidget main;
    AboutBoxDialog box(title, splashImage(), store.get(), QString(), &main);
    auto* check = box.findChild<QCheckBox*>("ShowAtStartUpCB");
    QVERIFY(check->isChecked());
    QVERIFY(check->isHidden());
    check->setChecked(false);
    QVERIFY(!box.showsAtStartup());

    KolPreferences onDisk("KitAbout", 0);
    std::string error;
    QVERIFY(onDisk.Load(error, false));
    bool show = true;
    QCOMPARE(onDisk.GetBool(splashKey, show, true), KolPreferences::SUCCESS);
    QVERIFY(!show);

    // A change that does not come from the box itself is ignored.
    QVERIFY(QMetaObject::invokeMethod(&box, "onCheckBoxStateChanged", Q_ARG(int, Qt::Checked)));
    QVERIFY(!box.showsAtStartup());
}

void TestAboutBox::staysCentredOverTheMainWindow()
{
    QWidget main;
    main.setGeometry(100, 50, 1001, 700);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    AboutBoxDialog box(title, splashImage(), store.get(), QString(), &main);
    box.display(true);
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.width(), 600);
    QCOMPARE(box.pos().x(), main.frameGeometry().x() + 500 - 299);
    QCOMPARE(box.pos(), expectedCentre(main, box));

    main.move(160, 90);
    QTRY_COMPARE(box.pos(), expectedCentre(main, box));
    main.resize(900, 640);
    QTRY_COMPARE(box.pos(), expectedCentre(main, box));
}

void TestAboutBox::pressInTheMainWindowHidesAndStillActs()
{
    QWidget main;
    auto* layout = new QVBoxLayout(&main);
    auto* button = new QPushButton("Act", &main);
    layout->addWidget(button);
    main.resize(400, 300);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QWidget other;
    other.resize(100, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    AboutBoxDialog box(title, splashImage(), store.get(), QString(), &main);
    box.display(true);
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(box.isVisible());
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
    other.resize(100, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));

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

    for (const auto& [logoWidth, makerWidth] : {std::pair{600, 240}, {601, 240}, {612, 245}}) {
        const int extra = box.width() - appLabel->contentsRect().width();
        box.resize(logoWidth + extra, box.height());
        QTRY_COMPARE(appLabel->contentsRect().width(), logoWidth);
        QCOMPARE(appLabel->pixmap().width(), logoWidth);
        QCOMPARE(makerLabel->pixmap().width(), makerWidth);
    }
    // The application logo is the 600 x 90 top band.
    QCOMPARE(appLabel->pixmap().height(), qRound(612 * 90 / 600.0));
}

void TestAboutBox::informationPanel()
{
    QWidget main;
    AboutBoxDialog box(title, splashImage(), store.get(), QString(), &main);
    QVERIFY(box.findChild<QLabel*>("Header_label")
                ->text()
                .startsWith("<big>KolZendra 10.17.3 (Build "));
    auto* browser = box.findChild<QTextBrowser*>();
    QVERIFY(browser);
    QVERIFY(browser->toPlainText().isEmpty());
    QVERIFY(browser->openExternalLinks());

    AboutBoxDialog withText(title, splashImage(), store.get(), "<p>No warranty.</p>", &main);
    QCOMPARE(withText.findChild<QTextBrowser*>()->toPlainText(), QStringLiteral("No warranty."));
}

// Pictures for a person to look at, taken only when KOLZ_SCREENSHOTS names a folder
// (tools/screenshots/kit.sh).
void TestAboutBox::screenshots()
{
    const QString folder = qEnvironmentVariable("KOLZ_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("KOLZ_SCREENSHOTS is not set");
    QWidget main;
    main.resize(900, 600);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    AboutBoxDialog box(title, splashImage(), store.get(),
                       "<p>This software is provided as is, without warranty of any kind.</p>",
                       &main);
    box.display(true);
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::qWait(200);
    QVERIFY(box.grab().save(folder + "/kit-aboutbox.png"));

    FeedbackDialog feedback("KolZendra 10.17.3", QString(), store.get(), &main);
    feedback.show();
    QVERIFY(QTest::qWaitForWindowExposed(&feedback));
    QTest::qWait(200);
    QVERIFY(feedback.grab().save(folder + "/kit-feedback.png"));
}

KOLZ_TEST_MAIN_WIDGETS(TestAboutBox)
#include "tst_aboutbox.moc"
