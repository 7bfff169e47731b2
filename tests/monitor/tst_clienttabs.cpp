#include "support/TestEnvironment.h"

#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"

#include <QAbstractButton>
#include <QPointer>
#include <QSignalSpy>
#include <QTabBar>

namespace {

// One turn of the event loop, as far as deferred deletions go.
void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Turns until every deferred deletion has run; removed pages go one per turn.
void releaseAll(int pages)
{
    for (int i = 0; i <= pages + 1; ++i)
        processDeferredDeletes();
}

int alive(const QList<QPointer<ClientInterface>>& pages)
{
    int count = 0;
    for (const auto& page : pages)
        count += !page.isNull();
    return count;
}

// Whether the pages that are gone are the first ones.
bool freedInOrder(const QList<QPointer<ClientInterface>>& pages)
{
    const int gone = int(pages.size()) - alive(pages);
    for (int i = 0; i < pages.size(); ++i) {
        if (pages[i].isNull() != (i < gone))
            return false;
    }
    return true;
}

QStringList titles(const QTabWidget& tabs)
{
    QStringList result;
    for (int i = 0; i < tabs.count(); ++i)
        result << tabs.tabText(i);
    return result;
}

} // namespace

class TestClientTabs : public QObject
{
    Q_OBJECT

private slots:
    void placeholderStandsInUntilAClientArrives();
    void finishedTabsGoOnlyWhenAsked();
    void droppedPagesAreFreedOnePerTurn_data();
    void droppedPagesAreFreedOnePerTurn();
    void middleClickRequestsClosing();
};

void TestClientTabs::placeholderStandsInUntilAClientArrives()
{
    ClientTabWidget tabs;
    tabs.setTabsClosable(true);
    const QFont font(QStringLiteral("Monospace"), 11);
    tabs.addPlaceholderTab(font);
    QCOMPARE(titles(tabs), QStringList{"Disconnected"});
    QPointer<ClientInterface> placeholder = tabs.page(0);
    QVERIFY(placeholder);
    QVERIFY(!placeholder->isEnabled());
    QCOMPARE(placeholder->state(), ClientInterface::Disconnected);
    QVERIFY(!placeholder->client());
    // The placeholder cannot be closed through its button.
    QWidget* button = tabs.tabBar()->tabButton(0, QTabBar::RightSide);
    if (!button)
        button = tabs.tabBar()->tabButton(0, QTabBar::LeftSide);
    QVERIFY(button);
    QCOMPARE(button->size(), QSize(0, 0));

    ClientInterface* first = tabs.addClient(nullptr, font, false);
    QVERIFY(first);
    QVERIFY(first != placeholder);
    QCOMPARE(titles(tabs), QStringList{"<unknown>"});
    QCOMPARE(tabs.currentWidget(), first);
    QVERIFY(first->isEnabled());
    releaseAll(1);
    QVERIFY(!placeholder);

    // A second client leaves the first one alone.
    first->setConnected();
    ClientInterface* second = tabs.addClient(nullptr, font, true);
    QCOMPARE(tabs.count(), 2);
    QCOMPARE(tabs.page(0), first);
    QCOMPARE(tabs.currentWidget(), second);

    // A placeholder added after the last tab went is replaced the same way.
    tabs.removeTab(1);
    tabs.removeTab(0);
    delete first;
    delete second;
    tabs.addPlaceholderTab(font);
    tabs.addClient(nullptr, font, true);
    QCOMPARE(titles(tabs), QStringList{"<unknown>"});
}

void TestClientTabs::finishedTabsGoOnlyWhenAsked()
{
    ClientTabWidget tabs;
    const QFont font;
    tabs.addPlaceholderTab(font);
    QList<QPointer<ClientInterface>> pages;
    for (int i = 0; i < 3; ++i) {
        pages << tabs.addClient(nullptr, font, false);
        pages.last()->setConnected();
    }
    pages[0]->finish(QStringLiteral("Client disconnected"));
    pages[2]->finish(QStringLiteral("Lost connection to client"));

    // Without auto-close the finished tabs stay.
    ClientInterface* kept = tabs.addClient(nullptr, font, false);
    QCOMPARE(tabs.count(), 4);
    kept->setConnected();

    ClientInterface* added = tabs.addClient(nullptr, font, true);
    QCOMPARE(tabs.count(), 3);
    QCOMPARE(tabs.page(0), pages[1].data());
    QCOMPARE(tabs.page(1), kept);
    QCOMPARE(tabs.page(2), added);
    QCOMPARE(tabs.currentIndex(), 2);

    // The removed pages outlive the call that removed them, so that a slot of theirs that is
    // still running does not return into a deleted object.
    QVERIFY(pages[0] && pages[2]);
    releaseAll(2);
    QVERIFY(!pages[0] && !pages[2]);
    QVERIFY(pages[1]);

    // With every page finished, nothing but the new one remains.
    pages[1]->finish(QStringLiteral("Client disconnected"));
    kept->finish(QStringLiteral("Client disconnected"));
    added->finish(QStringLiteral("Client disconnected"));
    ClientInterface* last = tabs.addClient(nullptr, font, true);
    QCOMPARE(tabs.count(), 1);
    QCOMPARE(tabs.page(0), last);
}

void TestClientTabs::droppedPagesAreFreedOnePerTurn_data()
{
    QTest::addColumn<bool>("byNewClient");
    QTest::newRow("auto-close as a client connects") << true;
    // What the main window does for closed tabs and its own auto-close.
    QTest::newRow("removed, then deleteLater") << false;
}

void TestClientTabs::droppedPagesAreFreedOnePerTurn()
{
    QFETCH(bool, byNewClient);
    constexpr int finished = 6;
    ClientTabWidget tabs;
    QList<QPointer<ClientInterface>> pages;
    for (int i = 0; i < finished + 1; ++i) {
        pages << tabs.addClient(nullptr, QFont(), false);
        pages.last()->setConnected();
    }
    ClientInterface* running = pages.takeAt(3);
    for (const auto& page : pages)
        page->finish(QStringLiteral("Client disconnected"));

    if (byNewClient) {
        tabs.addClient(nullptr, QFont(), true);
    } else {
        for (const auto& page : pages) {
            tabs.removeTab(tabs.indexOf(page));
            page->deleteLater();
        }
    }
    QCOMPARE(tabs.count(), byNewClient ? 2 : 1);
    QCOMPARE(tabs.page(0), running);

    // However many went at once, no turn frees more than one of them, and they go in order.
    for (int turn = 0; turn < 2 * finished && alive(pages) > 0; ++turn) {
        const int before = alive(pages);
        processDeferredDeletes();
        QVERIFY(before - alive(pages) <= 1);
        QVERIFY(freedInOrder(pages));
    }
    QCOMPARE(alive(pages), 0);

    // A tab widget that goes while a page waits takes the page along.
    auto* closing = new ClientTabWidget;
    QPointer<ClientInterface> waiting = closing->addClient(nullptr, QFont(), false);
    closing->removeTab(0);
    waiting->deleteLater();
    processDeferredDeletes();
    QVERIFY(waiting);
    delete closing;
    QVERIFY(!waiting);
    processDeferredDeletes();
}

void TestClientTabs::middleClickRequestsClosing()
{
    ClientTabWidget tabs;
    tabs.setTabsClosable(true); // the tab widget passes the bar's requests on only then
    tabs.resize(800, 400);
    tabs.addPlaceholderTab(QFont());
    for (int i = 0; i < 3; ++i)
        tabs.addClient(nullptr, QFont(), false)->setConnected();
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    QTabBar* bar = tabs.tabBar();
    QSignalSpy closeRequested(&tabs, &QTabWidget::tabCloseRequested);

    QTest::mouseClick(bar, Qt::MiddleButton, {}, bar->tabRect(1).center());
    QCOMPARE(closeRequested.count(), 1);
    QCOMPARE(closeRequested.takeFirst().at(0).toInt(), 1);

    QTest::mouseClick(bar, Qt::MiddleButton, {}, bar->tabRect(2).topLeft() + QPoint(1, 1));
    QCOMPARE(closeRequested.takeFirst().at(0).toInt(), 2);

    // Beside the tabs the request still goes out, for no tab; the receiver ignores it.
    QTest::mouseClick(bar, Qt::MiddleButton, {}, QPoint(bar->tabRect(2).right() + 40, 2));
    QCOMPARE(closeRequested.takeFirst().at(0).toInt(), -1);

    // Other buttons only switch tabs, they never close one.
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    QTest::mouseClick(bar, Qt::RightButton, {}, bar->tabRect(1).center());
    QCOMPARE(closeRequested.count(), 0);
    QCOMPARE(tabs.currentIndex(), 0);
    QCOMPARE(tabs.count(), 3);
}

KOLZ_TEST_MAIN_WIDGETS(TestClientTabs)
#include "tst_clienttabs.moc"
