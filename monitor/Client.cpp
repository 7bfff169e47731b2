#include "monitor/Client.h"

#include <QLocalSocket>

#include <sys/ioctl.h>

using ui::messages::Message;
using ui::messages::MessageType;

Client::Client(QObject* parent, QLocalSocket* socket) : QObject(parent), m_socket(socket)
{
    if (!m_socket)
        return;
    connect(m_socket, SIGNAL(readyRead()), this, SLOT(socketReadyRead()));
    connect(m_socket, SIGNAL(disconnected()), this, SLOT(socketDisconnected()));
}

Client::~Client() = default;

bool Client::inputPending() const
{
    if (!m_socket || m_cleanlyDisconnected)
        return false;
    if (m_socket->bytesAvailable() > 0)
        return true;
    int pending = 0;
    const qintptr descriptor = m_socket->socketDescriptor();
    return descriptor >= 0 && ::ioctl(int(descriptor), FIONREAD, &pending) == 0 && pending > 0;
}

void Client::wireframeOn()
{
    send(Message::makeWireframeOn());
}

void Client::wireframeOff()
{
    send(Message::makeWireframeOff());
}

void Client::notifyServerStop()
{
    send(Message::makeServerStop());
}

void Client::send(const Message& message)
{
    // Only a live connection takes a command, and it is pushed out at once: the stop frame is
    // often written just before the program quits and would otherwise never leave the buffer.
    if (!m_socket || m_socket->state() != QLocalSocket::ConnectedState)
        return;
    m_socket->write(message.data(), Message::Size);
    m_socket->flush();
}

void Client::socketDisconnected()
{
    emit ickyDisconnect(this);
}

void Client::discardInput()
{
    if (m_socket)
        m_socket->readAll();
}

void Client::socketReadyRead()
{
    // A receiver may spin a nested event loop; the outer loop below picks up whatever arrives
    // meanwhile, so a nested call has nothing to do.
    if (m_reading || !m_socket)
        return;
    if (m_cleanlyDisconnected) {
        discardInput();
        return;
    }
    m_reading = true;
    const QPointer<Client> self(this);
    while (self && m_socket && m_socket->bytesAvailable() >= qint64(Message::Size)) {
        if (m_socket->read(m_frame.data(), Message::Size) != qint64(Message::Size))
            break;
        const std::uint32_t type = m_frame.type();
        switch (type) {
        case MessageType::SetPID:
            emit setPID(this, m_frame.u32(ui::messages::layout::pid));
            break;
        case MessageType::CleanDisconnect:
            disconnect(m_socket, SIGNAL(disconnected()), this, SLOT(socketDisconnected()));
            m_cleanlyDisconnected = true;
            emit cleanDisconnect(this);
            if (self)
                m_reading = false;
            return;
        case MessageType::SetName:
            emit setName(this, m_frame.qtext(ui::messages::layout::text));
            break;
        case MessageType::BeginSection:
        case MessageType::EndSection:
        case MessageType::DebugMessage:
        case MessageType::Info:
        case MessageType::Warning:
        case MessageType::Error:
        case MessageType::GLError:
        case MessageType::ContextInfo:
            emit clientMessage(m_frame);
            break;
        case MessageType::ReportGLVersion:
        case MessageType::ReportHostExtension:
        case MessageType::ReportFeature:
        case MessageType::ReportRequirement:
        case MessageType::ReportAPIFeature:
        case MessageType::ReportExtensionFeature:
        case MessageType::ReportComplete:
            emit systemReportMessage(m_frame);
            break;
        default:
            // Without a length field there is no way to resynchronise inside the buffered
            // input, so all of it goes.
            emit badRead(this);
            if (self) {
                discardInput();
                m_reading = false;
            }
            return;
        }
    }
    if (self)
        m_reading = false;
}
