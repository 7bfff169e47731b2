#include "support/TestEnvironment.h"
#include "tests/peer/PeerCommandLine.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using kolz::test::PeerCommandLine;
using Outcome = kolz::test::PeerCommandLine::Outcome;
using ui::messages::Message;

// kolz-peer is what a developer runs by hand to watch the panel: its command line must refuse
// what it cannot mean, and its failures must say what to do.
class TestPeerProgram : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void numbers_data();
    void numbers();
    void helpShowsDefaultsAndTheDemo();
    void nothingListening_data();
    void nothingListening();
    void sendsTheDemoAndTheWarnings();

private:
    static QProcess* startPeer(const QStringList& arguments);
};

void TestPeerProgram::defaults()
{
    PeerCommandLine commandLine(4242);
    QCOMPARE(commandLine.parse({"kolz-peer"}), Outcome::Run);
    QCOMPARE(commandLine.options().server, QStringLiteral("KolZendra"));
    QCOMPARE(commandLine.options().name, QStringLiteral("kolz-peer"));
    QCOMPARE(commandLine.options().pid, PID_TYPE(4242));
    QCOMPARE(commandLine.options().warnings, 0);
    QCOMPARE(commandLine.options().waitMs, 5000);
    QVERIFY(!commandLine.options().lost);
}

void TestPeerProgram::numbers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("error");

    QTest::newRow("all given") << QStringList{"--warnings", "12", "--wait", "0",
                                              "--pid",      "7",  "--lost"}
                               << true << QString();
    QTest::newRow("count not a number")
        << QStringList{"--warnings", "lots"} << false
        << QStringLiteral("--warnings wants a count (0 or more), not \"lots\"");
    QTest::newRow("count with a unit") << QStringList{"--warnings", "5k"} << false
                                       << QStringLiteral("--warnings wants a count (0 or more), "
                                                         "not \"5k\"");
    QTest::newRow("negative count") << QStringList{"--warnings", "-1"} << false
                                    << QStringLiteral("--warnings wants a count (0 or more), not "
                                                      "\"-1\"");
    QTest::newRow("count too large") << QStringList{"--warnings", "99999999999"} << false
                                     << QStringLiteral("--warnings wants a count (0 or more), "
                                                       "not \"99999999999\"");
    QTest::newRow("wait in seconds") << QStringList{"--wait", "5s"} << false
                                     << QStringLiteral("--wait wants milliseconds (0 or more), "
                                                       "not \"5s\"");
    QTest::newRow("pid not a number") << QStringList{"--pid", "me"} << false
                                      << QStringLiteral("--pid wants a process id (0 or more), "
                                                        "not \"me\"");
    QTest::newRow("stray argument")
        << QStringList{"demo"} << false << QStringLiteral("unexpected argument \"demo\"");
    QTest::newRow("unknown option")
        << QStringList{"--flood"} << false << QStringLiteral("Unknown option 'flood'.");
}

void TestPeerProgram::numbers()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, accepted);
    QFETCH(QString, error);

    PeerCommandLine commandLine(1);
    const Outcome outcome = commandLine.parse(QStringList{"kolz-peer"} + arguments);
    QCOMPARE(outcome, accepted ? Outcome::Run : Outcome::Error);
    QCOMPARE(commandLine.error(), error);
    if (accepted) {
        QCOMPARE(commandLine.options().warnings, 12);
        QCOMPARE(commandLine.options().waitMs, 0);
        QCOMPARE(commandLine.options().pid, PID_TYPE(7));
        QVERIFY(commandLine.options().lost);
    }
}

void TestPeerProgram::helpShowsDefaultsAndTheDemo()
{
    PeerCommandLine commandLine(1);
    QCOMPARE(commandLine.parse({"kolz-peer", "--help"}), Outcome::Help);
    const QString help = commandLine.helpText();
    QVERIFY2(help.contains(QStringLiteral("Default: KolZendra.")), qPrintable(help));
    QVERIFY2(help.contains(QStringLiteral("Default: 5000.")), qPrintable(help));
    QVERIFY2(help.contains(QStringLiteral("The demo, in order:")), qPrintable(help));
}

QProcess* TestPeerProgram::startPeer(const QStringList& arguments)
{
    // The child inherits this test's private HOME and TMPDIR.
    auto* process = new QProcess;
    process->start(QStringLiteral(KOLZ_PEER_PROGRAM), arguments);
    return process;
}

void TestPeerProgram::nothingListening_data()
{
    QTest::addColumn<bool>("staleFile");
    QTest::newRow("no socket file") << false;
    QTest::newRow("socket file left behind") << true;
}

void TestPeerProgram::nothingListening()
{
    QFETCH(bool, staleFile);
    const QString path = kolz::test::environment().tmp() + QStringLiteral("/KolZendra");
    QCOMPARE(kolz::test::localSocketPath(QStringLiteral("KolZendra")), path);
    if (staleFile) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    std::unique_ptr<QProcess> peer(startPeer({"--wait", "0"}));
    QVERIFY(peer->waitForFinished(30000));
    QCOMPARE(peer->exitCode(), 1);
    QCOMPARE(QString::fromUtf8(peer->readAllStandardError()),
             QStringLiteral("kolz-peer: no KolZendra panel is listening on %1\n").arg(path));
    QFile::remove(path);
}

void TestPeerProgram::sendsTheDemoAndTheWarnings()
{
    QLocalServer server;
    QVERIFY(server.listen(QStringLiteral("KolZendra")));
    std::unique_ptr<QProcess> peer(startPeer({"--wait", "0", "--warnings", "3", "--pid", "99"}));
    QVERIFY(server.waitForNewConnection(30000));
    QLocalSocket* socket = server.nextPendingConnection();

    QByteArray bytes;
    QObject::connect(socket, &QLocalSocket::readyRead, [&] { bytes += socket->readAll(); });
    QSignalSpy finished(peer.get(), &QProcess::finished);
    QVERIFY(finished.wait(30000));
    QTRY_COMPARE(socket->state(), QLocalSocket::UnconnectedState);
    bytes += socket->readAll();
    QCOMPARE(peer->exitCode(), 0);

    const std::size_t demo = kolz::test::demoFrames("kolz-peer", 99).size();
    QCOMPARE(std::size_t(bytes.size()), (demo + 3 + 1) * Message::Size);
    const auto typeAt = [&](std::size_t i) {
        return Message::fromBytes(bytes.constData() + i * Message::Size).type();
    };
    QCOMPARE(typeAt(0), std::uint32_t(ui::messages::SetPID));
    QCOMPARE(Message::fromBytes(bytes.constData()).u32(ui::messages::layout::pid), PID_TYPE(99));
    for (std::size_t i = demo; i < demo + 3; ++i)
        QCOMPARE(typeAt(i), std::uint32_t(ui::messages::Warning));
    QCOMPARE(typeAt(demo + 3), std::uint32_t(ui::messages::CleanDisconnect));
}

KOLZ_TEST_MAIN_CORE(TestPeerProgram)
#include "tst_peer.moc"
