#include "monitor/ClientTabWidget.h"

#include "monitor/ClientInterface.h"

#include <QEvent>
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

ClientTabWidget::~ClientTabWidget()
{
    // Pages still waiting go with the tab widget's children; the pending turn must not call
    // back into a tab widget that is being destroyed.
    if (m_turn) {
        m_turn->disconnect(this);
        delete m_turn;
    }
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

void ClientTabWidget::tabInserted(int index)
{
    QTabWidget::tabInserted(index);
    if (QWidget* w = widget(index))
        w->installEventFilter(this);
}

bool ClientTabWidget::eventFilter(QObject* watched, QEvent* event)
{
    // Only a page that has left the tabs is held back; Qt delivers its deferred deletion where
    // deleting it is safe, so the release that follows runs at that same place.
    if (event->type() == QEvent::DeferredDelete && watched->isWidgetType() &&
        indexOf(static_cast<QWidget*>(watched)) < 0) {
        watched->removeEventFilter(this);
        m_releasing.append(static_cast<QWidget*>(watched));
        releaseAfterThisTurn();
        return true;
    }
    return QTabWidget::eventFilter(watched, event);
}

void ClientTabWidget::releaseAfterThisTurn()
{
    if (m_turn)
        return;
    // A deferred deletion posted now is delivered on the next turn, and only at this loop
    // level or an outer one, like the deletion it stands for.
    m_turn = new QObject;
    connect(m_turn, &QObject::destroyed, this, &ClientTabWidget::releaseNext);
    m_turn->deleteLater();
}

void ClientTabWidget::releaseNext()
{
    m_turn = nullptr;
    while (!m_releasing.isEmpty()) {
        const QPointer<QWidget> page = m_releasing.takeFirst();
        if (page) {
            delete page.data();
            break;
        }
    }
    if (!m_releasing.isEmpty())
        releaseAfterThisTurn();
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
