// The real program as a separate process, headless, in this test's private HOME and TMPDIR
// (inherited): stopped by SIGTERM, started twice, killed hard and started again.
#include "support/TestEnvironment.h"
#include "tests/peer/TestPeer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <memory>
#include <vector>

#include <csignal>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ui::messages;
using kolz::test::TestPeer;

namespace {

// Start-up under the sanitizers takes a while on a busy machine.
constexpr int startTimeoutMs = 60000;

bool lockHeld()
{
    QLocalSocket probe;
    probe.connectToServer(QStringLiteral("KolZendraGUI"));
    const bool connected = probe.waitForConnected(300);
    probe.abort();
    return connected;
}

// With fileSizeLimit, it starts under that RLIMIT_FSIZE and with SIGXFSZ at its default, as a
// shell's ulimit -f leaves it. With errorUnread, its standard error is a pipe whose reader ended
// (`2>&1 | head -1`), with SIGPIPE at its default.
std::unique_ptr<QProcess> startProgram(rlim_t fileSizeLimit = RLIM_INFINITY,
                                       bool errorUnread = false)
{
    auto program = std::make_unique<QProcess>();
    program->setProgram(QStringLiteral(KOLZ_GUI_BINARY));
    program->setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    if (fileSizeLimit != RLIM_INFINITY) {
        program->setChildProcessModifier([fileSizeLimit, errorUnread] {
            int unread[2];
            if (errorUnread && ::pipe(unread) == 0) {
                ::close(unread[0]);
                ::dup2(unread[1], STDERR_FILENO);
                ::close(unread[1]);
                std::signal(SIGPIPE, SIG_DFL);
            }
            rlimit limit = {};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = fileSizeLimit;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_DFL);
        });
    }
    program->start();
    return program;
}

// Running and holding its lock, so the application socket listens too.
bool waitUntilRunning(QProcess& program)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < startTimeoutMs) {
        if (program.state() == QProcess::NotRunning)
            return false;
        if (lockHeld())
            return true;
        QTest::qWait(100);
    }
    return false;
}

// The program has accepted the peer and read all it sent: nothing of it waits in the socket any
// more (the kernel counts a local socket's sent bytes until the other end has read them).
bool allRead(TestPeer& peer)
{
    QLocalSocket* socket = peer.socket();
    socket->flush();
    int unread = -1;
    return socket->bytesToWrite() == 0 &&
           ::ioctl(int(socket->socketDescriptor()), SIOCOUTQ, &unread) == 0 && unread == 0;
}

// A lock that takes no connection, its queue full: the probe of a start waits its whole time,
// after the window listens. Gives the descriptors to close.
std::vector<int> fullLock()
{
    sockaddr_un address = {AF_UNIX, {}};
    const QByteArray path = QFile::encodeName(QDir::tempPath() + QStringLiteral("/KolZendraGUI"));
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    const auto at = reinterpret_cast<sockaddr*>(&address);
    std::vector<int> fds{::socket(AF_UNIX, SOCK_STREAM, 0)};
    if (::bind(fds[0], at, sizeof address) != 0 || ::listen(fds[0], 0) != 0)
        return {};
    do
        fds.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
    while (::connect(fds.back(), at, sizeof address) == 0);
    return fds;
}

} // namespace

class TestProcess : public QObject
{
    Q_OBJECT

private slots:
    void sigtermStopsPeersAndExitsNormally_data();
    void sigtermStopsPeersAndExitsNormally();
    void secondInstanceSaysSoAndEnds();
    void crowdedLockStillRefusesASecondInstance();
    void restartsAfterKill();
    void unreadablePreferencesSayWhy();
};

void TestProcess::sigtermStopsPeersAndExitsNormally_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("again");
    QTest::addColumn<bool>("starting"); // sent once it listens, while it still starts
    // 1: started under a file-size limit of no byte; the preference saves at the start and at
    // the end fail as on a full disk, say so, and keep the old file. 2: the same, and nobody
    // reads standard error any more (a pipe to a reader that ended), so saying so fails too.
    QTest::addColumn<int>("limited");
    QTest::newRow("SIGTERM") << int(SIGTERM) << 0 << false << 0;
    QTest::newRow("SIGHUP, the terminal closed") << int(SIGHUP) << 0 << false << 0;
    QTest::newRow("Ctrl+C, again as it ends") << int(SIGINT) << int(SIGINT) << false << 0;
    QTest::newRow("SIGTERM as it starts") << int(SIGTERM) << 0 << true << 0;
    QTest::newRow("SIGTERM, ulimit -f 0") << int(SIGTERM) << 0 << false << 1;
    QTest::newRow("SIGTERM, ulimit -f 0, standard error unread") << int(SIGTERM) << 0 << false << 2;
}

void TestProcess::sigtermStopsPeersAndExitsNormally()
{
    QFETCH(int, signal);
    QFETCH(int, again);
    QFETCH(bool, starting);
    QFETCH(int, limited);
    // Under nohup the program would inherit SIGHUP ignored from this process.
    std::signal(SIGHUP, SIG_DFL);
    const std::vector<int> lock = starting ? fullLock() : std::vector<int>();
    const QString settings =
        QDir::homePath() + QStringLiteral("/.kolconfig/Tollerwaith Technologies");
    QVERIFY(QDir().mkpath(settings));
    QFile file(settings + QStringLiteral("/com.heliark.KolZendra.plist"));
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.write("<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict/>\n</plist>\n");
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    auto program = startProgram(limited ? 0 : RLIM_INFINITY, limited == 2);
    TestPeer peers[3]; // while it starts, each connects; they wait in its listen queue
    TestPeer& peer = peers[0];
    const int connected = starting ? 3 : 1;
    for (int i = 0; starting && i < connected; ++i) {
        const QDeadlineTimer deadline(startTimeoutMs);
        while (!peers[i].connectToPanel(QStringLiteral("KolZendra"), 100) && !deadline.hasExpired())
            QTest::qWait(5);
    }
    if (!starting) {
        QVERIFY(waitUntilRunning(*program));
        QVERIFY(peer.connectToPanel());
        peer.send({Message::makeSetPID(99), Message::makeSetName("process test"),
                   Message::makeWarning("still here")});
        QTRY_VERIFY_WITH_TIMEOUT(allRead(peer), startTimeoutMs);
    }
    const pid_t pid = pid_t(program->processId());
    QVERIFY(pid > 0); // 0 would signal this test's own group
    // Once the stop went out, again every 0.3 ms until it has ended: at every moment of its end.
    connect(&peer, &TestPeer::commandReceived, [pid, again] {
        siginfo_t ended = {};
        while (again && !::waitid(P_PID, id_t(pid), &ended, WEXITED | WNOHANG | WNOWAIT) &&
               !ended.si_pid && !::kill(pid, again))
            ::usleep(300);
    });
    ::kill(pid, signal);
    QTRY_VERIFY_WITH_TIMEOUT(program->state() == QProcess::NotRunning, startTimeoutMs);
    for (const int fd : lock)
        ::close(fd);
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), 0);
    for (int i = 0; i < connected; ++i)
        QTRY_COMPARE(peers[i].receivedTypes(), QList<std::uint32_t>({MessageType::ServerStop}));
    QVERIFY(!QFile::exists(QDir::tempPath() + QStringLiteral("/KolZendra")));
    QVERIFY(!lockHeld());
    if (limited) {
        const QByteArray error = program->readAllStandardError();
        QVERIFY2(limited == 2 || error.contains(QFile::encodeName(file.fileName()) +
                                                " was not saved: File too large."),
                 error.constData());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QCOMPARE(QDir(settings).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

void TestProcess::secondInstanceSaysSoAndEnds()
{
    auto first = startProgram();
    QVERIFY(waitUntilRunning(*first));
    auto second = startProgram();
    QVERIFY(second->waitForFinished(startTimeoutMs));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 1); // it did not start
    QVERIFY(second->readAllStandardError().contains("KolZendraGUI is already running"));
    // The first one is unaffected.
    TestPeer peer;
    QVERIFY(peer.connectToPanel());
    first->kill(); // SIGKILL: leaves its socket files for the next test
    QVERIFY(first->waitForFinished(startTimeoutMs));
}

// Connections to the lock that nobody takes would fill its listen queue; a later start's probe
// would then time out instead of connecting, and that start must not take the application socket.
void TestProcess::crowdedLockStillRefusesASecondInstance()
{
    auto first = startProgram();
    QVERIFY(waitUntilRunning(*first));
    std::vector<std::unique_ptr<QLocalSocket>> crowd;
    for (int i = 0; i < 100; ++i) {
        crowd.push_back(std::make_unique<QLocalSocket>());
        crowd.back()->connectToServer(QStringLiteral("KolZendraGUI"));
    }
    QTest::qWait(1000);
    auto second = startProgram();
    QVERIFY(second->waitForFinished(startTimeoutMs));
    QCOMPARE(second->exitCode(), 1);
    QVERIFY(second->readAllStandardError().contains("KolZendraGUI is already running"));
    // The application socket is still the first one's: it stops the peer when it ends.
    TestPeer peer;
    QVERIFY(peer.connectToPanel());
    peer.send(Message::makeSetPID(7));
    QTRY_VERIFY_WITH_TIMEOUT(allRead(peer), startTimeoutMs);
    first->terminate();
    QVERIFY(first->waitForFinished(startTimeoutMs));
    QCOMPARE(first->exitCode(), 0);
    QTRY_VERIFY(peer.receivedTypes().contains(MessageType::ServerStop));
}

void TestProcess::restartsAfterKill()
{
    auto program = startProgram();
    QVERIFY(waitUntilRunning(*program));
    program->kill();
    QVERIFY(program->waitForFinished(startTimeoutMs));
    QVERIFY(QFile::exists(QDir::tempPath() + QStringLiteral("/KolZendraGUI")));
    QVERIFY(QFile::exists(QDir::tempPath() + QStringLiteral("/KolZendra")));

    auto again = startProgram();
    QVERIFY(waitUntilRunning(*again));
    TestPeer peer;
    QVERIFY(peer.connectToPanel());
    peer.send(Message::makeSetPID(1));
    QTRY_VERIFY_WITH_TIMEOUT(allRead(peer), startTimeoutMs);
    ::kill(pid_t(again->processId()), SIGINT); // Ctrl+C in a terminal
    QVERIFY(again->waitForFinished(startTimeoutMs));
    QCOMPARE(again->exitStatus(), QProcess::NormalExit);
    QCOMPARE(again->exitCode(), 0);
    QTRY_VERIFY(peer.receivedTypes().contains(MessageType::ServerStop));
}

void TestProcess::unreadablePreferencesSayWhy()
{
    // The configuration directory cannot be made: a file sits where it belongs.
    const QString home = kolz::test::environment().root() + QStringLiteral("/blocked-home");
    QVERIFY(QDir().mkpath(home));
    QFile blocker(home + QStringLiteral("/.kolconfig"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QProcess program;
    program.setProgram(QStringLiteral(KOLZ_GUI_BINARY));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    program.setProcessEnvironment(environment);
    program.start();
    QVERIFY(program.waitForFinished(startTimeoutMs));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    const QByteArray error = program.readAllStandardError();
    QVERIFY2(error.contains("preference file"), error.constData());
    QVERIFY(!lockHeld());
}

KOLZ_TEST_MAIN_CORE(TestProcess)
#include "tst_process.moc"
