#pragma once

#include <QWidget>

class QTabWidget;

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

    // Adds the page of a context to an application's context tabs, titled by the context's id.
    // With maxPages pages there already, the oldest page goes first, and the tabs say so.
    static ContextInterface* addPage(QTabWidget* tabs, const ui::messages::Message& contextInfo,
                                     int maxPages);
    // Says beside the tabs, once, that older context pages were removed.
    static void showRemovalNotice(QTabWidget* tabs);
    static QString removalNotice();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill(const ui::messages::Message& contextInfo);
    void fitStatusColumn();

    Ui::ContextInterface* ui;
};
