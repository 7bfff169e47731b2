// Whole runs of the program's application object, one per case.
#include "app/Controller.h"
#include "common_gui/KitTestHelpers.h"
#include "prefs/ProgramSettings.h"
#include "support/TestEnvironment.h"
#include "tests/peer/TestPeer.h"
#include "tests/widgets/WidgetsTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimer>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

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

using ui::messages::MessageType;

int signalNamed(const QString& name)
{
    return name == "SIGINT" ? SIGINT : name == "SIGHUP" ? SIGHUP : SIGTERM;
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
    for (const char* how : {"close", "actionExit", "SIGINT", "SIGTERM", "SIGHUP", "forked"})
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
    int forkEnded = SIGTERM;
    const int code = runProgram(key.toStdString(), [&](Controller& app) {
        splashShown = app.window().aboutBoxDialog()->isVisible();
        if (how == "forked") {
            // A process forked from the program (the desktop's URL opener forks) ends by its
            // signal as without the handler, and asks the program nothing: the window stays.
            const pid_t child = ::fork();
            if (child == 0)
                ::_exit(std::raise(SIGTERM));
            ::waitpid(child, &forkEnded, 0);
            QCoreApplication::processEvents();
            forkEnded =
                app.window().isVisible() && WIFSIGNALED(forkEnded) ? WTERMSIG(forkEnded) : 0;
            app.window().close();
        } else if (how.startsWith("SIG"))
            std::raise(signalNamed(how));
        else if (how == "actionExit")
            app.window().findChild<QAction*>(how)->trigger();
        else
            app.window().close();
    });
    QCOMPARE(code, 0);
    QCOMPARE(forkEnded, SIGTERM);
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
    // What asks first, the profile edited, each dialog's answers in turn (buttons, or signals
    // raised while it is open) and the dialogs answered.
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("asked");
    const auto row = [](const char* name, const char* start, const char* profile,
                        const QStringList& answers, const QStringList& asked) {
        QTest::newRow(name) << start << profile << answers << asked;
    };
    const QStringList question{"Unsaved changes"}, copy = question + QStringList{"Save changes"};
    row("SIGHUP, then SIGINT", "SIGHUP", "edit", {"SIGINT"}, question);
    row("SIGTERM, then SIGHUP", "SIGTERM", "edit", {"SIGHUP"}, question);
    row("choosing, then SIGTERM twice", "choose", "edit", {"SIGTERM SIGTERM"}, question);
    // Closing asks once: a request while any dialog of the close is open drops the edits.
    row("close, copy offer, SIGTERM", "close", "built-in", {"Save", "SIGTERM"}, copy);
    row("close, copy offer, SIGTERM SIGINT", "close", "built-in", {"Save", "SIGTERM SIGINT"}, copy);
    row("close, failed save, SIGTERM", "close", "unwritable", {"Save", "SIGTERM"},
        question + QStringList{"Failed to save file"});
    // A request while another step asks: once answered, the close follows, asking again.
    row("choosing, SIGTERM, Cancel", "choose", "edit", {"SIGTERM Cancel", "Discard"},
        question + question);
    // The editor's own saves too: failed, cancelled or dismissed, the close follows.
    const QStringList prompt{"Choose a file name"};
    row("Save, failure box, SIGTERM", "save", "unwritable", {"SIGTERM OK", "Discard"},
        QStringList{"Failed to save file"} + question);
    row("Save, replace question, SIGTERM SIGINT", "save", "built-in",
        {"Copy", "=other.xml", "SIGTERM SIGINT"}, QStringList{"Save changes"} + prompt + prompt);
    row("Save As, SIGTERM, cancel", "save as", "edit", {"SIGTERM cancel", "Discard"},
        prompt + question);
    row("New Profile, replace question, SIGTERM", "new", "edit",
        {"Discard", "=other.xml", "SIGTERM No", "cancel"}, question + prompt + prompt + prompt);
}

// Every end stops the connected application once and leaves the window closed, the edits
// unsaved; a step that asked does not go ahead.
void TestLifecycle::askedTwiceToEndDiscardsEdits()
{
    QFETCH(QString, start);
    QFETCH(QString, profile);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, asked);
    const QString dir = kolz::test::environment().profiles();
    QVERIFY(QDir(dir).removeRecursively() && QDir().mkpath(dir));
    kolz::test::writeFile(dir + "/edit.xml", "<profile><device>Before</device></profile>");
    kolz::test::writeFile(dir + "/other.xml", "<profile><device>Other</device></profile>");
    QStringList shown;
    bool closed = false, signalled = false;
    std::string edited;
    qsizetype stops = 0;
    kolz::test::ShownWindows answering;
    const int code = runProgram({}, [&](Controller& app) {
        auto* peer = new kolz::test::TestPeer(&app);
        connect(&app, &QCoreApplication::aboutToQuit, [&, peer] {
            closed = !app.window().isVisible();
            (void)QTest::qWaitFor(
                [peer] { return peer->receivedTypes().contains(MessageType::ServerStop); });
            stops = peer->receivedTypes().count(MessageType::ServerStop);
            delete peer;
        });
        // A dialog under the close stays up until the close is over.
        const auto gone = [&app](QWidget* w) {
            return QTest::qWaitFor([&] { return !w->isVisible() || !app.window().isVisible(); });
        };
        if (!peer->connectToPanel())
            return app.exit(1);
        const auto entry =
            profile == "built-in" ? app.builtIns().front() : app.findProfile("edit.xml");
        edited = entry->identifier();
        auto* selector = app.window().findChild<QComboBox*>("cmbProfile");
        selector->setCurrentIndex(
            selector->findText(QString::fromStdString(entry->data()->displayName())));
        app.window().profileEditorWidget()->editPressed();
        app.window().findChild<QLineEdit*>("editDevice")->setText("Edited");
        if (profile == "unwritable") // a folder where its file was: the save fails
            QFile::remove(dir + "/edit.xml") && QDir(dir).mkdir("edit.xml");
        answering.everyModal([&](QWidget* modal) {
            // Once a request drops the edits, nobody but the program answers.
            if (!signalled) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                shown << (box && box->windowTitle().isEmpty() ? box->text() : modal->windowTitle());
                for (const QString& how : answers.value(shown.size() - 1).split(' ')) {
                    signalled = how.startsWith("SIG");
                    if (signalled)
                        std::raise(signalNamed(how));
                    QCoreApplication::processEvents(); // the program reads the signal
                    if (!signalled)
                        widgets::test::answer(modal, how);
                }
            }
            if (!gone(modal))
                app.exit(1); // left unanswered
        });
        if (start.startsWith("SIG"))
            std::raise(signalNamed(start));
        else if (start == "save")
            app.window().profileEditorWidget()->savePressed();
        else if (start == "save as")
            app.window().profileEditorWidget()->saveAsPressed();
        else if (start == "new")
            app.window().findChild<QAction*>("actionNew_Profile")->trigger();
        else if (start == "choose")
            selector->setCurrentIndex(selector->findText("Other"));
        else
            app.window().close();
        if (!gone(&app.window()))
            app.exit(1); // still running
    });
    QCOMPARE(shown, asked);
    QCOMPARE(stops, 1);
    QCOMPARE(code, 0);
    QVERIFY(closed);
    std::string current;
    kolz::test::loadedStore("KolZendra")->GetString(currentProfileKey, current);
    QCOMPARE(current, edited);
    QFile file(dir + "/edit.xml");
    QVERIFY(profile == "unwritable" ||
            (file.open(QIODevice::ReadOnly) && file.readAll().contains("Before")));
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
