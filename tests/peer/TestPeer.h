#pragma once

#include "monitor/Message.h"

#include <QByteArray>
#include <QList>
#include <QLocalSocket>
#include <QObject>
#include <QString>

#include <vector>

namespace kolz::test {

// Frames laid end to end, as they travel on the socket.
QByteArray encodeFrames(const std::vector<ui::messages::Message>& frames);
// The name of a command type the panel sends, e.g. "ServerStop"; "Type <n>" for anything else.
QString commandName(std::uint32_t type);

// A stand-in for the emulation library on the far side of the panel's local socket. It sends
// whatever frames it is given and collects the whole frames the panel writes back.
class TestPeer : public QObject
{
    Q_OBJECT

public:
    explicit TestPeer(QObject* parent = nullptr);
    ~TestPeer() override;

    // Blocks until connected or the timeout passes.
    bool connectToPanel(const QString& serverName = QStringLiteral("KolZendra"),
                        int timeoutMs = 5000);
    // Closes the connection without a CleanDisconnect frame.
    void abort();
    // Sends a CleanDisconnect frame and then closes the connection.
    void disconnectCleanly();

    void send(const ui::messages::Message& frame);
    void send(const std::vector<ui::messages::Message>& frames);
    void sendRaw(const QByteArray& bytes);
    // Blocking write of a long stream in chunks; for a peer that runs on its own thread.
    bool sendBlocking(const QByteArray& bytes, qsizetype chunkSize = 64 * 1024,
                      int timeoutMs = 30000);

    QLocalSocket* socket() { return &m_socket; }
    // The frames the panel sent back, in arrival order.
    const QList<ui::messages::Message>& received() const { return m_received; }
    QList<std::uint32_t> receivedTypes() const;

signals:
    void commandReceived(std::uint32_t type);

private slots:
    void readCommands();

private:
    QLocalSocket m_socket;
    QList<ui::messages::Message> m_received;
};

} // namespace kolz::test
