#include "common_gui/AnimatedLabel.h"

AnimatedLabel::AnimatedLabel(const QPixmap& strip, std::uint32_t frameSize, std::int32_t frameCount,
                             std::uint32_t interval, QWidget* parent, Qt::WindowFlags flags)
    : QLabel(parent, flags), m_timer(this), m_frameSize(frameSize), m_frameCount(0)
{
    const int side = static_cast<int>(frameSize);
    const int columns = side > 0 ? strip.width() / side : 0;
    if (columns > 0 && frameCount > 0) {
        m_frameCount = frameCount;
        m_frames.reserve(static_cast<std::size_t>(frameCount));
        for (int i = 0; i < frameCount; ++i)
            m_frames.push_back(strip.copy((i % columns) * side, (i / columns) * side, side, side));
    }

    m_timer.setInterval(static_cast<int>(interval));
    connect(&m_timer, &QTimer::timeout, this, &AnimatedLabel::onUpdate);
    showCurrentFrame();
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(false);
}

void AnimatedLabel::setDisplayHeight(double height)
{
    if (!(height > 0))
        return;
    for (QPixmap& frame : m_frames)
        frame.setDevicePixelRatio(frame.height() / height);
    // The frames were detached from the one on show, which is replaced at once.
    if (!m_frames.empty())
        setPixmap(m_frames.front());
}

void AnimatedLabel::setLoop(bool loop)
{
    m_loop = loop;
}

void AnimatedLabel::setReverse(bool reverse)
{
    m_reverse = reverse;
}

void AnimatedLabel::start()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void AnimatedLabel::stop()
{
    m_timer.stop();
}

void AnimatedLabel::onUpdate()
{
    if (m_frames.empty())
        return;
    m_currentFrame += m_reverse ? -1 : 1;
    bool wrapped = false;
    if (m_currentFrame < 0) {
        m_currentFrame = m_frameCount - 1;
        wrapped = true;
    } else if (m_currentFrame >= m_frameCount) {
        m_currentFrame = 0;
        wrapped = true;
    }
    if (!wrapped || m_loop || m_tickCount < 2)
        ++m_tickCount;
    else
        stop();
    // The frame changes at the next paint; without asking for one nothing would move.
    update();
}

void AnimatedLabel::showCurrentFrame()
{
    if (m_frames.empty())
        return;
    const QPixmap& frame = m_frames[static_cast<std::size_t>(m_currentFrame)];
    // Setting the pixmap schedules a repaint, so setting it on every paint would paint forever.
    if (pixmap().cacheKey() != frame.cacheKey())
        setPixmap(frame);
}

void AnimatedLabel::paintEvent(QPaintEvent* event)
{
    showCurrentFrame();
    QLabel::paintEvent(event);
}
