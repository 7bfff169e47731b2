#pragma once

// What the monitor benchmarks measure around the event loop: its responsiveness and the
// process's resident memory.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace kolz::bench {

// The longest gap between ticks of a 5 ms timer, counted from a given moment on (a start-up
// that is not part of the measure can be left out).

class StallWatch
{
public:
    StallWatch()
    {
        m_ticker.setInterval(5);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] { tick(); });
    }
    void start(double ignoreFirstMs = 0)
    {
        m_ignoreMs = ignoreFirstMs;
        m_clock.start();
        m_sinceTick.start();
        m_ticker.start();
    }
    double stop()
    {
        tick();
        m_ticker.stop();
        return m_maxMs;
    }

private:
    void tick()
    {
        const double gap = m_sinceTick.nsecsElapsed() / 1e6;
        m_sinceTick.restart();
        if (m_clock.nsecsElapsed() / 1e6 - gap >= m_ignoreMs)
            m_maxMs = std::max(m_maxMs, gap);
    }

    QTimer m_ticker;
    QElapsedTimer m_clock;
    QElapsedTimer m_sinceTick;
    double m_ignoreMs = 0;
    double m_maxMs = 0;
};

inline void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline double residentMegabytes()
{
    long pages = 0, resident = 0;
    if (std::FILE* fp = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(fp, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(fp);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

} // namespace kolz::bench
