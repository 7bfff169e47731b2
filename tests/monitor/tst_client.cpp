#include "monitor/Client.h"
#include "support/TestEnvironment.h"
#include "tests/peer/TestPeer.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace ui::messages;
using kolz::test::TestPeer;

// One real connection: the peer on one end, a Client on the accepted socket. Every signal of the
// client is written to a log so that tests can check kinds and order together.
struct Link
{
    QStringList log; // first: the sockets still report while the server tears them down
    QLocalServer server;
    TestPeer peer;
    QLocalSocket* accepted = nullptr;
    Client* client = nullptr;

    bool open()
    {
        if (!server.listen(QStringLiteral("KolZendra")) || !peer.connectToPanel())
            return false;
        if (!server.waitForNewConnection(5000))
            return false;
        accepted = server.nextPendingConnection();
        client = new Client(&server, accepted);
        QObject::connect(client, &Client::setPID, [this](Client*, PID_TYPE pid) {
            log << QStringLiteral("pid %1").arg(pid);
        });
        QObject::connect(client, &Client::setName, [this](Client*, const QString& name) {
            log << QStringLiteral("name ") + name;
        });
        QObject::connect(client, &Client::clientMessage, [this](const Message& m) {
            log << QStringLiteral("client %1 %2").arg(m.type()).arg(m.qtext(layout::text));
        });
        QObject::connect(client, &Client::systemReportMessage, [this](const Message& m) {
            log << QStringLiteral("report %1").arg(m.type());
        });
        QObject::connect(client, &Client::cleanDisconnect, [this](Client*) { log << "clean"; });
        QObject::connect(client, &Client::ickyDisconnect, [this](Client*) { log << "icky"; });
        QObject::connect(client, &Client::badRead, [this](Client*) { log << "bad"; });
        return true;
    }
};

class TestClient : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void partialFrameWaitsForItsLastByte();
    void framesInOneWriteAreDispatchedInOrder();
    void routesEveryType_data();
    void routesEveryType();
    void invalidTypeDiscardsBufferedInput();
    void cleanDisconnectIgnoresEverythingAfter();
    void lostConnection();
    void commandsReachThePeerExactly();
    void serverStopSurvivesAnImmediateClose();
    void commandsAfterTheConnectionEndedAreDropped();
    void receiverMayDeleteTheClient();

private:
    std::unique_ptr<Link> link;
};

void TestClient::init()
{
    link = std::make_unique<Link>();
    QVERIFY(link->open());
}

void TestClient::cleanup()
{
    link.reset();
}

void TestClient::partialFrameWaitsForItsLastByte()
{
    const QByteArray bytes(Message::makeSetPID(4242).data(), qsizetype(Message::Size));
    link->peer.sendRaw(bytes.left(8239));
    QTRY_COMPARE(link->accepted->bytesAvailable(), 8239);
    QTest::qWait(20);
    QVERIFY(link->log.isEmpty());
    link->peer.sendRaw(bytes.right(1));
    QTRY_COMPARE(link->log, QStringList{"pid 4242"});
}

void TestClient::framesInOneWriteAreDispatchedInOrder()
{
    link->peer.send({Message::makeSetPID(7), Message::makeSetName(""), Message::makeInfo("one"),
                     Message::makeReportGLVersion(3), Message::makeWarning("two"),
                     Message::makeSetName("gr\xc3\xbc\xc3\x9f")});
    const QStringList expected{"pid 7",     "name ",        "client 6 one",
                               "report 14", "client 7 two", QString::fromUtf8("name grüß")};
    QTRY_COMPARE(link->log, expected);
}

void TestClient::routesEveryType_data()
{
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QString>("kind");
    for (quint32 type = 3; type <= 10; ++type)
        QTest::addRow("client %u", type) << type << "client";
    for (quint32 type = 14; type <= 20; ++type)
        QTest::addRow("report %u", type) << type << "report";
    for (quint32 type : {11u, 12u, 13u, 21u, 0xFFFFFFFFu})
        QTest::addRow("invalid %u", type) << type << "bad";
}

void TestClient::routesEveryType()
{
    QFETCH(quint32, type);
    QFETCH(QString, kind);
    Message frame;
    frame.setType(type);
    link->peer.send(frame);
    QTRY_COMPARE(link->log.size(), 1);
    QVERIFY2(link->log.first().startsWith(kind), qPrintable(link->log.first()));
}

void TestClient::invalidTypeDiscardsBufferedInput()
{
    link->peer.send({Message::makeInfo("before"), Message::makeWireframeOn(),
                     Message::makeInfo("dropped"), Message::makeInfo("dropped too")});
    QTRY_COMPARE(link->log, (QStringList{"client 6 before", "bad"}));
    QCOMPARE(link->accepted->bytesAvailable(), 0);
    // The connection stays usable.
    link->peer.send(Message::makeInfo("after"));
    QTRY_COMPARE(link->log.size(), 3);
    QCOMPARE(link->log.last(), "client 6 after");
}

void TestClient::cleanDisconnectIgnoresEverythingAfter()
{
    link->peer.send({Message::makeInfo("last words"), Message::makeCleanDisconnect(),
                     Message::makeInfo("ghost")});
    QTRY_COMPARE(link->log, (QStringList{"client 6 last words", "clean"}));
    link->peer.send({Message::makeCleanDisconnect(), Message::makeInfo("ghost 2")});
    link->peer.abort();
    QTRY_COMPARE(link->accepted->state(), QLocalSocket::UnconnectedState);
    QTest::qWait(20);
    QCOMPARE(link->log, (QStringList{"client 6 last words", "clean"}));
}

void TestClient::lostConnection()
{
    link->peer.send(Message::makeInfo("hello"));
    link->peer.abort();
    QTRY_COMPARE(link->log, (QStringList{"client 6 hello", "icky"}));
}

void TestClient::commandsReachThePeerExactly()
{
    link->client->wireframeOn();
    link->client->wireframeOff();
    link->client->notifyServerStop();
    QTRY_COMPARE(link->peer.received().size(), 3);
    QVERIFY(link->peer.received().at(0) == Message::makeWireframeOn());
    QVERIFY(link->peer.received().at(1) == Message::makeWireframeOff());
    QVERIFY(link->peer.received().at(2) == Message::makeServerStop());
}

void TestClient::serverStopSurvivesAnImmediateClose()
{
    link->client->notifyServerStop();
    // Tearing the connection down at once must not lose the frame still on its way out.
    link->accepted->abort();
    QTRY_COMPARE(link->peer.received().size(), 1);
    QCOMPARE(link->peer.received().first().type(), std::uint32_t(MessageType::ServerStop));
}

void TestClient::commandsAfterTheConnectionEndedAreDropped()
{
    link->peer.abort();
    QTRY_COMPARE(link->log, QStringList{"icky"});
    link->client->notifyServerStop();
    link->client->wireframeOn();
    QCOMPARE(link->accepted->bytesToWrite(), 0);

    // And once the socket itself is gone.
    delete link->accepted;
    link->client->notifyServerStop();
    link->client->socketReadyRead();
}

void TestClient::receiverMayDeleteTheClient()
{
    QObject::connect(link->client, &Client::clientMessage, link->client,
                     [this](const Message&) { delete link->client; });
    QPointer<Client> watch(link->client);
    link->peer.send({Message::makeInfo("a"), Message::makeInfo("b"), Message::makeInfo("c")});
    QTRY_VERIFY(watch.isNull());
    QCOMPARE(link->log.size(), 1);
}

KOLZ_TEST_MAIN_CORE(TestClient)
#include "tst_client.moc"
