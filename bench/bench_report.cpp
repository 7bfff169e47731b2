// What a peer can make the window hold beside its console, and what letting go of it costs.
//
// The report flood: one emulated application sends system report frames whose content never
// repeats (new alternatives with long id lists, new feature names, list entries and host
// extensions, a ReportComplete every 100 frames) as fast as the socket takes them, into the
// receiver and the shown viewer, wired as the main window wires them. Resident memory before,
// when the flood ends, and 20 s after the application has left.
//
// The page drop: 64 finished pages of at least 10,000 console lines each, dropped at once by
// Auto-close as a new application connects; the event loop's longest stall until every page is
// freed, beside what freeing them all in one go takes.
//
// Usage: bench_report [flood seconds, default 60] [parts, default flood,drop]

#include "EventLoopFigures.h"
#include "bench/BenchReport.h"
#include "monitor/Client.h"
#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"
#include "monitor/SystemReportGUIReceiver.h"
#include "monitor/SystemReportText.h"
#include "monitor/SystemReportViewer.h"
#include "tests/peer/TestPeer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using kolz::bench::Better;
using kolz::bench::Report;
using ui::messages::Message;

namespace {

constexpr double memoryGoalMb = 200; // above the start
constexpr double stallGoalMs = 100;
constexpr int leftSeconds = 20;
constexpr int dropPages = 64;
constexpr int linesPerPage = 10000;

// Runs the event loop until done() holds (checked every 10 ms) or the time is up.
bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    check.start(10);
    loop.exec();
    return done();
}

using kolz::bench::residentMegabytes;
using kolz::bench::runEventLoopFor;
using kolz::bench::StallWatch;

// One block of 100 frames; `n` makes every name, id list and key in it new.
QByteArray floodBlock(std::uint32_t n)
{
    std::vector<Message> frames;
    const std::string one = "one-feature";
    frames.push_back(Message::makeReportFeature(one, false));
    frames.push_back(Message::makeReportAPIFeature(2, one));
    std::vector<std::uint32_t> ids(1920);
    for (int i = 0; i < 48; ++i) {
        for (std::size_t k = 0; k < ids.size(); ++k)
            ids[k] = std::uint32_t(i * 1920 + k + 1);
        // The version makes the alternative differ from those of every other block.
        frames.push_back(Message::makeReportRequirement(one, n, ids));
    }
    const std::string padding(400, 'x');
    const auto fresh = [&](int i) {
        return "feature " + std::to_string(n) + "." + std::to_string(i);
    };
    for (int i = 0; i < 25; ++i)
        frames.push_back(Message::makeReportFeature(fresh(i) + padding, false));
    for (int i = 0; i < 10; ++i)
        frames.push_back(Message::makeReportAPIFeature(n % 6, fresh(i)));
    for (int i = 0; i < 8; ++i)
        frames.push_back(Message::makeReportExtensionFeature(n * 8 + std::uint32_t(i), fresh(i)));
    for (int i = 0; i < 6; ++i)
        frames.push_back(Message::makeReportHostExtension(n * 6 + std::uint32_t(i), true));
    frames.push_back(Message::makeReportComplete());
    return kolz::test::encodeFrames(frames);
}

// The emulated application: its own thread, blocking writes, new content for `seconds`.
class FloodPeer : public QThread
{
public:
    FloodPeer(QString server, int seconds) : m_server(std::move(server)), m_seconds(seconds) {}

    std::atomic<long long> framesSent{0};

protected:
    void run() override
    {
        kolz::test::TestPeer peer;
        if (!peer.connectToPanel(m_server))
            return;
        QElapsedTimer clock;
        clock.start();
        for (std::uint32_t n = 1; clock.elapsed() < m_seconds * 1000LL; ++n) {
            if (!peer.sendBlocking(floodBlock(n), 64 * 1024, 600000))
                return;
            framesSent += 100;
        }
        peer.disconnectCleanly();
    }

private:
    QString m_server;
    int m_seconds;
};

void reportFlood(Report& report, int seconds)
{
    SystemReportGUIReceiver receiver;
    SystemReportViewer viewer;
    // The viewer's share of a stall: the longest announcement, text made and shown.
    double longestShowMs = 0;
    QObject::connect(&receiver, &SystemReportGUIReceiver::ready, &viewer,
                     [&](const SystemReport& systemReport) {
                         QElapsedTimer shown;
                         shown.start();
                         viewer.setReport(systemReport);
                         longestShowMs = std::max(longestShowMs, shown.nsecsElapsed() / 1e6);
                     });
    viewer.resize(900, 600);
    viewer.show();
    runEventLoopFor(300);
    const double before = residentMegabytes();

    const QString name =
        QStringLiteral("KolZendra-report-%1").arg(QCoreApplication::applicationPid());
    QLocalServer::removeServer(name);
    QLocalServer server;
    if (!server.listen(name))
        qFatal("cannot listen on %s", qPrintable(name));
    FloodPeer peer(name, seconds);
    peer.start();
    if (!server.waitForNewConnection(10000))
        qFatal("the peer did not connect");
    QLocalSocket* socket = server.nextPendingConnection();
    Client client(nullptr, socket);
    long long received = 0;
    bool left = false;
    QObject::connect(&client, &Client::systemReportMessage, &receiver,
                     &SystemReportGUIReceiver::receive);
    QObject::connect(&client, &Client::systemReportMessage, [&received] { ++received; });
    QObject::connect(&client, &Client::cleanDisconnect, [&left] { left = true; });

    StallWatch stalls;
    stalls.start();
    QElapsedTimer clock;
    clock.start();
    runUntil([&] { return left; }, (seconds + 120) * 1000);
    const double floodSeconds = clock.nsecsElapsed() / 1e9;
    const double stall = stalls.stop();
    const double after = residentMegabytes();
    peer.wait();
    runEventLoopFor(leftSeconds * 1000);
    const double later = residentMegabytes();

    const SystemReport& kept = receiver.systemReport();
    const QString text = viewer.textBox()->toPlainText();
    std::printf("report flood: %lld frames (%.2f GB) in %.1f s, %lld dispatched (%.0f frames/s); "
                "report keeps %zu features, %zu host extensions, %.1f MB counted, cut short: "
                "%s; text %lld characters, notice %lld times\n",
                peer.framesSent.load(), peer.framesSent.load() * double(Message::Size) / 1e9,
                floodSeconds, received, received / floodSeconds, kept.features.size(),
                kept.hostExtensions.size(), kept.bytesHeld() / (1024.0 * 1024.0),
                kept.isCutShort() ? "yes" : "no", static_cast<long long>(text.size()),
                static_cast<long long>(text.count(QStringLiteral("cut short"))));
    std::printf("report flood: resident %.0f MB before, %.0f MB when it ends, %.0f MB %d s after "
                "the application left; longest stall %.1f ms, longest report shown in %.1f ms\n",
                before, after, later, leftSeconds, stall, longestShowMs);
    std::fflush(stdout);
    report.figure("report flood: resident before", before, "MB");
    report.figure("report flood: frames per second", received / floodSeconds, "frames/s");
    report.verdict("report flood: resident growth when it ends", after - before, "MB", memoryGoalMb,
                   Better::Lower);
    report.verdict("report flood: resident growth 20 s after the peer left", later - before, "MB",
                   memoryGoalMb, Better::Lower);
    report.verdict("report flood: frames dispatched of those sent",
                   peer.framesSent ? double(received) / double(peer.framesSent.load()) : 0, "", 1,
                   Better::Higher);
    report.figure("report flood: longest report shown", longestShowMs, "ms");
    report.verdict("report flood: longest stall", stall, "ms", stallGoalMs, Better::Lower);
}

QTextDocument* consoleDocument(ClientInterface* page)
{
    QWidget* console = page->findChild<QWidget*>(QStringLiteral("txtConsole"));
    if (auto* edit = qobject_cast<QTextEdit*>(console))
        return edit->document();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(console))
        return plain->document();
    return nullptr;
}

// Finished pages, each with at least `linesPerPage` console lines; returns the fewest lines.
int fillFinishedPages(ClientTabWidget& tabs, QList<QPointer<ClientInterface>>& pages)
{
    int fewest = -1;
    for (int p = 0; p < dropPages; ++p) {
        ClientInterface* page = tabs.addClient(nullptr, QFont(), false);
        page->setConnected();
        QTextDocument* document = consoleDocument(page);
        int sent = 0;
        // Without a document to count, a warning takes at least one line.
        while (sent < linesPerPage && (!document || document->blockCount() < linesPerPage)) {
            for (int i = 0; i < 100; ++i, ++sent) {
                Message warning = Message::makeWarning("Texture " + std::to_string(sent) +
                                                       " was resized to a power of two");
                warning.setFrame(sent);
                page->receive(warning);
            }
            QCoreApplication::processEvents();
        }
        page->finish(QStringLiteral("Client disconnected"));
        const int lines = document ? document->blockCount() : sent;
        fewest = fewest < 0 ? lines : std::min(fewest, lines);
        pages << page;
    }
    runEventLoopFor(300);
    return fewest;
}

void pageDrop(Report& report)
{
    ClientTabWidget tabs;
    tabs.resize(900, 600);
    tabs.show();
    tabs.addPlaceholderTab(QFont());
    QList<QPointer<ClientInterface>> pages;
    const int lines = fillFinishedPages(tabs, pages);
    const double before = residentMegabytes();

    const auto gone = [&pages] {
        return std::none_of(pages.begin(), pages.end(), [](const auto& p) { return !p.isNull(); });
    };
    StallWatch stalls;
    stalls.start();
    QElapsedTimer clock;
    // As the main window does when an application connects with Auto-close on.
    QTimer::singleShot(0, &tabs, [&] {
        clock.start();
        tabs.addClient(nullptr, QFont(), true);
    });
    runUntil(gone, 120000);
    const double dropMs = clock.nsecsElapsed() / 1e6;
    runEventLoopFor(100);
    const double stall = stalls.stop();
    const double after = residentMegabytes();

    // The same pages freed in one go, for comparison: what one turn took before.
    pages.clear();
    fillFinishedPages(tabs, pages);
    QElapsedTimer once;
    once.start();
    for (const auto& page : pages)
        delete page.data();
    const double onceMs = once.nsecsElapsed() / 1e6;

    std::printf("page drop: %d finished pages of at least %d lines; all freed %.0f ms after the "
                "drop, longest stall %.1f ms (freed in one go: %.0f ms); resident %.0f MB "
                "before, %.0f MB after\n",
                dropPages, lines, dropMs, stall, onceMs, before, after);
    std::fflush(stdout);
    report.figure("page drop: the 64 pages freed in one go", onceMs, "ms");
    report.figure("page drop: until every page is freed", dropMs, "ms");
    report.verdict("page drop: 64 finished pages, longest stall", stall, "ms", stallGoalMs,
                   Better::Lower);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qRegisterMetaType<Message>("ui::messages::Message");
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const std::string parts = argc > 2 ? argv[2] : "flood,drop";
    Report report("bench_report");
    if (parts.find("flood") != std::string::npos)
        reportFlood(report, seconds);
    if (parts.find("drop") != std::string::npos)
        pageDrop(report);
    return report.exitStatus();
}
