#pragma once

#include "common_gui/AnimatedSvgWidget.h"

// The kit's spinner image turning clockwise once a second; visible only while it turns.
class LoadingSpinner : public AnimatedSvgWidget
{
    Q_OBJECT

public:
    explicit LoadingSpinner(QWidget* parent = nullptr);

public slots:
    void start() override;
    void stop() override;
};
