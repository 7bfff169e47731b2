#include "common_gui/AnimatedSvgWidget.h"

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

AnimatedSvgWidget::AnimatedSvgWidget(const QString& file, QWidget* parent)
    : QSvgWidget(file, parent), m_timer(this), m_step(6), m_reverse(false)
{
    m_timer.setInterval(16);
    connect(&m_timer, &QTimer::timeout, this, &AnimatedSvgWidget::onUpdate);
}

AnimatedSvgWidget::AnimatedSvgWidget(const QString& file, std::uint32_t steps, bool reverse,
                                     QWidget* parent)
    : QSvgWidget(file, parent), m_timer(this), m_step(steps > 0 ? 360.0 / steps : 0),
      m_reverse(reverse)
{
    // More than 1000 steps would give a zero interval, a timer that fires without pause.
    m_timer.setInterval(steps > 0 ? std::max(1, static_cast<int>(1000 / steps)) : 0);
    connect(&m_timer, &QTimer::timeout, this, &AnimatedSvgWidget::onUpdate);
}

AnimatedSvgWidget::AnimatedSvgWidget(const QString& file, std::uint32_t steps, QWidget* parent)
    : AnimatedSvgWidget(file, steps, false, parent)
{}

void AnimatedSvgWidget::setReverse(bool reverse)
{
    m_reverse = reverse;
}

void AnimatedSvgWidget::start()
{
    // Without a step there is nothing to turn, and the timer would only burn time.
    if (m_step > 0 && !m_timer.isActive())
        m_timer.start();
}

void AnimatedSvgWidget::stop()
{
    m_timer.stop();
}

void AnimatedSvgWidget::onUpdate()
{
    if (m_reverse) {
        m_angle -= m_step;
        if (m_angle < -360)
            m_angle += 360;
    } else {
        m_angle += m_step;
        if (m_angle > 360)
            m_angle -= 360;
    }
    repaint();
}

void AnimatedSvgWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect viewport = painter.viewport();
    const QPointF centre(viewport.x() + viewport.width() / 2.0,
                         viewport.y() + viewport.height() / 2.0);
    painter.translate(centre);
    painter.rotate(m_angle);
    painter.translate(-centre);
    renderer()->render(&painter);
}
