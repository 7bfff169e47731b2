// The program's resident memory after 1,000,000 warnings from one emulated application, all
// kept by its page (console and error list), measured through the real main window.
#include "BenchReport.h"
#include "app/Controller.h"
#include "bench_mainwindow_common.h"
#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"

#include <QTest>

using namespace ui::messages;
using kolz::bench::PeerThread;

namespace {

constexpr int warnings = 1000000;
constexpr int patternFrames = 1000;

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
    ClientInterface* page = nullptr;
    const bool complete = kolz::bench::runUntil(
        [&] {
            page = window.clientTabWidget()->page(window.clientTabWidget()->count() - 1);
            return page && page->errorListModel()->rowCount() == warnings;
        },
        900000);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    kolz::bench::runUntil([] { return false; }, 500); // the console's last batch settles
    const double after = kolz::bench::residentMegabytes();
    window.close();
    peer.wait(30000);

    std::printf("%d warnings from one application in %.1f s (%.0f warnings/s); resident %.0f MB "
                "before, %.0f MB after: %.0f bytes per warning\n",
                warnings, seconds, warnings / seconds, before, after,
                (after - before) * 1024 * 1024 / warnings);
    kolz::bench::Report report("bench_mainwindow_memory");
    report.figure("mainwindow/resident-before", before, "MB");
    report.figure("mainwindow/resident-after-1M-warnings", after, "MB");
    report.figure("mainwindow/bytes-per-warning", (after - before) * 1024 * 1024 / warnings,
                  "bytes");
    report.verdict("mainwindow/1M-warnings-delivered", complete ? 1 : 0, "", 1,
                   kolz::bench::Better::Higher);
    report.verdict("mainwindow/1M-stop-at-close", peer.stopped ? 1 : 0, "", 1,
                   kolz::bench::Better::Higher);
    return 0;
}
