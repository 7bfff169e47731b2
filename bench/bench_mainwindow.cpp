// 64 emulated applications at once through the real main window, each sending 10,000 frames
// while short-lived ones connect and disconnect around them. Goals: nothing is lost (every page
// holds all its warnings), every departed application's page is finished, and every application
// still connected when the window closes receives ServerStop. Throughput is reported beside.
#include "BenchReport.h"
#include "app/Controller.h"
#include "bench_mainwindow_common.h"
#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"

#include <QElapsedTimer>
#include <QTest>

#include <map>
#include <memory>

using namespace ui::messages;
using kolz::bench::PeerThread;

namespace {

constexpr int peerCount = 64;
constexpr int framesPerPeer = 10000;
constexpr int patternFrames = 100; // half infos, half warnings
constexpr int churnPeers = 128;
constexpr int churnFrames = 20;

QByteArray pattern(int frames)
{
    std::vector<Message> list;
    for (int i = 0; i < frames; ++i) {
        Message frame = i % 2 ? Message::makeWarning("Texture size rounded up to a power of two")
                              : Message::makeInfo("glDrawElements: 1536 indices");
        frame.setFrame(i);
        list.push_back(frame);
    }
    return kolz::test::encodeFrames(list);
}

std::map<PID_TYPE, ClientInterface*> pagesByPid(ClientTabWidget* tabs)
{
    std::map<PID_TYPE, ClientInterface*> pages;
    for (int i = 0; i < tabs->count(); ++i) {
        if (ClientInterface* page = tabs->page(i); page && page->client() != nullptr)
            pages[page->pid()] = page;
        else if (page && page->state() == ClientInterface::Finished)
            pages[page->pid()] = page;
    }
    return pages;
}

} // namespace

int main(int argc, char** argv)
{
    kolz::bench::ScratchEnvironment environment;
    Controller app(argc, argv);
    MainWindow& window = app.window();
    window.resize(1180, 640);
    window.setTopLoopLevel(1); // the loop below stands in for the program's own
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const double residentBefore = kolz::bench::residentMegabytes();

    const QByteArray main = pattern(patternFrames);
    const QByteArray churn = pattern(churnFrames);
    std::vector<std::unique_ptr<PeerThread>> peers;
    for (int i = 0; i < peerCount; ++i) {
        const auto end = i % 4 == 0   ? PeerThread::End::Stay
                         : i % 4 == 1 ? PeerThread::End::Lost
                                      : PeerThread::End::Clean;
        peers.push_back(std::make_unique<PeerThread>(PID_TYPE(1000 + i), main,
                                                     framesPerPeer / patternFrames, end));
    }
    QElapsedTimer timer;
    timer.start();
    for (auto& peer : peers)
        peer->start();

    // Short-lived applications come and go while the long streams run, a few at a time.
    std::vector<std::unique_ptr<PeerThread>> churners;
    int churnStarted = 0;
    auto allDone = [&] {
        while (churnStarted < churnPeers &&
               churnStarted - int(std::count_if(churners.begin(), churners.end(),
                                                [](auto& p) { return p->isFinished(); })) <
                   4) {
            churners.push_back(std::make_unique<PeerThread>(
                PID_TYPE(5000 + churnStarted), churn, 1,
                churnStarted % 2 ? PeerThread::End::Lost : PeerThread::End::Clean));
            churners.back()->start();
            ++churnStarted;
        }
        if (churnStarted < churnPeers)
            return false;
        for (auto& peer : churners) {
            if (!peer->isFinished())
                return false;
        }
        const auto pages = pagesByPid(window.clientTabWidget());
        for (int i = 0; i < peerCount; ++i) {
            const auto found = pages.find(PID_TYPE(1000 + i));
            if (found == pages.end() ||
                found->second->errorListModel()->rowCount() < framesPerPeer / 2)
                return false;
            if (i % 4 != 0 && found->second->state() != ClientInterface::Finished)
                return false;
        }
        for (int i = 0; i < churnPeers; ++i) {
            const auto found = pages.find(PID_TYPE(5000 + i));
            if (found == pages.end() || found->second->state() != ClientInterface::Finished)
                return false;
        }
        return true;
    };
    const bool complete = kolz::bench::runUntil(allDone, 600000);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double residentAfter = kolz::bench::residentMegabytes();

    // Count what arrived and how the pages ended.
    const auto pages = pagesByPid(window.clientTabWidget());
    int finished = 0, expectedFinished = 0, fullPages = 0;
    for (int i = 0; i < peerCount; ++i) {
        const auto found = pages.find(PID_TYPE(1000 + i));
        if (found == pages.end())
            continue;
        fullPages += found->second->errorListModel()->rowCount() == framesPerPeer / 2;
        if (i % 4 != 0) {
            ++expectedFinished;
            finished += found->second->state() == ClientInterface::Finished;
        }
    }
    for (int i = 0; i < churnPeers; ++i) {
        ++expectedFinished;
        const auto found = pages.find(PID_TYPE(5000 + i));
        finished += found != pages.end() && found->second->state() == ClientInterface::Finished;
    }
    const int stillConnected = int(window.connectedClients().size());

    window.close();
    kolz::bench::runUntil([] { return false; }, 300); // the stop frames leave
    int stopped = 0, stayers = 0;
    for (int i = 0; i < peerCount; ++i) {
        if (i % 4 != 0)
            continue;
        ++stayers;
        peers[i]->wait(30000);
        stopped += peers[i]->stopped;
    }
    for (auto& peer : peers)
        peer->wait();

    const double frames = double(peerCount) * framesPerPeer + double(churnPeers) * churnFrames;
    std::printf("%d applications x %d frames (+%d short-lived x %d) in %.2f s: %.0f frames/s; "
                "resident %.0f MB before, %.0f MB after; %d of %d pages complete, %d of %d "
                "departed pages finished, %d connected at close, %d of %d stopped\n",
                peerCount, framesPerPeer, churnPeers, churnFrames, seconds, frames / seconds,
                residentBefore, residentAfter, fullPages, peerCount, finished, expectedFinished,
                stillConnected, stopped, stayers);

    kolz::bench::Report report("bench_mainwindow");
    report.figure("mainwindow/64-peers-seconds", seconds, "s");
    report.figure("mainwindow/64-peers-throughput", frames / seconds, "frames/s");
    report.figure("mainwindow/64-peers-resident", residentAfter, "MB");
    report.verdict("mainwindow/all-delivered", complete ? double(fullPages) / peerCount : 0,
                   "of pages", 1, kolz::bench::Better::Higher);
    report.verdict("mainwindow/departed-finished", double(finished) / expectedFinished, "of pages",
                   1, kolz::bench::Better::Higher);
    report.verdict("mainwindow/stop-at-close", double(stopped) / stayers, "of peers", 1,
                   kolz::bench::Better::Higher);
    return 0;
}
