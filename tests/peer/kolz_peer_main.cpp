// kolz-peer: pretends to be an emulated application so that the monitor can be watched without
// one. Connects to the panel, sends a demonstration of every frame type (or a flood of
// warnings), prints the commands the panel sends back and ends the connection.

#include "TestPeer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

using ui::messages::Message;

namespace {

std::vector<Message> demoFrames(const QByteArray& name, PID_TYPE pid)
{
    std::vector<Message> frames;
    frames.push_back(Message::makeSetPID(pid));
    frames.push_back(Message::makeSetName(name.toStdString()));
    frames.push_back(Message::makeInfo("Starting up"));
    frames.push_back(Message::makeBeginSection(0x8246, 1, "eglInitialize"));
    frames.push_back(Message::makeInfo("Choosing a configuration"));
    frames.push_back(Message::makeDebugMessage(0x8246, 0x824C, 7, 0x9146, "A debug message"));
    frames.push_back(Message::makeEndSection());
    frames.push_back(Message::makeWarning("Texture size rounded up"));
    frames.push_back(Message::makeError("Shader failed to compile"));
    frames.push_back(Message::makeGLError(0x502, "glDrawArrays", "No program bound"));
    frames.push_back(
        Message::makeContextInfo(1, false, 2, 1, {1, 2, 34}, {5}, {7}, 13, 6, {1, 2, 3}));
    frames.push_back(Message::makeReportGLVersion(13));
    frames.push_back(Message::makeReportHostExtension(1, true));
    frames.push_back(Message::makeReportFeature("compute shaders", false));
    frames.push_back(Message::makeReportRequirement("compute shaders", 16, {}));
    frames.push_back(Message::makeReportAPIFeature(4, "compute shaders"));
    frames.push_back(Message::makeReportComplete());
    return frames;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kolz-peer"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends frames to the panel as an emulated application would."));
    parser.addHelpOption();
    const QCommandLineOption serverOption(QStringLiteral("server"),
                                          QStringLiteral("Local server name."),
                                          QStringLiteral("name"), QStringLiteral("KolZendra"));
    const QCommandLineOption nameOption(QStringLiteral("name"), QStringLiteral("Application name."),
                                        QStringLiteral("text"), QStringLiteral("kolz-peer"));
    const QCommandLineOption pidOption(QStringLiteral("pid"), QStringLiteral("Process id to send."),
                                       QStringLiteral("n"),
                                       QString::number(QCoreApplication::applicationPid()));
    const QCommandLineOption floodOption(QStringLiteral("warnings"),
                                         QStringLiteral("Send n warning frames after the demo."),
                                         QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption waitOption(QStringLiteral("wait"),
                                        QStringLiteral("Milliseconds to listen for commands."),
                                        QStringLiteral("ms"), QStringLiteral("5000"));
    const QCommandLineOption lostOption(QStringLiteral("lost"),
                                        QStringLiteral("End without a CleanDisconnect frame."));
    parser.addOptions({serverOption, nameOption, pidOption, floodOption, waitOption, lostOption});
    parser.process(app);

    QTextStream out(stdout);
    kolz::test::TestPeer peer;
    if (!peer.connectToPanel(parser.value(serverOption))) {
        std::fprintf(stderr, "kolz-peer: cannot connect to \"%s\": %s\n",
                     qPrintable(parser.value(serverOption)),
                     qPrintable(peer.socket()->errorString()));
        return 1;
    }
    QObject::connect(&peer, &kolz::test::TestPeer::commandReceived, [&out](std::uint32_t type) {
        out << "received " << kolz::test::commandName(type) << Qt::endl;
    });
    QObject::connect(peer.socket(), &QLocalSocket::disconnected, &app, &QCoreApplication::quit);

    peer.send(demoFrames(parser.value(nameOption).toUtf8(), parser.value(pidOption).toUInt()));
    const int warnings = parser.value(floodOption).toInt();
    if (warnings > 0) {
        std::vector<Message> flood;
        for (int i = 0; i < warnings; ++i) {
            Message frame = Message::makeWarning("Flood warning " + std::to_string(i));
            frame.setFrame(i);
            flood.push_back(frame);
        }
        peer.sendBlocking(kolz::test::encodeFrames(flood));
    }
    out << "sent; listening for commands" << Qt::endl;

    QTimer::singleShot(parser.value(waitOption).toInt(), &app, [&] {
        if (parser.isSet(lostOption))
            peer.abort();
        else
            peer.disconnectCleanly();
        QCoreApplication::quit();
    });
    return app.exec();
}
