#pragma once

#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <cstdint>
#include <vector>

// Plays the square frames of a sprite sheet, left to right and then row by row, one frame per
// timer tick, forwards or backwards, looping or stopping after one run.
class AnimatedLabel : public QLabel
{
    Q_OBJECT

public:
    // A frame size of 0, or a strip narrower than one frame, gives a label without frames, which
    // shows nothing and never animates.
    AnimatedLabel(const QPixmap& strip, std::uint32_t frameSize, std::int32_t frameCount,
                  std::uint32_t interval, QWidget* parent = nullptr,
                  Qt::WindowFlags flags = Qt::WindowFlags());

    // Lays every frame out height units tall (through its device pixel ratio).
    void setDisplayHeight(double height);
    void setLoop(bool loop);
    void setReverse(bool reverse);

public slots:
    virtual void start();
    virtual void stop();

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void onUpdate();

private:
    void showCurrentFrame();

    std::int32_t m_currentFrame = 0;
    std::uint32_t m_tickCount = 0;
    QTimer m_timer;
    std::vector<QPixmap> m_frames;
    std::uint32_t m_frameSize;
    std::int32_t m_frameCount;
    bool m_loop = true;
    bool m_reverse = false;
};
