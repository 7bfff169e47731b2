#include "TestPeer.h"

using ui::messages::Message;
using ui::messages::MessageType;

namespace kolz::test {

QByteArray encodeFrames(const std::vector<Message>& frames)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(frames.size() * Message::Size));
    for (const Message& frame : frames)
        bytes.append(frame.data(), qsizetype(Message::Size));
    return bytes;
}

QString commandName(std::uint32_t type)
{
    switch (type) {
    case MessageType::ServerStop:
        return QStringLiteral("ServerStop");
    case MessageType::WireframeOn:
        return QStringLiteral("WireframeOn");
    case MessageType::WireframeOff:
        return QStringLiteral("WireframeOff");
    default:
        return QStringLiteral("Type %1").arg(type);
    }
}

TestPeer::TestPeer(QObject* parent) : QObject(parent)
{
    connect(&m_socket, &QLocalSocket::readyRead, this, &TestPeer::readCommands);
}

TestPeer::~TestPeer() = default;

bool TestPeer::connectToPanel(const QString& serverName, int timeoutMs)
{
    m_socket.connectToServer(serverName);
    return m_socket.waitForConnected(timeoutMs);
}

void TestPeer::abort()
{
    m_socket.abort();
}

void TestPeer::disconnectCleanly()
{
    send(Message::makeCleanDisconnect());
    m_socket.disconnectFromServer();
}

void TestPeer::send(const Message& frame)
{
    sendRaw(QByteArray(frame.data(), qsizetype(Message::Size)));
}

void TestPeer::send(const std::vector<Message>& frames)
{
    sendRaw(encodeFrames(frames));
}

void TestPeer::sendRaw(const QByteArray& bytes)
{
    m_socket.write(bytes);
    m_socket.flush();
}

bool TestPeer::sendBlocking(const QByteArray& bytes, qsizetype chunkSize, int timeoutMs)
{
    for (qsizetype at = 0; at < bytes.size(); at += chunkSize) {
        const qsizetype count = std::min(chunkSize, bytes.size() - at);
        if (m_socket.write(bytes.constData() + at, count) != count)
            return false;
        while (m_socket.bytesToWrite() > 0) {
            if (!m_socket.waitForBytesWritten(timeoutMs))
                return false;
        }
    }
    return true;
}

QList<std::uint32_t> TestPeer::receivedTypes() const
{
    QList<std::uint32_t> types;
    for (const Message& frame : m_received)
        types.append(frame.type());
    return types;
}

void TestPeer::readCommands()
{
    while (m_socket.bytesAvailable() >= qint64(Message::Size)) {
        Message frame;
        if (m_socket.read(frame.data(), Message::Size) != qint64(Message::Size))
            return;
        m_received.append(frame);
        emit commandReceived(frame.type());
    }
}

} // namespace kolz::test
