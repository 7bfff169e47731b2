// Feeds arbitrary byte streams through a real local-socket connection into a Client, with a
// client page (shown, so that it also paints) and the report receiver wired as the main window
// wires them, then ends the connection cleanly or abruptly.
//
// Input: a sequence of records. Record byte 0 picks the frame type (low 5 bits; 31 stands for
// a huge type) and whether the payload is repeated to fill the frame (bit 7, which leaves every
// id list unterminated); byte 1 is the payload length; then the frame number (8 bytes) and the
// payload. The frames are written in pieces whose sizes come from the input as well. Every
// other input runs with a console, error list and console containers so small that the frames
// fill them, so that removing old output meets every kind of frame and open section.
#include "monitor/Client.h"
#include "monitor/ClientInterface.h"
#include "monitor/Message.h"
#include "monitor/SystemReportGUIReceiver.h"
#include "monitor/SystemReportViewer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPushButton>
#include <QTabWidget>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

using ui::messages::Message;

namespace {

struct Rig
{
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QLocalServer> server;
    std::unique_ptr<SystemReportGUIReceiver> receiver;
    std::unique_ptr<SystemReportViewer> viewer;
};

// Never destroyed: tearing Qt down from an exit handler, after some of its own statics are
// gone, crashes inside Qt.
Rig& rig()
{
    static Rig* rig = [] {
        auto* created = new Rig;
        Rig& r = *created;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_monitorlink";
        static char* argv[] = {name, nullptr};
        r.app = std::make_unique<QApplication>(argc, argv);
        qRegisterMetaType<Message>("ui::messages::Message");
        const QString path =
            QDir::tempPath() +
            QStringLiteral("/kolz-fuzz-link-%1").arg(QCoreApplication::applicationPid());
        QLocalServer::removeServer(path);
        r.server = std::make_unique<QLocalServer>();
        if (!r.server->listen(path))
            qFatal("cannot listen on %s", qPrintable(path));
        r.receiver = std::make_unique<SystemReportGUIReceiver>();
        r.viewer = std::make_unique<SystemReportViewer>();
        QObject::connect(r.receiver.get(), &SystemReportGUIReceiver::ready, r.viewer.get(),
                         &SystemReportViewer::setReport);
        return created;
    }();
    return *rig;
}

QByteArray framesFrom(const std::uint8_t* data, std::size_t size)
{
    QByteArray stream;
    std::size_t at = 0;
    while (at + 2 <= size && stream.size() < 64 * qsizetype(Message::Size)) {
        const std::uint8_t kind = data[at];
        const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
        at += 2;
        Message frame;
        const std::uint32_t type = kind & 0x1F;
        frame.setType(type == 31 ? 0xFFFFFFF0u : type);
        const std::size_t frameBytes = std::min<std::size_t>(8, length);
        std::memcpy(frame.data(), data + at, frameBytes);
        const std::uint8_t* payload = data + at + frameBytes;
        const std::size_t payloadLength = length - frameBytes;
        std::size_t written = 0;
        const std::size_t room = Message::Size - ui::messages::layout::payload;
        do {
            const std::size_t n = std::min(payloadLength, room - written);
            std::memcpy(frame.data() + ui::messages::layout::payload + written, payload, n);
            written += n;
        } while ((kind & 0x80) && payloadLength > 0 && written < room);
        stream.append(frame.data(), qsizetype(Message::Size));
        at += length;
    }
    return stream;
}

void spin(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Rig& r = rig();
    if (size < 1)
        return 0;
    const std::uint8_t control = data[0];
    const QByteArray stream = framesFrom(data + 1, size - 1);

    QLocalSocket peer;
    peer.connectToServer(r.server->fullServerName());
    if (!peer.waitForConnected(2000) || !r.server->waitForNewConnection(2000))
        qFatal("cannot connect");
    QLocalSocket* accepted = r.server->nextPendingConnection();

    auto client = std::make_unique<Client>(nullptr, accepted);
    const bool tight = control & 2;
    ConsoleFrames::setShape(tight ? 2 + control % 3 : 12, tight ? 2 + control % 2 : 3);
    auto page = std::make_unique<ClientInterface>(nullptr, client.get(), QFont());
    if (tight) {
        page->console()->setWindow(1 + control % 13);
        page->errorListModel()->setRowLimit(1 + control % 9);
    }
    page->findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(control % 3);
    page->resize(500, 300);
    page->show();
    bool ended = false;
    QObject::connect(client.get(), &Client::clientMessage, page.get(), &ClientInterface::receive);
    QObject::connect(client.get(), &Client::systemReportMessage, r.receiver.get(),
                     &SystemReportGUIReceiver::receive);
    auto finish = [&](const QString& text) {
        page->finish(text);
        client->notifyServerStop();
        ended = true;
    };
    QObject::connect(client.get(), &Client::cleanDisconnect,
                     [&](Client*) { finish(QStringLiteral("Client disconnected")); });
    QObject::connect(client.get(), &Client::ickyDisconnect,
                     [&](Client*) { finish(QStringLiteral("Lost connection to client")); });
    page->setConnected();

    // Pieces of a size taken from the control byte, so frames arrive split at odd places.
    const qsizetype piece = 997 + qsizetype(control >> 2) * 509;
    // Tight consoles may also be cleared or told to renew at once between pieces, whatever
    // their renewal in steps is doing.
    const bool meddle = tight && (control & 4);
    int pieces = 0;
    for (qsizetype at = 0; at < stream.size(); at += piece) {
        if (meddle && ++pieces % 3 == 0)
            page->console()->renew();
        else if (meddle && pieces % 5 == 0)
            page->findChild<QPushButton*>(QStringLiteral("btnClear"))->click();
        peer.write(stream.constData() + at, std::min(piece, stream.size() - at));
        peer.flush();
        QCoreApplication::processEvents();
    }
    if (control & 1)
        peer.disconnectFromServer();
    else
        peer.abort();
    spin([&] { return ended || accepted->state() == QLocalSocket::UnconnectedState; });
    QCoreApplication::processEvents();

    page.reset();
    client.reset();
    delete accepted;
    return 0;
}
