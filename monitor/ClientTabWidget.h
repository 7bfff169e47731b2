#pragma once

#include <QTabBar>
#include <QTabWidget>

class Client;
class ClientInterface;
class QFont;

// One tab per connected application. A disabled "Disconnected" placeholder stands in when there
// is none; finished tabs can be dropped as new applications connect.
class ClientTabWidget : public QTabWidget
{
    Q_OBJECT

public:
    // Closes a tab on a middle click, as browsers do.
    class ClientTabBar : public QTabBar
    {
    public:
        explicit ClientTabBar(QWidget* parent = nullptr);

    protected:
        void mouseReleaseEvent(QMouseEvent* event) override;
    };

    explicit ClientTabWidget(QWidget* parent = nullptr);

    void addPlaceholderTab(const QFont& consoleFont);
    ClientInterface* addClient(Client* client, const QFont& consoleFont, bool removeFinished);

    ClientInterface* page(int index) const;

private:
    void dropTab(int index);
};
