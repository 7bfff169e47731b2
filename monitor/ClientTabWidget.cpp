#include "monitor/ClientTabWidget.h"

#include "monitor/ClientInterface.h"

#include <QMouseEvent>

ClientTabWidget::ClientTabBar::ClientTabBar(QWidget* parent) : QTabBar(parent) {}

void ClientTabWidget::ClientTabBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::MiddleButton)
        return;
    emit tabCloseRequested(tabAt(event->position().toPoint()));
    QTabBar::mouseReleaseEvent(event);
}

ClientTabWidget::ClientTabWidget(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new ClientTabBar(this));
}

ClientInterface* ClientTabWidget::page(int index) const
{
    return qobject_cast<ClientInterface*>(widget(index));
}

void ClientTabWidget::dropTab(int index)
{
    QWidget* w = widget(index);
    removeTab(index);
    // Deferred: the page may be the one whose slot or popup is running right now.
    if (w)
        w->deleteLater();
}

void ClientTabWidget::addPlaceholderTab(const QFont& consoleFont)
{
    auto* placeholder = new ClientInterface(this, nullptr, consoleFont);
    const int index = addTab(placeholder, tr("Disconnected"));
    placeholder->setEnabled(false);
    QWidget* closeButton = tabBar()->tabButton(index, QTabBar::RightSide);
    if (!closeButton)
        closeButton = tabBar()->tabButton(index, QTabBar::LeftSide);
    if (closeButton)
        closeButton->resize(0, 0);
}

ClientInterface* ClientTabWidget::addClient(Client* client, const QFont& consoleFont,
                                            bool removeFinished)
{
    if (removeFinished) {
        for (int i = 0; i < count();) {
            ClientInterface* p = page(i);
            if (p && p->state() == ClientInterface::State::Finished)
                dropTab(i);
            else
                ++i;
        }
    }
    if (count() == 1) {
        ClientInterface* p = page(0);
        if (p && p->state() == ClientInterface::State::Disconnected)
            dropTab(0);
    }
    auto* newPage = new ClientInterface(this, client, consoleFont);
    addTab(newPage, tr("<unknown>"));
    setCurrentIndex(count() - 1);
    return newPage;
}
