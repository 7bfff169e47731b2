// The program's resident memory after 1,000,000 warnings from one emulated application, all
// kept by its page (console and error list), measured through the real main window.
#include "BenchReport.h"
#include "app/Controller.h"
#include "bench_mainwindow_common.h"
#include "monitor/Client.h"
#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"

#include <QTest>

using namespace ui::messages;
using kolz::bench::PeerThread;

namespace {

constexpr int warnings = 1000000;
constexpr int patternFrames = 1000;
// A console that slows down as it grows would otherwise hold the benchmark for hours; how far it
// got is reported instead.
constexpr int timeLimitSeconds = 900;

} // namespace

int main(int argc, char** argv)
{
    kolz::bench::ScratchEnvironment environment;
    Controller app(argc, argv);
    MainWindow& window = app.window();
    window.setTopLoopLevel(1); // the loops below stand in for the program's own
    window.resize(1180, 640);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    kolz::bench::runUntil([] { return false; }, 300);
    const double before = kolz::bench::residentMegabytes();

    std::vector<Message> frames;
    for (int i = 0; i < patternFrames; ++i) {
        Message frame = Message::makeWarning("Texture size rounded up to a power of two");
        frame.setFrame(i);
        frames.push_back(frame);
    }
    PeerThread peer(4242, kolz::test::encodeFrames(frames), warnings / patternFrames,
                    PeerThread::End::Stay);
    QElapsedTimer timer;
    timer.start();
    peer.start();
    // Counted as the client dispatches them, whatever the page keeps of them.
    std::int64_t delivered = 0;
    QMetaObject::Connection counting;
    const bool complete = kolz::bench::runUntil(
        [&] {
            if (!counting) {
                ClientInterface* page =
                    window.clientTabWidget()->page(window.clientTabWidget()->count() - 1);
                if (page && page->client())
                    counting = QObject::connect(page->client(), &Client::clientMessage,
                                                [&delivered] { ++delivered; });
            }
            return delivered == warnings;
        },
        timeLimitSeconds * 1000);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    kolz::bench::runUntil([] { return false; }, 500); // the console's last batch settles
    const double after = kolz::bench::residentMegabytes();
    window.close();
    peer.wait(30000);

    std::printf("%lld of %d warnings from one application in %.1f s (%.0f warnings/s); resident "
                "%.0f MB before, %.0f MB after: %.0f bytes per warning\n",
                static_cast<long long>(delivered), warnings, seconds, delivered / seconds, before,
                after, delivered ? (after - before) * 1024 * 1024 / double(delivered) : 0.0);
    {
        kolz::bench::Report report("bench_mainwindow_memory");
        report.figure("mainwindow/resident-before", before, "MB");
        report.figure("mainwindow/resident-after-1M-warnings", after, "MB");
        report.figure("mainwindow/bytes-per-warning",
                      delivered ? (after - before) * 1024 * 1024 / double(delivered) : 0.0,
                      "bytes");
        report.figure("mainwindow/1M-warnings-seconds", seconds, "s");
        report.verdict("mainwindow/1M-warnings-delivered", double(delivered) / warnings,
                       complete ? "of all, within the time limit" : "of all, time limit reached", 1,
                       kolz::bench::Better::Higher);
        report.verdict("mainwindow/1M-stop-at-close", peer.stopped ? 1 : 0, "", 1,
                       kolz::bench::Better::Higher);
    }
    // A peer still blocked in a write (time limit reached) cannot be joined; leave without it.
    if (!peer.isFinished()) {
        std::fflush(stdout);
        std::_Exit(0);
    }
    return 0;
}
