// kolz-peer: pretends to be an emulated application so that the monitor can be watched without
// one. Connects to the panel, sends a demonstration of every frame type (or a flood of
// warnings), prints the commands the panel sends back and ends the connection.

#include "PeerCommandLine.h"
#include "TestPeer.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <string>

using ui::messages::Message;

namespace {

// Built and sent a batch at a time: a frame is 8 KiB, so a large flood held whole would take
// gigabytes.
bool sendWarnings(kolz::test::TestPeer& peer, int count)
{
    constexpr int batch = 1000;
    std::vector<Message> frames;
    for (int first = 0; first < count; first += batch) {
        frames.clear();
        for (int i = first; i < count && i < first + batch; ++i) {
            Message frame = Message::makeWarning("Flood warning " + std::to_string(i));
            frame.setFrame(i);
            frames.push_back(frame);
        }
        if (!peer.sendBlocking(kolz::test::encodeFrames(frames)))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kolz-peer"));

    kolz::test::PeerCommandLine commandLine(PID_TYPE(QCoreApplication::applicationPid()));
    switch (commandLine.parse(QCoreApplication::arguments())) {
    case kolz::test::PeerCommandLine::Outcome::Help:
        std::fputs(qPrintable(commandLine.helpText()), stdout);
        return 0;
    case kolz::test::PeerCommandLine::Outcome::Error:
        std::fprintf(stderr, "kolz-peer: %s (see kolz-peer --help)\n",
                     qPrintable(commandLine.error()));
        return 1;
    case kolz::test::PeerCommandLine::Outcome::Run:
        break;
    }
    const kolz::test::PeerOptions& options = commandLine.options();

    QTextStream out(stdout);
    kolz::test::TestPeer peer;
    if (!peer.connectToPanel(options.server)) {
        const auto error = peer.socket()->error();
        if (error == QLocalSocket::ServerNotFoundError ||
            error == QLocalSocket::ConnectionRefusedError)
            std::fprintf(stderr, "kolz-peer: no KolZendra panel is listening on %s\n",
                         qPrintable(kolz::test::localSocketPath(options.server)));
        else
            std::fprintf(stderr, "kolz-peer: cannot connect to %s: %s\n",
                         qPrintable(kolz::test::localSocketPath(options.server)),
                         qPrintable(peer.socket()->errorString()));
        return 1;
    }
    QObject::connect(&peer, &kolz::test::TestPeer::commandReceived, [&out](std::uint32_t type) {
        out << "received " << kolz::test::commandName(type) << Qt::endl;
    });
    QObject::connect(peer.socket(), &QLocalSocket::disconnected, &app, [&] {
        out << "the panel closed the connection" << Qt::endl;
        QCoreApplication::quit();
    });

    peer.send(kolz::test::demoFrames(options.name.toUtf8(), options.pid));
    if (options.warnings > 0 && !sendWarnings(peer, options.warnings)) {
        std::fprintf(stderr, "kolz-peer: sending the warnings failed: %s\n",
                     qPrintable(peer.socket()->errorString()));
        return 1;
    }
    out << "sent; listening for commands for " << options.waitMs << " ms" << Qt::endl;

    QTimer::singleShot(options.waitMs, &app, [&] {
        QObject::disconnect(peer.socket(), &QLocalSocket::disconnected, &app, nullptr);
        // Even with --wait 0 the whole demo goes out before the connection ends.
        QLocalSocket* socket = peer.socket();
        while (socket->bytesToWrite() > 0 && socket->waitForBytesWritten(5000)) {
        }
        if (options.lost) {
            peer.abort();
        } else {
            peer.disconnectCleanly();
            if (socket->state() != QLocalSocket::UnconnectedState)
                socket->waitForDisconnected(5000);
        }
        QCoreApplication::quit();
    });
    return app.exec();
}
