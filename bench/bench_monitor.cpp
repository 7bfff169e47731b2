// The monitor under a flood from one emulated application over a real local socket, as the main
// window wires it, every message with a text of its own: frames per second into a shown client
// page (console and error list) beside raw socket reading (the floor), the messages that reached
// the console and those it holds at the end (its newest, checked in order), the event loop's
// longest stall after the first second, and resident memory at the end and at its peak. Then one
// long run of warnings for memory (resident after a fifth of it and at the end), paced streams,
// the stall of a console font change with eight pages at their console bound, and a flood of
// ContextInfo frames.
//
// Usage: bench_monitor [frames per stream, default 2000000] [runs per stream, default 3]
//                      [parts, default streams,memory,paced,errorlist,contexts,font]
//                      [console window] [frames of the memory run, default 10000000]

#include "EventLoopFigures.h"
#include "bench/BenchReport.h"
#include "monitor/Client.h"
#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"
#include "monitor/ErrorListModel.h"
#include "tests/peer/TestPeer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using kolz::bench::Better;
using kolz::bench::Report;
using ui::messages::Message;

namespace {

int streamFrames = 2000000;
int runsPerStream = 3;
int consoleWindow = Console::defaultWindow;
int memoryFrames = 10000000;
constexpr int patternFrames = 100;
constexpr double goalFramesPerSecond = 30000;
constexpr double stallLimitMs = 100;
constexpr double memoryLimitMb = 1024;
constexpr double fontStallLimitMs = 1000;
constexpr double memoryGrowthLimit = 0.10;

enum class Kind
{
    Warnings,
    DebugMessages,
    Mix,
    Contexts
};
const char* const kindNames[] = {"warnings", "debug", "mix", "contexts"};

std::vector<std::uint32_t> ids(std::uint32_t first, int count)
{
    std::vector<std::uint32_t> list;
    for (int i = 0; i < count; ++i)
        list.push_back(first + std::uint32_t(i % 200));
    return list;
}

// The frames from `first` on, each message numbered by its place in the stream.
QByteArray framesFrom(Kind kind, int first, int count)
{
    std::vector<Message> frames;
    for (int i = first; i < first + count; ++i) {
        const std::string n = std::to_string(i);
        switch (kind) {
        case Kind::Warnings:
            frames.push_back(Message::makeWarning("Texture " + n + " was resized"));
            break;
        case Kind::DebugMessages:
            frames.push_back(Message::makeDebugMessage(0x8246, 0x824C, std::uint32_t(i), 0x9146,
                                                       "Debug output " + n));
            break;
        case Kind::Contexts:
            // Every list full: the largest page a context can make.
            frames.push_back(Message::makeContextInfo(std::uint64_t(i), i % 2 == 0, 2, 1,
                                                      ids(1, 511), ids(1, 511), ids(1, 511), 13, 1,
                                                      ids(1, 512)));
            break;
        case Kind::Mix:
            switch (i % 10) {
            case 0:
                frames.push_back(Message::makeBeginSection(0x8246, std::uint32_t(i), "Frame " + n));
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
                frames.push_back(Message::makeGLError(0x502, "glDrawElements", "Bad state " + n));
                break;
            default:
                frames.push_back(Message::makeDebugMessage(0x8246, 0x824C, 1, 0x9147, "Note " + n));
                break;
            }
            break;
        }
        frames.back().setFrame(i);
    }
    return kolz::test::encodeFrames(frames);
}

// The text that numbers a message of the stream, and whether the kind's message i has one.
QString numberedPrefix(Kind kind, int i)
{
    switch (kind) {
    case Kind::Warnings:
        return QStringLiteral("Texture ");
    case Kind::DebugMessages:
        return QStringLiteral("Debug output ");
    case Kind::Mix: {
        static const char* const prefixes[] = {"Frame ",
                                               "Drawing batch ",
                                               "Drawing batch ",
                                               "Slow path taken in draw ",
                                               "Slow path taken in draw ",
                                               "Shader ",
                                               "Bad state ",
                                               "Note ",
                                               "Note ",
                                               nullptr};
        const char* prefix = prefixes[i % 10];
        return prefix ? QString::fromLatin1(prefix) : QString();
    }
    case Kind::Contexts:
        break;
    }
    return {};
}

// The messages the console shows, checked against the stream: the numbers of its numbered
// messages must be the stream's newest, in order, with none missing. Returns how many of the
// stream's messages (numbered or not) the console holds, or -1 when any is missing.
int heldInOrder(const QTextDocument* document, Kind kind, int sent)
{
    QList<int> numbers;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (int k = 0; k < 10; ++k) {
            const QString prefix = numberedPrefix(kind, k);
            if (prefix.isEmpty() || !text.startsWith(prefix))
                continue;
            bool ok = false;
            const int n = text.mid(prefix.size()).section(' ', 0, 0).section(')', 0, 0).toInt(&ok);
            if (ok && numberedPrefix(kind, n) == prefix) {
                numbers.append(n);
                break;
            }
        }
    }
    // A section whose BeginSection went with the older messages is opened again at the top,
    // under its own title.
    if (numbers.size() > 1 && numberedPrefix(kind, numbers[0]) == QStringLiteral("Frame ")) {
        int next = numbers[0] + 1;
        while (numberedPrefix(kind, next).isEmpty())
            ++next;
        if (numbers[1] != next)
            numbers.removeFirst();
    }
    if (numbers.isEmpty())
        return -1;
    // Mix: a section title carries " (ID: n)"; every other numbered message its own number.
    int expected = numbers.first();
    for (int n : numbers) {
        while (expected < n && numberedPrefix(kind, expected).isEmpty())
            ++expected;
        if (n != expected)
            return -1;
        ++expected;
    }
    while (expected < sent && numberedPrefix(kind, expected).isEmpty())
        ++expected;
    return expected == sent ? sent - numbers.first() : -1;
}

// The emulated application: its own thread, blocking writes, as fast as the socket takes them,
// or paced at a number of frames per second (a chunk every 10 ms).
class PeerThread : public QThread
{
public:
    PeerThread(QString server, Kind kind, int frames, int perSecond = 0)
        : m_server(std::move(server)), m_kind(kind), m_frames(frames), m_perSecond(perSecond)
    {}

protected:
    void run() override
    {
        kolz::test::TestPeer peer;
        if (!peer.connectToPanel(m_server))
            return;
        const int chunk = m_perSecond > 0 ? std::max(1, m_perSecond / 100) : patternFrames;
        QElapsedTimer clock;
        clock.start();
        for (int sent = 0; sent < m_frames; sent += chunk) {
            const int count = std::min(chunk, m_frames - sent);
            if (m_perSecond > 0) {
                const qint64 due = qint64(sent) * 1000 / m_perSecond;
                if (due > clock.elapsed())
                    QThread::msleep(static_cast<unsigned long>(due - clock.elapsed()));
            }
            if (!peer.sendBlocking(framesFrom(m_kind, sent, count), 64 * 1024, 600000))
                return;
        }
        peer.socket()->waitForDisconnected(600000);
    }

private:
    QString m_server;
    Kind m_kind;
    int m_frames;
    int m_perSecond;
};

double peakResidentMegabytes()
{
    double peak = 0;
    if (std::FILE* fp = std::fopen("/proc/self/status", "r")) {
        char line[256];
        long kb = 0;
        while (std::fgets(line, sizeof line, fp)) {
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1)
                peak = double(kb) / 1024.0;
        }
        std::fclose(fp);
    }
    return peak;
}

// What the heap holds in use, beside the resident size: the difference is freed memory that
// malloc keeps for reuse.
double heapMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

std::string loadAverage()
{
    double one = 0, five = 0, fifteen = 0;
    if (std::FILE* fp = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(fp, "%lf %lf %lf", &one, &five, &fifteen) != 3)
            one = five = fifteen = 0;
        std::fclose(fp);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
    return text;
}

using kolz::bench::residentMegabytes;
using kolz::bench::runEventLoopFor;
using kolz::bench::StallWatch;

struct RunResult
{
    double seconds = 0;
    double cpuSeconds = 0; // the GUI thread's own CPU time
    double maxStallMs = 0;
    double residentMb = 0;
    double heapMb = 0;
    double peakMb = 0;
    double residentAtFifthMb = 0; // after a fifth of the frames
    int blocks = 0;
    int errorRows = 0;
    long long shown = 0; // messages that reached the console
    int held = 0;        // messages it holds at the end, checked in order (-1: some missing)
    long long removed = 0;
    int contextPages = 0;
};

// A listening server, a peer thread streaming into it, and the accepted socket.
struct Link
{
    QLocalServer server;
    std::unique_ptr<PeerThread> peer;
    QLocalSocket* socket = nullptr;

    Link(int index, Kind kind, int frames, int perSecond = 0)
    {
        const QString name = QStringLiteral("KolZendra-bench-%1-%2")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(index);
        QLocalServer::removeServer(name);
        if (!server.listen(name))
            qFatal("cannot listen on %s", qPrintable(name));
        peer = std::make_unique<PeerThread>(name, kind, frames, perSecond);
        peer->start();
        if (!server.waitForNewConnection(10000))
            qFatal("the peer did not connect");
        socket = server.nextPendingConnection();
    }
    ~Link()
    {
        socket->abort();
        peer->wait();
    }
};

RunResult runStream(bool rawSocket, Kind kind, int perSecond = 0)
{
    malloc_trim(0);
    Link link(0, kind, streamFrames, perSecond);
    int received = 0;
    double residentAtFifth = 0;
    QEventLoop loop;
    std::unique_ptr<Client> client;
    std::unique_ptr<ClientInterface> page;
    char raw[Message::Size];
    QElapsedTimer sinceStart;
    sinceStart.start();
    auto count = [&] {
        if (++received == streamFrames / 5)
            residentAtFifth = residentMegabytes();
        // A long run says how it goes along.
        if (streamFrames >= 5000000 && received % 1000000 == 0) {
            std::printf("  %d frames after %.0f s: resident %.0f MB, peak %.0f MB\n", received,
                        sinceStart.nsecsElapsed() / 1e9, residentMegabytes(),
                        peakResidentMegabytes());
            std::fflush(stdout);
        }
        if (received == streamFrames)
            loop.quit();
    };
    if (rawSocket) {
        QObject::connect(link.socket, &QLocalSocket::readyRead, &loop, [&] {
            while (link.socket->bytesAvailable() >= qint64(Message::Size)) {
                link.socket->read(raw, Message::Size);
                count();
            }
        });
    } else {
        client = std::make_unique<Client>(nullptr, link.socket);
        page = std::make_unique<ClientInterface>(nullptr, client.get(), QFont());
        page->console()->setWindow(consoleWindow);
        page->resize(900, 600);
        // The user watches the console (or the contexts): laid out and painted as it runs.
        page->findChild<QTabWidget*>(QStringLiteral("tabWidget"))
            ->setCurrentIndex(kind == Kind::Contexts ? 2 : 0);
        page->show();
        QObject::connect(client.get(), &Client::clientMessage, page.get(),
                         &ClientInterface::receive);
        page->setConnected();
        QObject::connect(client.get(), &Client::clientMessage, &loop, count);
    }

    StallWatch stalls;
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    // A flood of contexts is over within the first second: its stalls count from the start.
    stalls.start(kind == Kind::Contexts ? 0 : 1000);
    // However slow a loaded machine is, a run ends.
    QTimer::singleShot(std::max(900000, streamFrames / 2), &loop, &QEventLoop::quit);
    loop.exec();
    RunResult result;
    result.seconds = clock.nsecsElapsed() / 1e9;
    result.cpuSeconds = threadCpuSeconds() - cpuBefore;
    // Whatever the page does once the input has gone quiet is part of keeping up too.
    if (page)
        runEventLoopFor(500);
    if (kind == Kind::Contexts && page) {
        auto* contexts = page->findChild<QTabWidget*>(QStringLiteral("tabWidget_contexts"));
        for (int i = 0; i < 100 && contexts->count() < ClientInterface::maxContextPages; ++i)
            runEventLoopFor(100);
        result.contextPages = contexts->count();
        result.seconds = clock.nsecsElapsed() / 1e9;
    }
    result.maxStallMs = stalls.stop();
    if (received != streamFrames)
        qFatal("only %d of %d frames arrived", received, streamFrames);
    result.residentMb = residentMegabytes();
    result.peakMb = peakResidentMegabytes();
    result.residentAtFifthMb = residentAtFifth;
    result.heapMb = heapMegabytes();
    if (page) {
        // A renewal still under way when the input ended finishes first.
        for (int i = 0; i < 100 && page->console()->renewing(); ++i)
            runEventLoopFor(50);
        result.blocks = page->document()->blockCount();
        result.errorRows = page->errorListModel()->rowCount();
        result.shown = page->console()->received();
        result.removed = page->console()->removed();
        if (kind != Kind::Contexts)
            result.held = heldInOrder(page->document(), kind, streamFrames);
        page->hide();
    }
    return result;
}

void print(const std::string& label, const RunResult& r, const char* what)
{
    std::printf("%-22s %8.0f frames/s  %6.2f us CPU/frame  stall %7.1f ms  resident %6.0f MB "
                "(peak %.0f, heap in use %.0f)  shown %lld  held %d  removed %lld  blocks %d  "
                "error rows %d  load %s%s\n",
                label.c_str(), streamFrames / r.seconds, r.cpuSeconds * 1e6 / streamFrames,
                r.maxStallMs, r.residentMb, r.peakMb, r.heapMb, r.shown, r.held, r.removed,
                r.blocks, r.errorRows, loadAverage().c_str(), what);
    std::fflush(stdout);
}

// Every stream runs a few times; the median run by frames per second is the figure.
RunResult medianOf(const std::string& label, const std::function<RunResult()>& run)
{
    std::vector<RunResult> runs;
    for (int i = 0; i < runsPerStream; ++i) {
        runs.push_back(run());
        print(label, runs.back(), "");
    }
    std::sort(runs.begin(), runs.end(),
              [](const RunResult& a, const RunResult& b) { return a.seconds < b.seconds; });
    const RunResult median = runs[runs.size() / 2];
    print(label, median, "  <- median");
    return median;
}

void streams(Report& report, const std::string& parts)
{
    auto wanted = [&parts](const char* name) {
        return parts.find("streams") != std::string::npos || parts.find(name) != std::string::npos;
    };
    double floor = 0;
    if (wanted("floor")) {
        const RunResult r =
            medianOf("raw socket/warnings", [] { return runStream(true, Kind::Warnings); });
        floor = streamFrames / r.seconds;
        report.figure("raw socket/warnings (floor)", floor, "frames/s");
    }
    for (Kind kind : {Kind::Warnings, Kind::DebugMessages, Kind::Mix}) {
        if (!wanted(kindNames[int(kind)]))
            continue;
        const std::string name = std::string("page/") + kindNames[int(kind)];
        const RunResult r = medianOf(name, [kind] { return runStream(false, kind); });
        const double fps = streamFrames / r.seconds;
        report.figure(name + " throughput (floor " + std::to_string(int(floor)) + ")", fps,
                      "frames/s");
        report.figure(name + " CPU per frame", r.cpuSeconds * 1e6 / streamFrames, "us");
        report.verdict(name + " messages shown of " + std::to_string(streamFrames), double(r.shown),
                       "messages", double(streamFrames), Better::Higher);
        report.verdict(name + " messages held at the end, in order", double(r.held), "messages",
                       double(std::min(consoleWindow, streamFrames)), Better::Higher);
        report.verdict(name + " longest stall after 1 s", r.maxStallMs, "ms", stallLimitMs,
                       Better::Lower);
        report.verdict(name + " resident memory at the end", r.residentMb, "MB", memoryLimitMb,
                       Better::Lower);
        report.verdict(name + " peak resident memory", r.peakMb, "MB", memoryLimitMb,
                       Better::Lower);
    }
}

// One long run of warnings: resident memory at the end within a tenth of that after a fifth of
// the run.
void memory(Report& report)
{
    const int saved = std::exchange(streamFrames, memoryFrames);
    const RunResult r = runStream(false, Kind::Warnings);
    print("page/warnings long", r, "");
    const std::string name = "page/" + std::to_string(memoryFrames) + " warnings";
    report.figure(name + " throughput", memoryFrames / r.seconds, "frames/s");
    report.verdict(name + " messages shown", double(r.shown), "messages", double(memoryFrames),
                   Better::Higher);
    report.verdict(name + " messages held at the end, in order", double(r.held), "messages",
                   double(consoleWindow), Better::Higher);
    report.verdict(name + " longest stall after 1 s", r.maxStallMs, "ms", stallLimitMs,
                   Better::Lower);
    report.figure(name + " resident after a fifth", r.residentAtFifthMb, "MB");
    report.verdict(name + " resident growth from a fifth to the end",
                   r.residentMb / std::max(1.0, r.residentAtFifthMb) - 1.0, "ratio",
                   memoryGrowthLimit, Better::Lower);
    report.verdict(name + " peak resident memory", r.peakMb, "MB", memoryLimitMb, Better::Lower);
    streamFrames = saved;
}

// Warnings at a steady rate, as an application reporting while it renders.
void paced(Report& report)
{
    const int saved = std::exchange(streamFrames, 200000);
    for (int perSecond : {5000, 20000}) {
        const RunResult r = runStream(false, Kind::Warnings, perSecond);
        const std::string name = "page/warnings at " + std::to_string(perSecond) + "/s";
        print(name, r, "");
        report.verdict(name + ": messages shown of 200000", double(r.shown), "messages", 200000,
                       Better::Higher);
        report.verdict(name + ": messages held at the end, in order", double(r.held), "messages",
                       double(consoleWindow), Better::Higher);
        report.verdict(name + ": longest stall after 1 s", r.maxStallMs, "ms", stallLimitMs,
                       Better::Lower);
    }
    streamFrames = saved;
}

// Eight pages fed over their own connections until each console is at its bound, then the
// console font changes on all of them, as the main window's font chooser does.
void fontChange(Report& report)
{
    constexpr int pages = 8;
    // One short of a renewal: every console at the most it holds.
    const int perPage = consoleWindow * 2 - 1;
    malloc_trim(0);
    ClientTabWidget tabs(nullptr);
    tabs.resize(900, 600);
    tabs.show();
    std::vector<std::unique_ptr<Link>> links;
    std::vector<std::unique_ptr<Client>> clients;
    std::vector<ClientInterface*> shown;
    int received = 0;
    QEventLoop loop;
    QElapsedTimer fill;
    fill.start();
    for (int i = 0; i < pages; ++i) {
        links.push_back(std::make_unique<Link>(i + 1, Kind::Warnings, perPage));
        clients.push_back(std::make_unique<Client>(nullptr, links.back()->socket));
        ClientInterface* page = tabs.addClient(clients.back().get(), QFont(), false);
        page->console()->setWindow(consoleWindow);
        page->findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
        QObject::connect(clients.back().get(), &Client::clientMessage, page,
                         &ClientInterface::receive);
        QObject::connect(clients.back().get(), &Client::clientMessage, &loop, [&] {
            if (++received == pages * perPage)
                loop.quit();
        });
        page->setConnected();
        shown.push_back(page);
        // As when applications connect one after another: each page is laid out at its size.
        runEventLoopFor(50);
    }
    loop.exec();
    runEventLoopFor(500);
    int blocks = 0;
    for (ClientInterface* page : shown)
        blocks = std::max(blocks, page->document()->blockCount());
    std::printf("font change: %d pages filled with %d warnings each in %.1f s, largest console "
                "%d blocks (window %d messages), resident %.0f MB, load %s\n",
                pages, perPage, fill.nsecsElapsed() / 1e9, blocks, consoleWindow,
                residentMegabytes(), loadAverage().c_str());

    // Showing each page in turn before the change: what a page switch costs anyway.
    StallWatch plainSwitches;
    plainSwitches.start(0);
    for (int i = 0; i < pages; ++i) {
        QTimer::singleShot(0, [&tabs, i] { tabs.setCurrentIndex(i); });
        runEventLoopFor(300);
    }
    const double plainSwitchStall = plainSwitches.stop();
    report.figure("showing a page at its bound, no font change: longest stall", plainSwitchStall,
                  "ms");

    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(11);
    StallWatch stalls;
    stalls.start(0);
    QElapsedTimer clock;
    clock.start();
    // All in one slot, as a signal from the font chooser would call them.
    QTimer::singleShot(0, [&] {
        for (ClientInterface* page : shown)
            page->fontChanged(font);
    });
    runEventLoopFor(2000);
    const double stall = stalls.stop();
    // Pages out of sight take the new font when they are shown: every tab in turn.
    StallWatch switches;
    switches.start(0);
    for (int i = 0; i < pages; ++i) {
        QTimer::singleShot(0, [&tabs, i] { tabs.setCurrentIndex(i); });
        runEventLoopFor(700);
    }
    const double switchStall = switches.stop();
    std::printf("font change: longest stall %.1f ms at the change, %.1f ms showing each page "
                "after it (%.1f ms before the change), load %s\n",
                stall, switchStall, plainSwitchStall, loadAverage().c_str());
    report.verdict("font change with 8 pages at their bound: longest stall", stall, "ms",
                   fontStallLimitMs, Better::Lower);
    report.verdict("font change: longest stall showing a page after it", switchStall, "ms",
                   fontStallLimitMs, Better::Lower);
    links.clear();
    clients.clear();
}

void contexts(Report& report)
{
    const int saved = streamFrames;
    streamFrames = 10000;
    const RunResult r = runStream(false, Kind::Contexts);
    print("page/contexts", r, "");
    std::printf("page/contexts: %d context pages at the end, all built after %.2f s\n",
                r.contextPages, r.seconds);
    streamFrames = saved;
    report.figure("page/10000 contexts throughput", 10000 / r.seconds, "frames/s");
    report.verdict("page/10000 contexts longest stall", r.maxStallMs, "ms", stallLimitMs,
                   Better::Lower);
    report.verdict("page/10000 contexts resident memory", r.residentMb, "MB", memoryLimitMb,
                   Better::Lower);
}

// The error list at its bound: rows appended in bursts as a flood brings them, with the filter
// proxy and the shown view attached; the slowest burst includes a removal of the oldest rows.
void errorList(Report& report)
{
    ClientInterface page(nullptr, nullptr, QFont());
    page.resize(900, 600);
    page.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
    page.show();
    ErrorListModel* model = page.errorListModel();
    const int limit = model->rowLimit();
    QList<ErrorListEntry> burst;
    for (int i = 0; i < 2000; ++i)
        burst.append({ErrorListEntry::Warning, i, QString(),
                      QStringLiteral("Texture %1 was resized to a power of two").arg(i),
                      QString()});
    double slowestMs = 0;
    QElapsedTimer clock;
    for (int rows = 0; rows < limit + limit / 2; rows += int(burst.size())) {
        clock.start();
        model->append(burst);
        QCoreApplication::processEvents();
        if (rows > limit / 2)
            slowestMs = std::max(slowestMs, clock.nsecsElapsed() / 1e6);
    }
    std::printf("error list: %d rows kept (bound %d), slowest burst of 2000 rows %.1f ms, "
                "resident %.0f MB, load %s\n",
                model->rowCount(), limit, slowestMs, residentMegabytes(), loadAverage().c_str());
    report.verdict("error list at its bound: slowest burst of 2000 rows", slowestMs, "ms",
                   stallLimitMs, Better::Lower);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qRegisterMetaType<Message>("ui::messages::Message");
    if (argc > 1)
        streamFrames = std::max(patternFrames, std::atoi(argv[1]) / patternFrames * patternFrames);
    if (argc > 2)
        runsPerStream = std::max(1, std::atoi(argv[2]));
    std::printf("bench_monitor: %d frames per stream, %d runs each, load %s, %ld cores\n",
                streamFrames, runsPerStream, loadAverage().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    const std::string parts = argc > 3 ? argv[3] : "streams,memory,paced,errorlist,contexts,font";
    if (argc > 4)
        consoleWindow = std::max(1000, std::atoi(argv[4]));
    if (argc > 5)
        memoryFrames = std::max(patternFrames, std::atoi(argv[5]));
    Report report("bench_monitor");
    // Streams first: the later parts leave the heap larger than any one page needs.
    streams(report, parts);
    if (parts.find("memory") != std::string::npos)
        memory(report);
    if (parts.find("paced") != std::string::npos)
        paced(report);
    if (parts.find("errorlist") != std::string::npos)
        errorList(report);
    if (parts.find("contexts") != std::string::npos)
        contexts(report);
    if (parts.find("font") != std::string::npos)
        fontChange(report);
    return 0;
}
