#pragma once

#include <QWidget>

namespace ui::messages {
class Message;
}
namespace Ui {
class ContextInterface;
}

// What one OpenGL ES context of an application offers: the emulated version and extensions,
// and the host OpenGL underneath. Filled once from the application's ContextInfo frame.
class ContextInterface : public QWidget
{
    Q_OBJECT

public:
    ContextInterface(QWidget* parent, const ui::messages::Message& contextInfo);
    ~ContextInterface() override;

private:
    void fill(const ui::messages::Message& contextInfo);

    Ui::ContextInterface* ui;
};
