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
#include <optional>

namespace {

int appArgc = 1;
char appName[] = "test_app_lifecycle";
char* appArgv[] = {appName, nullptr};

// Runs the program, stored is set without saving first, until `end` makes it end; `ended` sees
// it once its event loop is over.
int runProgram(const std::string& stored, const std::function<void(Controller&)>& end,
               const std::function<void(Controller&)>& ended = {})
{
    Controller app(appArgc, appArgv);
    if (!stored.empty())
        app.preferences()->SetBool(stored, false);
    QTimer::singleShot(0, &app, [&] { end(app); });
    const int code = app.run();
    if (ended)
        ended(app);
    return code;
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
            std::raise(signalNamed(how));
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
    // What asks first (the window's close button, a signal, or a step that drops the edits), the
    // profile edited, each dialog's answer in turn (buttons, "=name" typed in a prompt, signals
    // raised while it is open), the dialogs that were answered and whether the edits were saved.
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<bool>("saved");
    const auto row = [](const QString& name, const char* start, const char* profile,
                        const QStringList& answers, const QStringList& asked, bool saved) {
        QTest::newRow(qPrintable(name)) << start << profile << answers << asked << saved;
    };
    const QStringList question{"Unsaved changes"};
    row("SIGHUP, then SIGINT", "SIGHUP", "edit", {"SIGINT"}, question, false);
    row("SIGTERM, then SIGHUP", "SIGTERM", "edit", {"SIGHUP"}, question, false);
    row("choosing, then SIGTERM twice", "choose", "edit", {"SIGTERM SIGTERM"}, question, false);
    // Closing asks once: a request while any dialog of the close is open drops the edits.
    const QStringList copy{"Save", "btnCopy"}, named{"Save changes", "Choose a file name"};
    const std::tuple<const char*, const char*, QStringList, QStringList> dialogs[] = {
        {"question", "edit", {}, {}},
        {"copy offer", "built-in", {"Save"}, {"Save changes"}},
        {"file name", "built-in", copy, named},
        {"replace", "built-in", copy + QStringList{"=other.xml"}, named + named.mid(1)},
        {"bad name", "built-in", copy + QStringList{"=.hidden"}, named + QStringList{"Error"}},
        {"failed save", "unwritable", {"Save"}, {"Failed to save file"}}};
    for (const auto& [dialog, profile, before, shown] : dialogs) {
        for (const char* requests : {"SIGTERM", "SIGTERM SIGINT"})
            row(QString("close, %1, %2").arg(dialog, requests), "close", profile,
                before + QStringList{requests}, question + shown, false);
    }
    row("SIGHUP, copy offer, SIGTERM", "SIGHUP", "built-in", {"Save", "SIGTERM"},
        question + QStringList{"Save changes"}, false);
    // A request while another step asks: once answered, the step stops and the close follows,
    // asking about what remains. A second request while the step saves drops the edits.
    for (const char* step : {"choose", "actionNew_Profile", "actionPreferences"}) {
        row(QString(step) + ", SIGTERM, Save", step, "edit", {"SIGTERM Save"}, question, true);
        row(QString(step) + ", SIGTERM, Discard", step, "edit", {"SIGTERM Discard"}, question,
            false);
        row(QString(step) + ", SIGTERM, Cancel", step, "edit",
            {"SIGTERM Cancel", *step == 'c' ? "Discard" : "SIGINT"}, question + question, false);
    }
    row("Preferences, Discard, SIGTERM", "actionPreferences", "edit", {"Discard", "SIGTERM"},
        question + QStringList{"Preferences"}, false);
    row("choosing, SIGTERM, Save, SIGINT", "choose", "built-in", {"SIGTERM Save", "SIGINT"},
        question + QStringList{"Save changes"}, false);
    row("choosing, Save, SIGTERM, copy", "choose", "built-in",
        {"Save", "SIGTERM btnCopy", "=copy.xml"}, question + named, true);
}

// Every end stops the connected application once and leaves the window closed; a step that
// asked does not go ahead, and the current profile stays the edited one (or its saved file).
void TestLifecycle::askedTwiceToEndDiscardsEdits()
{
    QFETCH(QString, start);
    QFETCH(QString, profile);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, asked);
    QFETCH(bool, saved);
    const QString dir = kolz::test::environment().profiles();
    QVERIFY(QDir(dir).removeRecursively() && QDir().mkpath(dir));
    kolz::test::writeFile(dir + "/edit.xml", "<profile><device>Before</device></profile>");
    kolz::test::writeFile(dir + "/other.xml", "<profile><device>Other</device></profile>");
    QStringList shown;
    bool closed = false;
    bool signalled = false;
    std::string edited;
    std::optional<kolz::test::TestPeer> peer;
    qsizetype stops = 0;
    kolz::test::ShownWindows answering;
    const int code = runProgram(
        {},
        [&](Controller& app) {
            connect(&app, &QCoreApplication::aboutToQuit,
                    [&] { closed = !app.window().isVisible(); });
            // Its dialog gone or the program ending (a dialog under the close stays up until
            // the close is over).
            const auto gone = [&app](QWidget* w) {
                return QTest::qWaitFor(
                    [&] { return !w->isVisible() || !app.window().isVisible(); });
            };
            peer.emplace();
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
            // A folder where its file was: the save fails.
            if (profile == "unwritable" &&
                !(QFile::remove(dir + "/edit.xml") && QDir(dir).mkdir("edit.xml")))
                return app.exit(1);
            answering.everyModal([&](QWidget* modal) {
                // Once a request drops the edits, nobody but the program answers.
                if (!signalled) {
                    auto* box = qobject_cast<QMessageBox*>(modal);
                    shown << (box && box->windowTitle().isEmpty() ? box->text()
                                                                  : modal->windowTitle());
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
            else if (start == "choose")
                selector->setCurrentIndex(selector->findText("Other"));
            else if (start == "close")
                app.window().close();
            else
                app.window().findChild<QAction*>(start)->trigger();
            if (!gone(&app.window()))
                app.exit(1); // still running
        },
        [&](Controller&) {
            (void)QTest::qWaitFor(
                [&] { return peer->receivedTypes().contains(MessageType::ServerStop); });
            stops = peer->receivedTypes().count(MessageType::ServerStop);
            peer.reset();
        });
    QCOMPARE(shown, asked);
    QCOMPARE(stops, 1);
    QVERIFY(closed);
    QCOMPARE(code, 0);
    QString savedIn;
    for (const QFileInfo& file : QDir(dir).entryInfoList(QDir::Files)) {
        QFile written(file.filePath());
        if (written.open(QIODevice::ReadOnly) && written.readAll().contains("Edited"))
            savedIn = file.fileName();
    }
    QCOMPARE(!savedIn.isEmpty(), saved);
    std::string current;
    kolz::test::loadedStore("KolZendra")->GetString(currentProfileKey, current);
    QCOMPARE(current, saved ? savedIn.toStdString() : edited);
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
