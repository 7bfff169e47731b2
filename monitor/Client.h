#pragma once

#include "monitor/Message.h"

#include <QLocalSocket>
#include <QObject>
#include <QPointer>
#include <QString>

// The panel's end of one emulated application's connection: cuts the byte stream into whole
// frames, turns each into a signal and sends the panel's commands back.
class Client : public QObject
{
    Q_OBJECT

public:
    // The socket belongs to the server that accepted it; the client only uses it.
    Client(QObject* parent, QLocalSocket* socket);
    ~Client() override;

    QLocalSocket* socket() const { return m_socket; }
    // Whether more input is already waiting, buffered or still in the system, so that another
    // read follows at once; receivers use it to group their work while a flood lasts.
    bool inputPending() const;

signals:
    void setPID(Client* client, PID_TYPE pid);
    void setName(Client* client, const QString& name);
    void systemReportMessage(const ui::messages::Message& message);
    void clientMessage(const ui::messages::Message& message);
    void cleanDisconnect(Client* client);
    void ickyDisconnect(Client* client);
    void badRead(Client* client);

public slots:
    void wireframeOn();
    void wireframeOff();
    void notifyServerStop();
    void socketDisconnected();
    void socketReadyRead();

private:
    void send(const ui::messages::Message& message);
    void discardInput();

    QPointer<QLocalSocket> m_socket;
    ui::messages::Message m_frame;
    bool m_reading = false;
    // Set by a CleanDisconnect frame: whatever the peer sends afterwards is not dispatched, so
    // its page cannot be finished twice.
    bool m_cleanlyDisconnected = false;
};
