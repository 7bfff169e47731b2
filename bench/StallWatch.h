#pragma once

// The event loop's responsiveness: the longest gap between ticks of a 5 ms timer, counted from
// a given moment on (a start-up that is not part of the measure can be left out).

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace kolz::bench {

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

} // namespace kolz::bench
