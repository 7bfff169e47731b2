// Whole runs of the program's application object, one per case.
#include "app/Controller.h"
#include "common_gui/KitTestHelpers.h"
#include "prefs/ProgramSettings.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
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
    void askedTwiceToEndDiscardsEdits_data();
    void askedTwiceToEndDiscardsEdits();
};

void TestLifecycle::endingSavesUnsavedSettings_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("key");
    for (const char* how : {"close", "actionExit", "SIGINT", "SIGTERM", "SIGHUP"})
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
            std::raise(how == "SIGINT" ? SIGINT : how == "SIGHUP" ? SIGHUP : SIGTERM);
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

void TestLifecycle::askedTwiceToEndDiscardsEdits_data()
{
    // The request that asks first (0: the user chooses another profile), then those while asked.
    QTest::addColumn<QList<int>>("requests");
    QTest::newRow("SIGHUP, then SIGINT") << QList<int>{SIGHUP, SIGINT};
    QTest::newRow("SIGTERM, then SIGHUP") << QList<int>{SIGTERM, SIGHUP};
    QTest::newRow("choosing, then SIGTERM twice") << QList<int>{0, SIGTERM, SIGTERM};
}

// The second request to end while the unsaved-edits question is up answers it Discard, and the
// window closes; a step that asked does not go ahead.
void TestLifecycle::askedTwiceToEndDiscardsEdits()
{
    QFETCH(QList<int>, requests);
    const QString dir = kolz::test::environment().profiles();
    kolz::test::writeFile(dir + "/edit.xml", "<profile><device>Before</device></profile>");
    kolz::test::writeFile(dir + "/other.xml", "<profile><device>Other</device></profile>");
    QStringList asked;
    bool closed = false;
    const int code = runProgram({}, [&](Controller& app) {
        connect(&app, &QCoreApplication::aboutToQuit, [&] { closed = !app.window().isVisible(); });
        auto* selector = app.window().findChild<QComboBox*>("cmbProfile");
        selector->setCurrentIndex(selector->findText("Before"));
        app.window().profileEditorWidget()->editPressed();
        app.window().findChild<QLineEdit*>("editDevice")->setText("Edited");
        kolz::test::answerNext<QMessageBox>([&](QMessageBox* box) {
            asked << box->windowTitle();
            for (int signal : requests.mid(1))
                std::raise(signal);
            if (!QTest::qWaitFor([box] { return !box->isVisible(); }, 10000))
                app.exit(1); // left unanswered
        });
        if (requests.first())
            std::raise(requests.first());
        else
            selector->setCurrentIndex(selector->findText("Other"));
    });
    QCOMPARE(code, 0);
    QVERIFY(closed);
    QCOMPARE(asked, QStringList{"Unsaved changes"});
    std::string current;
    kolz::test::loadedStore("KolZendra")->GetString(currentProfileKey, current);
    QCOMPARE(current, std::string("edit.xml"));
    QFile file(dir + "/edit.xml");
    QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains("Before"));
}

int main(int argc, char** argv)
{
    // Under nohup the process would start with SIGHUP ignored, and so would the program.
    std::signal(SIGHUP, SIG_DFL);
    kolz::test::IsolatedEnvironment environment;
    TestLifecycle test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lifecycle.moc"
