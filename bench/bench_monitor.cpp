// Frames per second that the monitor takes in from one peer over a real local socket: the full
// client page (console and error list, shown), the client's dispatch alone, and raw socket
// reading alone, which is the floor for the other two. Also reports the event loop's longest
// stall while the stream runs and the page settles, and the memory that 100,000 console
// messages take.

#include "monitor/Client.h"
#include "monitor/ClientInterface.h"
#include "tests/peer/TestPeer.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

using ui::messages::Message;

namespace {

constexpr int streamFrames = 100000;
constexpr int patternFrames = 100;
constexpr double floorFramesPerSecond = 30000;
constexpr double stallLimitMs = 100;

enum class Kind
{
    Warnings,
    DebugMessages,
    Mix
};

QByteArray pattern(Kind kind)
{
    std::vector<Message> frames;
    for (int i = 0; i < patternFrames; ++i) {
        const std::string n = std::to_string(i);
        switch (kind) {
        case Kind::Warnings:
            frames.push_back(
                Message::makeWarning("Texture " + n + " was resized to a power of two"));
            break;
        case Kind::DebugMessages:
            frames.push_back(Message::makeDebugMessage(0x8246, 0x824C, std::uint32_t(i), 0x9146,
                                                       "Debug output number " + n));
            break;
        case Kind::Mix:
            switch (i % 10) {
            case 0:
                frames.push_back(Message::makeBeginSection(0x8246, std::uint32_t(i), "frame " + n));
                break;
            case 9:
                frames.push_back(Message::makeEndSection());
                break;
            case 1:
            case 2:
                frames.push_back(Message::makeInfo("Drawing batch " + n));
                break;
            case 3:
            case 4:
                frames.push_back(Message::makeWarning("Slow path taken in draw " + n));
                break;
            case 5:
                frames.push_back(Message::makeError("Shader " + n + " failed to link"));
                break;
            case 6:
                frames.push_back(Message::makeGLError(0x502, "glDrawElements", "Bad state"));
                break;
            default:
                frames.push_back(Message::makeDebugMessage(0x8246, 0x824C, 1, 0x9147, "Note"));
                break;
            }
            break;
        }
        frames.back().setFrame(i);
    }
    return kolz::test::encodeFrames(frames);
}

// The emulated application: its own thread, blocking writes, as fast as the socket takes them.
class PeerThread : public QThread
{
public:
    PeerThread(QString server, QByteArray pattern) : m_server(std::move(server)), m_pattern(pattern)
    {}

protected:
    void run() override
    {
        kolz::test::TestPeer peer;
        if (!peer.connectToPanel(m_server))
            return;
        for (int sent = 0; sent < streamFrames; sent += patternFrames) {
            if (!peer.sendBlocking(m_pattern))
                return;
        }
        peer.socket()->waitForDisconnected(120000);
    }

private:
    QString m_server;
    QByteArray m_pattern;
};

// Heap in use rather than resident size: earlier runs leave freed memory behind that later
// ones reuse, and Qt's one-time caches would be charged to the first run. Large blocks that
// malloc maps on their own count too: which ones it maps changes from run to run.
double heapMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

enum class Receiver
{
    RawSocket,
    Dispatch,
    Page
};

enum class Font
{
    Default,   // what a new console gets: the application font, proportional here
    FixedWidth // the system's fixed-width font, a usual choice for a console
};

struct RunResult
{
    double seconds = 0;
    double cpuSeconds = 0; // the GUI thread's own CPU time
    double maxStallMs = 0;
    double rssGrowthMb = 0;
};

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

RunResult runStream(Receiver receiver, Kind kind, Font font)
{
    const QString name =
        QStringLiteral("KolZendra-bench-%1").arg(QCoreApplication::applicationPid());
    QLocalServer::removeServer(name);
    QLocalServer server;
    if (!server.listen(name))
        qFatal("cannot listen on %s", qPrintable(name));

    const double rssBefore = heapMegabytes();
    PeerThread peer(name, pattern(kind));
    peer.start();
    if (!server.waitForNewConnection(10000))
        qFatal("the peer did not connect");
    QLocalSocket* socket = server.nextPendingConnection();

    int received = 0;
    QEventLoop loop;
    std::unique_ptr<Client> client;
    std::unique_ptr<ClientInterface> page;
    char raw[Message::Size];
    auto count = [&] {
        if (++received == streamFrames)
            loop.quit();
    };
    if (receiver == Receiver::RawSocket) {
        QObject::connect(socket, &QLocalSocket::readyRead, &loop, [&] {
            while (socket->bytesAvailable() >= qint64(Message::Size)) {
                socket->read(raw, Message::Size);
                count();
            }
        });
    } else {
        client = std::make_unique<Client>(nullptr, socket);
        if (receiver == Receiver::Page) {
            const QFont consoleFont = font == Font::FixedWidth
                                          ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                          : QFont();
            page = std::make_unique<ClientInterface>(nullptr, client.get(), consoleFont);
            page->resize(900, 600);
            // The user watches the console: it is laid out and painted as the stream runs.
            page->findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
            page->show();
            QObject::connect(client.get(), &Client::clientMessage, page.get(),
                             &ClientInterface::receive);
            page->setConnected();
        }
        QObject::connect(client.get(), &Client::clientMessage, &loop, count);
    }

    // The event loop's responsiveness: the longest gap between ticks of a short timer.
    QElapsedTimer sinceTick;
    double maxStallMs = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        maxStallMs = std::max(maxStallMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });

    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    sinceTick.start();
    ticker.start();
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    RunResult result;
    result.seconds = clock.nsecsElapsed() / 1e9;
    result.cpuSeconds = threadCpuSeconds() - cpuBefore;
    if (page) {
        // Whatever the page does once the input has gone quiet is part of keeping up too.
        QEventLoop settle;
        QTimer::singleShot(300, &settle, &QEventLoop::quit);
        settle.exec();
    }
    ticker.stop();
    result.maxStallMs = std::max(maxStallMs, sinceTick.nsecsElapsed() / 1e6);
    if (received != streamFrames)
        qFatal("only %d of %d frames arrived", received, streamFrames);
    result.rssGrowthMb = heapMegabytes() - rssBefore;
    if (page)
        page->hide();

    socket->abort();
    peer.wait();
    return result;
}

void print(const char* label, const RunResult& result, const char* what)
{
    std::printf("%-34s %9.0f frames/s (floor %.0f)  %5.1f us CPU/frame  longest stall %6.1f ms "
                "(limit %.0f)  heap +%.1f MB after %d frames%s\n",
                label, streamFrames / result.seconds, floorFramesPerSecond,
                result.cpuSeconds * 1e6 / streamFrames, result.maxStallMs, stallLimitMs,
                result.rssGrowthMb, streamFrames, what);
}

// The machine's speed wanders by ten per cent from run to run, so every stream runs a few
// times and the median run (by frames per second) is the figure.
template <Receiver R, Kind K, Font F> void BM_Stream(benchmark::State& state)
{
    static const char* const receivers[] = {"raw socket", "dispatch", "page"};
    static const char* const kinds[] = {"warnings", "debug messages", "mix"};
    std::string label = std::string(receivers[int(R)]) + " / " + kinds[int(K)];
    if (F == Font::FixedWidth)
        label += " / fixed font";
    std::vector<RunResult> runs;
    for (auto _ : state) {
        runs.push_back(runStream(R, K, F));
        state.SetIterationTime(runs.back().seconds);
        print(label.c_str(), runs.back(), "");
    }
    std::sort(runs.begin(), runs.end(),
              [](const RunResult& a, const RunResult& b) { return a.seconds < b.seconds; });
    const RunResult& median = runs[runs.size() / 2];
    print(label.c_str(), median, "  <- median");
    state.counters["frames_per_s"] = streamFrames / median.seconds;
    state.counters["cpu_us_per_frame"] = median.cpuSeconds * 1e6 / streamFrames;
    state.counters["max_stall_ms"] = median.maxStallMs;
    state.counters["heap_growth_MB"] = median.rssGrowthMb;
}

} // namespace

#define STREAM(R, K, F)                                                                            \
    BENCHMARK_TEMPLATE(BM_Stream, R, K, F)                                                         \
        ->Iterations(3)                                                                            \
        ->UseManualTime()                                                                          \
        ->Unit(benchmark::kMillisecond)

STREAM(Receiver::Page, Kind::Warnings, Font::Default);
STREAM(Receiver::Page, Kind::DebugMessages, Font::Default);
STREAM(Receiver::Page, Kind::Mix, Font::Default);
STREAM(Receiver::Page, Kind::Warnings, Font::FixedWidth);
STREAM(Receiver::Dispatch, Kind::Warnings, Font::Default);
STREAM(Receiver::Dispatch, Kind::Mix, Font::Default);
STREAM(Receiver::RawSocket, Kind::Warnings, Font::Default);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qRegisterMetaType<Message>("ui::messages::Message");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
