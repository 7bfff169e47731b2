// Whole runs of the program's application object, one per case.
#include "app/Controller.h"
#include "common_gui/KitTestHelpers.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QRegularExpression>
#include <QTimer>

#include <csignal>

namespace {

int appArgc = 1;
char appName[] = "test_app_lifecycle";
char* appArgv[] = {appName, nullptr};

// Runs the program, stored is set without saving first, until `end` makes it end.
int runProgram(const std::string& stored, const std::function<void(Controller&)>& end)
{
    Controller app(appArgc, appArgv);
    if (!stored.empty())
        app.preferences()->SetBool(stored, false);
    QTimer::singleShot(0, &app, [&] { end(app); });
    return app.run();
}

} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void endingSavesUnsavedSettings_data();
    void endingSavesUnsavedSettings();
};

void TestLifecycle::endingSavesUnsavedSettings_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("key");
    for (const char* how : {"close", "actionExit", "SIGINT", "SIGTERM"})
        QTest::newRow(how) << how << "Stats/CollectUsage";
    // The splash setting the manual tells users to write: its code words up to "ShowSplash".
    QFile manual(QStringLiteral(KOLZ_MANUAL));
    QVERIFY(manual.open(QIODevice::ReadOnly));
    QStringList words;
    auto codes =
        QRegularExpression("<code>(.*?)</code>", QRegularExpression::DotMatchesEverythingOption)
            .globalMatch(QString::fromUtf8(manual.readAll()));
    while (codes.hasNext() && !words.contains("ShowSplash"))
        words << codes.next().captured(1).simplified();
    QTest::newRow("splash, as the manual says")
        << "splash" << words.mid(words.size() - 3).join('/');
}

// A setting stored but not saved reaches the file however the program ends; the manual's
// splash setting, saved, keeps the splash away.
void TestLifecycle::endingSavesUnsavedSettings()
{
    QFETCH(QString, how);
    QFETCH(QString, key);
    bool splashShown = true;
    const int code = runProgram(key.toStdString(), [&](Controller& app) {
        splashShown = app.window().aboutBoxDialog()->isVisible();
        if (how.startsWith("SIG"))
            std::raise(how == "SIGINT" ? SIGINT : SIGTERM);
        else if (how == "actionExit")
            app.window().findChild<QAction*>(how)->trigger();
        else
            app.window().close();
    });
    QCOMPARE(code, 0);
    bool value = true;
    QCOMPARE(kolz::test::loadedStore("KolZendra")->GetBool(key.toStdString(), value, true),
             KolPreferences::SUCCESS);
    QVERIFY(!value);
    if (how == "splash") {
        runProgram({}, [&](Controller& app) {
            splashShown = app.window().aboutBoxDialog()->isVisible();
            app.window().close();
        });
        QVERIFY(!splashShown);
    }
}

int main(int argc, char** argv)
{
    kolz::test::IsolatedEnvironment environment;
    TestLifecycle test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lifecycle.moc"
