#pragma once

#include <QList>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>

class Client;
class ClientInterface;
class QFont;

// One tab per connected application. A disabled "Disconnected" placeholder stands in when there
// is none; finished tabs can be dropped as new applications connect.
//
// Freeing a page that holds a long console takes a noticeable time, and many pages dropped at
// once would stop the window for all of them together. So a page taken out of the tabs and
// released with deleteLater(), here or by whoever removed it, is freed one page per turn of the
// event loop, in the order released.
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
    ~ClientTabWidget() override;

    void addPlaceholderTab(const QFont& consoleFont);
    ClientInterface* addClient(Client* client, const QFont& consoleFont, bool removeFinished);

    ClientInterface* page(int index) const;

protected:
    void tabInserted(int index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dropTab(int index);
    void releaseAfterThisTurn();
    void releaseNext();

    QList<QPointer<QWidget>> m_releasing; // removed pages whose deletion was held back
    QObject* m_turn = nullptr; // its deferred deletion marks the next turn of the event loop
};
