#pragma once

// What the main window benchmarks share: a private environment made before the program's
// application object, emulated applications on threads of their own, and resident memory.

#include "monitor/Message.h"
#include "tests/peer/TestPeer.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace kolz::bench {

// HOME, TMPDIR and the profiles directory in a scratch directory, so that no real setting or
// running instance is touched. Create before the Controller.
class ScratchEnvironment
{
public:
    ScratchEnvironment()
    {
        for (const char* dir : {"home", "tmp", "profiles"})
            QDir(m_dir.path()).mkpath(QString::fromLatin1(dir));
        qputenv("HOME", QFile::encodeName(m_dir.path() + "/home"));
        qputenv("TMPDIR", QFile::encodeName(m_dir.path() + "/tmp"));
        qputenv("ZENDRA_PROFILE_PATH", QFile::encodeName(m_dir.path() + "/profiles"));
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

private:
    QTemporaryDir m_dir;
};

// Runs the application's event loop, as the program does, until done() holds or the time is up.
template <typename Predicate> bool runUntil(Predicate done, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    QElapsedTimer timer;
    timer.start();
    bool result = false;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        result = done();
        if (result || timer.elapsed() > timeoutMs)
            loop.quit();
    });
    check.start(50);
    loop.exec();
    return result;
}

inline double residentMegabytes()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long kilobytes = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmRSS: %ld kB", &kilobytes) == 1)
            break;
    }
    std::fclose(status);
    return double(kilobytes) / 1024.0;
}

// One emulated application: announces its process id, sends its frames as fast as the socket
// takes them, then leaves cleanly, drops the connection, or stays until the panel stops it.
class PeerThread : public QThread
{
public:
    enum class End
    {
        Clean,
        Lost,
        Stay
    };

    PeerThread(PID_TYPE pid, QByteArray pattern, int repeats, End end)
        : m_pid(pid), m_pattern(std::move(pattern)), m_repeats(repeats), m_end(end)
    {}

    std::atomic<bool> connected{false};
    std::atomic<bool> sent{false};
    std::atomic<bool> stopped{false}; // a ServerStop frame arrived

protected:
    void run() override
    {
        using ui::messages::Message;
        test::TestPeer peer;
        for (int attempt = 0; attempt < 50 && !peer.connectToPanel(); ++attempt)
            QThread::msleep(20);
        if (peer.socket()->state() != QLocalSocket::ConnectedState)
            return;
        connected = true;
        const std::string name = "peer " + std::to_string(m_pid);
        if (!peer.sendBlocking(
                test::encodeFrames({Message::makeSetPID(m_pid), Message::makeSetName(name)})))
            return;
        for (int i = 0; i < m_repeats; ++i) {
            if (!peer.sendBlocking(m_pattern))
                return;
        }
        sent = true;
        QLocalSocket* socket = peer.socket();
        switch (m_end) {
        case End::Clean:
            peer.sendBlocking(test::encodeFrames({Message::makeCleanDisconnect()}));
            socket->disconnectFromServer();
            if (socket->state() != QLocalSocket::UnconnectedState)
                socket->waitForDisconnected(5000);
            break;
        case End::Lost:
            peer.abort();
            break;
        case End::Stay:
            while (!peer.receivedTypes().contains(ui::messages::ServerStop) &&
                   socket->state() == QLocalSocket::ConnectedState)
                socket->waitForReadyRead(200);
            stopped = peer.receivedTypes().contains(ui::messages::ServerStop);
            break;
        }
    }

private:
    PID_TYPE m_pid;
    QByteArray m_pattern;
    int m_repeats;
    End m_end;
};

} // namespace kolz::bench
