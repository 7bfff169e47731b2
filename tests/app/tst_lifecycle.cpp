// Whole runs of the program's application object, one per case: how it starts and how it ends.
#include "app/Controller.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>

#include <csignal>
#include <functional>

namespace {

int appArgc = 1;
char appName[] = "test_app_lifecycle";
char* appArgv[] = {appName, nullptr};

const char* const collectUsageKey = "Stats/CollectUsage";

// The preference file as it stands on disk.
std::unique_ptr<KolPreferences> storeOnDisk()
{
    auto store = std::make_unique<KolPreferences>("KolZendra", 0);
    std::string error;
    return store->Load(error, false) ? std::move(store) : nullptr;
}

// Runs the program until during(app), called once its event loop runs, makes it end; gives the
// exit code.
int runProgram(const std::function<void(Controller&)>& prepare,
               const std::function<void(Controller&)>& during)
{
    Controller app(appArgc, appArgv);
    prepare(app);
    QTimer::singleShot(0, &app, [&app, &during] { during(app); });
    return app.run();
}

// The key path the manual names for the start-up splash: its code words up to "ShowSplash",
// joined as the store joins them.
QString manualSplashKey()
{
    QFile manual(QStringLiteral(KOLZ_MANUAL));
    if (!manual.open(QIODevice::ReadOnly))
        return {};
    const QString html = QString::fromUtf8(manual.readAll());
    for (const QString& paragraph : html.split(QStringLiteral("<p>"))) {
        QStringList words;
        auto codes = QRegularExpression(QStringLiteral("<code>(.*?)</code>"),
                                        QRegularExpression::DotMatchesEverythingOption)
                         .globalMatch(paragraph);
        while (codes.hasNext()) {
            words << codes.next().captured(1).simplified();
            if (words.last() == QLatin1String("ShowSplash"))
                return words.join(QLatin1Char('/'));
        }
    }
    return {};
}

} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void endingSavesWhatWasStoredUnsaved_data();
    void endingSavesWhatWasStoredUnsaved();
    void manualsSplashSettingKeepsItAway_data();
    void manualsSplashSettingKeepsItAway();
};

void TestLifecycle::init()
{
    // Every case starts as a first start does.
    QFile::remove(
        kolz::test::environment().home() +
        QStringLiteral("/.kolconfig/Tollerwaith Technologies/com.heliark.KolZendra.plist"));
    QVERIFY(!storeOnDisk()->Exists(collectUsageKey));
}

void TestLifecycle::endingSavesWhatWasStoredUnsaved_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("window closed") << "close";
    QTest::newRow("File > Exit") << "actionExit";
    QTest::newRow("Ctrl+C") << "SIGINT";
    QTest::newRow("terminated") << "SIGTERM";
}

void TestLifecycle::endingSavesWhatWasStoredUnsaved()
{
    QFETCH(QString, how);
    const int code =
        runProgram([](Controller& app) { app.preferences()->SetBool(collectUsageKey, false); },
                   [&how](Controller& app) {
                       if (how == "close")
                           app.window().close();
                       else if (how == "actionExit")
                           app.window().findChild<QAction*>("actionExit")->trigger();
                       else
                           std::raise(how == "SIGINT" ? SIGINT : SIGTERM);
                   });
    QCOMPARE(code, 0);
    const auto store = storeOnDisk();
    QVERIFY(store);
    bool collect = true;
    QCOMPARE(store->GetBool(collectUsageKey, collect, true), KolPreferences::SUCCESS);
    QVERIFY(!collect);
}

void TestLifecycle::manualsSplashSettingKeepsItAway_data()
{
    QTest::addColumn<bool>("followManual");
    QTest::newRow("as the manual says") << true;
    QTest::newRow("nothing set") << false;
}

void TestLifecycle::manualsSplashSettingKeepsItAway()
{
    QFETCH(bool, followManual);
    const QString key = manualSplashKey();
    QVERIFY2(!key.isEmpty(), "the manual names no setting for the splash");
    if (followManual) {
        auto store = storeOnDisk();
        QVERIFY(store);
        store->SetBool(key.toStdString(), false);
        QVERIFY(store->Save(true));
    }
    bool splashShown = false;
    runProgram([](Controller&) {},
               [&splashShown](Controller& app) {
                   splashShown = app.window().aboutBoxDialog()->isVisible();
                   app.window().close();
               });
    QCOMPARE(splashShown, !followManual);
}

int main(int argc, char** argv)
{
    kolz::test::IsolatedEnvironment environment;
    TestLifecycle test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lifecycle.moc"
