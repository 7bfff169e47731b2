#pragma once

#include <QLabel>

// A label that reports left-button clicks and double clicks, for links drawn as plain labels.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickableLabel(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr,
                            Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void clicked();
    void doubleClicked();

protected:
    // A release counts as a click wherever the press began.
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
