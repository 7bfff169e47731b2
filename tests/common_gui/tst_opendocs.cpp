#include "support/TestEnvironment.h"

#include "common_gui/ClickableLabel.h"
#include "common_gui/KitTestHelpers.h"
#include "common_gui/OpenDocumentation.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using kolz::test::answerBox;
using kolz::test::answerFileDialog;
using kolz::test::answerModal;
using kolz::test::writeFile;

namespace {

// What the opener inherits: the standard descriptors, no signal blocked, only the signals that
// the process was started ignoring ignored (as a hexadecimal mask), and a shell waiting for it,
// not a copy of the program.
QByteArray openerStart(const char* ignored = "0000000000000000")
{
    return QByteArray("0 1 2 SigBlk:\t0000000000000000 SigIgn:\t") + ignored + " parent:sh";
}

// Stands for the program's handler: a forked process that runs it fails.
pid_t testProcess = 0;
extern "C" void failIfForked(int)
{
    if (::getpid() != testProcess)
        ::_exit(1);
}

} // namespace

class TestOpenDocumentation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pathsReachTheOpenerUnchangedWithOnlyStandardDescriptors();
    void openerKeepsWhatTheProcessStartedIgnoring_data();
    void openerKeepsWhatTheProcessStartedIgnoring();
    void signalsToTheGroupRunNoHandlerInForkedProcesses();
    void lookupOrderThenTheUserLocatesTheFile();
    void clickableLabelAndListDirectory();

private:
    // Runs call with a fresh record for the stand-in "xdg-open" on PATH, and gives what it
    // recorded: the descriptors it inherited, then its arguments (nothing if it never ran).
    QList<QByteArray> opened(const std::function<void()>& call);

    QTemporaryDir work;
    int records = 0;
};

void TestOpenDocumentation::initTestCase()
{
    const QString opener = work.filePath("bin/xdg-open");
    QVERIFY(QDir().mkpath(work.filePath("bin")));
    QVERIFY(QFile::copy(QStringLiteral(KOLZ_FAKE_XDG_OPEN), opener));
    QFile(opener).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    qputenv("PATH", QFile::encodeName(work.filePath("bin")) + ":" + qgetenv("PATH"));
}

QList<QByteArray> TestOpenDocumentation::opened(const std::function<void()>& call)
{
    const QString record = work.filePath(QStringLiteral("record%1").arg(++records));
    qputenv("KOLZ_FAKE_XDG_RECORD", QFile::encodeName(record));
    call();
    QFile file(record);
    QDeadlineTimer deadline(10000);
    while (!file.exists() && !deadline.hasExpired())
        QTest::qWait(10);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> items = file.readAll().split('\0');
    items.removeLast();
    return items;
}

void TestOpenDocumentation::pathsReachTheOpenerUnchangedWithOnlyStandardDescriptors()
{
    // A descriptor without close-on-exec, as a library might leave one open.
    const int leaked = ::open("/dev/null", O_RDONLY);
    QVERIFY(leaked > 2);
    const auto hangUp = std::signal(SIGHUP, SIG_IGN); // nor a signal ignored since the start
    const auto restore = qScopeGuard([hangUp] { std::signal(SIGHUP, hangUp); });
    int status = 0;
    for (const QString name : {"plain.html", "with \"quotes\" and spaces.html",
                               "$HOME and $(touch pwned) and `touch pwned2`.html",
                               "back\\slash\\\".html", "new\nline; rm -rf x'.html"}) {
        const QString path = writeFile(work.filePath(name));
        const QList<QByteArray> record = opened([&] {
            QVERIFY(openWithDesktop(path.toStdString()));
            // The intermediate child is reaped before the call returns: no zombie is left.
            QVERIFY(::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD);
        });
        QCOMPARE(record, (QList<QByteArray>{openerStart(), path.toUtf8()}));
    }
    // A relative path that reads like an option reaches the opener as a path.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    QVERIFY(!writeFile(work.filePath("--help.html")).isEmpty());
    const QList<QByteArray> record = opened([] { QVERIFY(openWithDesktop("--help.html")); });
    QVERIFY(QDir::setCurrent(cwd));
    QCOMPARE(record, (QList<QByteArray>{openerStart(), "./--help.html"}));
    ::close(leaked);
    QVERIFY(!QFile::exists(work.filePath("pwned")) && !QFile::exists(work.filePath("pwned2")));

    // A missing file is not opened, nor is one when there is no xdg-open to run.
    QVERIFY(!openWithDesktop(work.filePath("absent.html").toStdString()));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(work.filePath("nowhere")));
    QVERIFY(!openWithDesktop(writeFile(work.filePath("present.html")).toStdString()));
    qputenv("PATH", path);
    QVERIFY(::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD);
}

void TestOpenDocumentation::openerKeepsWhatTheProcessStartedIgnoring_data()
{
    QTest::addColumn<QList<int>>("ignored");
    QTest::addColumn<QByteArray>("mask");
    QTest::newRow("nothing ignored") << QList<int>{} << QByteArray("0000000000000000");
    QTest::newRow("under nohup, SIGCHLD ignored")
        << QList<int>{SIGHUP, SIGCHLD} << QByteArray("0000000000000001");
    QTest::newRow("a background job")
        << QList<int>{SIGINT, SIGQUIT} << QByteArray("0000000000000006");
    // The shell that waits for the opener needs SIGALRM for its own end.
    QTest::newRow("SIGALRM ignored") << QList<int>{SIGALRM} << QByteArray("0000000000002000");
}

// This test program started again with some signals ignored: its main only opens a file (see
// below).
void TestOpenDocumentation::openerKeepsWhatTheProcessStartedIgnoring()
{
    QFETCH(QList<int>, ignored);
    QFETCH(QByteArray, mask);
    const QString path = writeFile(work.filePath("started.html"));
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KOLZ_OPEN_AND_END", path);
    process.setChildProcessModifier([ignored] {
        for (const int number : {SIGHUP, SIGINT, SIGQUIT, SIGCHLD, SIGXFSZ, SIGTERM, SIGALRM})
            std::signal(number, ignored.contains(number) ? SIG_IGN : SIG_DFL);
    });
    const QList<QByteArray> record = opened([&] {
        environment.insert("KOLZ_FAKE_XDG_RECORD", qEnvironmentVariable("KOLZ_FAKE_XDG_RECORD"));
        process.setProcessEnvironment(environment);
        process.start();
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
    });
    QCOMPARE(record, (QList<QByteArray>{openerStart(mask), path.toUtf8()}));
}

// Ctrl+C in a terminal signals the whole process group, the processes Help forks included.
void TestOpenDocumentation::signalsToTheGroupRunNoHandlerInForkedProcesses()
{
    const pid_t group = ::getpgrp(); // a group of its own: nothing else is signalled
    QVERIFY(group == ::getpid() || ::setpgid(0, 0) == 0);
    testProcess = ::getpid();
    struct sigaction handler = {}, before = {};
    handler.sa_handler = failIfForked;
    handler.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &handler, &before);
    const std::string path = writeFile(work.filePath("storm.html")).toStdString();
    std::atomic<bool> storming = true;
    std::thread storm([&storming] {
        for (; storming; std::this_thread::sleep_for(std::chrono::microseconds(300)))
            ::kill(0, SIGTERM);
    });
    int started = 0;
    for (int i = 0; i < 150; ++i)
        started += openWithDesktop(path);
    storming = false;
    storm.join();
    ::sigaction(SIGTERM, &before, nullptr);
    ::setpgid(0, group);
    QCOMPARE(started, 150);
}

void TestOpenDocumentation::lookupOrderThenTheUserLocatesTheFile()
{
    const auto store = kolz::test::loadedStore("KitDocs");
    QVERIFY(store);
    for (const char* file : {"docs/manual.html", "cwd/manual.html", "stored.html"})
        QVERIFY(!writeFile(work.filePath(file)).isEmpty());
    const QString docs = work.filePath("docs");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.filePath("cwd")));
    const auto openManual = [&] {
        openDocumentation(nullptr, store.get(), "manual.html", docs.toStdString(), "Document");
    };
    const auto recorded = [&] { return opened(openManual).mid(1); };
    const auto remembered = [](KolPreferences& from) {
        std::string path;
        from.GetString("OpenDocs/Document", path);
        return QString::fromStdString(path);
    };

    // The remembered path first, then the plain name as given, then the name inside the
    // directory as an absolute path; none needs a box, and nothing is written back.
    store->SetString("OpenDocs/Document", work.filePath("stored.html").toStdString());
    QCOMPARE(recorded(), QList<QByteArray>{work.filePath("stored.html").toUtf8()});
    QVERIFY(QFile::remove(work.filePath("stored.html")));
    QCOMPARE(recorded(), QList<QByteArray>{"manual.html"});
    QVERIFY(QFile::remove(work.filePath("cwd/manual.html")));
    QCOMPARE(recorded(), QList<QByteArray>{QDir(docs).absoluteFilePath("manual.html").toUtf8()});
    QCOMPARE(remembered(*store), work.filePath("stored.html"));

    // Not found anywhere: a box, then the file dialog, where the user picks the file, which is
    // remembered and saved to the file.
    QVERIFY(QFile::remove(work.filePath("docs/manual.html")));
    const QString chosen = writeFile(work.filePath("elsewhere/guide.html"));
    QStringList boxes;
    answerBox(boxes);
    answerFileDialog(chosen);
    QCOMPARE(recorded(), QList<QByteArray>{chosen.toUtf8()});
    QCOMPARE(boxes, (QStringList{"Documentation File Not Found",
                                 "Please locate the file: manual.html\n"}));
    QCOMPARE(remembered(*kolz::test::loadedStore("KitDocs")), chosen);

    // A chosen file that cannot be opened brings the second box; Cancel ends without storing.
    QVERIFY(QFile::remove(chosen));
    boxes.clear();
    answerBox(boxes);
    answerModal<QFileDialog>([&](QFileDialog* dialog) {
        answerBox(boxes, QMessageBox::Cancel);
        kolz::test::chooseFile(dialog, work.filePath("elsewhere/gone.html"));
    });
    openManual();
    QCOMPARE(boxes.size(), 4);
    QCOMPARE(boxes[2], QStringLiteral("File Open Failed"));
    QCOMPARE(remembered(*store), chosen);

    // With no xdg-open to run, or one that cannot be run, a box names the file found, or the one
    // the user picked, which is not remembered.
    const QByteArray path = qgetenv("PATH");
    const QString found = writeFile(work.filePath("docs/manual.html"));
    boxes.clear();
    answerBox(boxes);
    qputenv("PATH", QFile::encodeName(work.filePath("nowhere")));
    openManual();
    QVERIFY(QFile::remove(found));
    const QString picked = writeFile(work.filePath("elsewhere/picked.html"));
    answerBox(boxes);
    answerFileDialog(picked);
    answerBox(boxes);
    writeFile(work.filePath("noexec/xdg-open"), "#!/bin/sh\n");
    qputenv("PATH", QFile::encodeName(work.filePath("noexec")));
    openManual();
    qputenv("PATH", path);
    QCOMPARE(boxes.size(), 6);
    QCOMPARE(boxes[0], QStringLiteral("Cannot Open Documentation"));
    QCOMPARE(boxes[4], boxes[0]);
    QVERIFY2(boxes[1].endsWith("\n" + found) && boxes[5].endsWith("\n" + picked),
             qPrintable(boxes.join('|')));
    QCOMPARE(remembered(*kolz::test::loadedStore("KitDocs")), chosen);

    // One that runs but ends with a failing status is heard later, never waited for: within the
    // window after its start the same box names the status and the file, the file picked is not
    // remembered after all, and no child is left to reap. Past it (a browser xdg-open waited for,
    // failing long after it showed the file) nothing is said and the file picked stays.
    qputenv("KOLZ_FAKE_XDG_STATUS", "3");
    for (const bool late : {false, true}) {
        setOpenerStatusWindow(late ? 1 : 10);
        qputenv("KOLZ_FAKE_XDG_SLEEP", late ? "1300" : "0");
        boxes.clear();
        answerBox(boxes);
        answerFileDialog(picked);
        if (!late)
            answerBox(boxes);
        QCOMPARE(recorded(), QList<QByteArray>{picked.toUtf8()});
        // The watch is over once its notifier is gone.
        QTRY_VERIFY(qApp->findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly).isEmpty());
        QCOMPARE(boxes.size(), late ? 2 : 4);
        QVERIFY2(late || (boxes[3].contains("status 3") && boxes[3].endsWith("\n" + picked)),
                 qPrintable(boxes.join('|')));
        QCOMPARE(remembered(*kolz::test::loadedStore("KitDocs")), late ? picked : chosen);
        QVERIFY(::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD);
    }
    setOpenerStatusWindow(10);
    qunsetenv("KOLZ_FAKE_XDG_SLEEP");
    qunsetenv("KOLZ_FAKE_XDG_STATUS");
    QVERIFY(QDir::setCurrent(previous));
}

void TestOpenDocumentation::clickableLabelAndListDirectory()
{
    ClickableLabel label(QStringLiteral("What's this?"));
    QSignalSpy clicked(&label, &ClickableLabel::clicked);
    QSignalSpy doubleClicked(&label, &ClickableLabel::doubleClicked);
    QTest::mouseClick(&label, Qt::RightButton);
    QTest::mouseDClick(&label, Qt::RightButton);
    QCOMPARE(clicked.count() + doubleClicked.count(), 0);
    QTest::mouseClick(&label, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QTest::mouseDClick(&label, Qt::LeftButton);
    QCOMPARE(doubleClicked.count(), 1);

    // The first match by name, ignoring case; the output stays as it was when nothing matches.
    for (const char* name : {"B-manual.html", "a-notes.pdf", "c.txt"})
        QVERIFY(!writeFile(work.filePath(QStringLiteral("list/") + name)).isEmpty());
    const std::string list = work.filePath("list").toStdString();
    std::string out = "unchanged";
    QVERIFY(!listDirectory(out, list, "*.xml"));
    QCOMPARE(out, std::string("unchanged"));
    QVERIFY(listDirectory(out, list, "*"));
    QCOMPARE(out, std::string("a-notes.pdf"));
    QVERIFY(listDirectory(out, list, "*.html"));
    QCOMPARE(out, std::string("B-manual.html"));
}

extern "C" void onRequest(int) {}

int main(int argc, char** argv)
{
    // Started by openerKeepsWhatTheProcessStartedIgnoring: sets signals for its own sake, as the
    // program does, then opens the file named.
    if (const char* path = std::getenv("KOLZ_OPEN_AND_END")) {
        std::signal(SIGHUP, SIG_DFL);
        std::signal(SIGXFSZ, SIG_IGN);
        std::signal(SIGTERM, onRequest);
        return openWithDesktop(path) ? 0 : 1;
    }
    kolz::test::IsolatedEnvironment isolated;
    QApplication application(argc, argv);
    TestOpenDocumentation test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_opendocs.moc"
