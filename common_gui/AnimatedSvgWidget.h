#pragma once

#include <QSvgWidget>
#include <QTimer>

#include <cstdint>

// Spins an SVG image about its centre, one step per timer tick.
class AnimatedSvgWidget : public QSvgWidget
{
    Q_OBJECT

public:
    // 6 degrees every 16 ms, clockwise.
    AnimatedSvgWidget(const QString& file, QWidget* parent = nullptr);
    // One turn in steps ticks of about 1000 / steps ms. With 0 steps the image never turns.
    AnimatedSvgWidget(const QString& file, std::uint32_t steps, bool reverse,
                      QWidget* parent = nullptr);
    AnimatedSvgWidget(const QString& file, std::uint32_t steps, QWidget* parent = nullptr);

    void setReverse(bool reverse);
    // Degrees turned so far, within (-360, 360].
    double angle() const { return m_angle; }

public slots:
    virtual void start();
    virtual void stop();

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void onUpdate();

private:
    QTimer m_timer;
    double m_step;
    double m_angle = 0;
    bool m_reverse;
};
