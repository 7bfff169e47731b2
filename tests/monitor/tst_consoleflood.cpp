#include "ConsoleTestSupport.h"
#include "monitor/Console.h"
#include "monitor/ConsoleEntry.h"
#include "support/TestEnvironment.h"

#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QThread>

using namespace ui::messages;
using kolz::test::TestPeer;

namespace {

QStringList titles(const std::vector<ConsoleEntry>& sections)
{
    QStringList list;
    for (const ConsoleEntry& section : sections)
        list.append(section.qtext());
    return list;
}

// A page fed by a peer on a thread of its own, which streams as fast as the page reads, or in
// bursts of `burst` frames with a pause between them.
struct FloodLink
{
    QLocalServer server;
    Client* client = nullptr;
    std::unique_ptr<QThread> peer;
    std::unique_ptr<ClientInterface> page;

    bool open(const QByteArray& stream, int burst = 0, int pauseMs = 0)
    {
        if (!server.listen(QStringLiteral("KolZendra")))
            return false;
        peer.reset(QThread::create([stream, burst, pauseMs] {
            TestPeer sender;
            if (!sender.connectToPanel())
                return;
            const qsizetype chunk = burst > 0 ? burst * qsizetype(Message::Size) : stream.size();
            for (qsizetype at = 0; at < stream.size(); at += chunk) {
                if (!sender.sendBlocking(stream.mid(at, chunk), 64 * 1024, 120000))
                    return;
                QThread::msleep(static_cast<unsigned long>(pauseMs));
            }
            sender.socket()->waitForDisconnected(120000);
        }));
        peer->start();
        if (!server.waitForNewConnection(5000))
            return false;
        page = acceptPage(server, client);
        return true;
    }
    ~FloodLink()
    {
        if (client)
            client->socket()->abort();
        if (peer)
            peer->wait();
    }
};

} // namespace

class TestConsoleFlood : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<Message>("ui::messages::Message"); }

    void sectionStackFollowsEntries();
    void floodLosesNothing_data();
    void floodLosesNothing();
    void outputDuringARenewal_data();
    void outputDuringARenewal();
    void renewalEndsWhileBatchesStayOpen();
    void readerKeepsPlaceAcrossARenewal_data();
    void readerKeepsPlaceAcrossARenewal();
};

void TestConsoleFlood::sectionStackFollowsEntries()
{
    // Sections beyond the depth are counted; an end without an open section changes nothing;
    // the closing line leaves them all.
    SectionStack stack(2);
    for (const char* title : {"a", "b", "c"})
        stack.follow(ConsoleEntry::fromMessage(Message::makeBeginSection(0, 1, title)));
    QCOMPARE(titles(stack.open()), QStringList({"a", "b"}));
    QCOMPARE(stack.deeper(), 1);
    for (int i = 0; i < 4; ++i)
        stack.follow(ConsoleEntry::fromMessage(Message::makeEndSection()));
    QVERIFY(stack.open().empty());
    QCOMPARE(stack.deeper(), 0);
    stack.follow(ConsoleEntry::fromMessage(Message::makeBeginSection(0, 1, "outer")));
    stack.follow(ConsoleEntry::fromMessage(Message::makeWarning("w")));
    QCOMPARE(titles(stack.open()), QStringList({"outer"}));
    stack.follow(ConsoleEntry::closing("Client disconnected"));
    QVERIFY(stack.open().empty());
}

void TestConsoleFlood::floodLosesNothing_data()
{
    QTest::addColumn<int>("burst");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<bool>("following");
    QTest::addColumn<bool>("sections");
    QTest::newRow("flat out, followed") << 0 << 0 << true << false;
    QTest::newRow("flat out, read back") << 0 << 0 << false << false;
    QTest::newRow("a burst per rendered frame") << 400 << 16 << true << false;
    QTest::newRow("flat out, in sections") << 0 << 0 << true << true;
}

void TestConsoleFlood::floodLosesNothing()
{
    // Far above what the console writes per second, and several windows long: the console
    // renews itself a few times while it runs.
    QFETCH(int, burst);
    QFETCH(int, pauseMs);
    QFETCH(bool, following);
    QFETCH(bool, sections);
    // Sections change inside the window too.
    constexpr int window = 2000;
    constexpr int count = 12000;
    auto depthOf = [](int i) { return i < 3000 || i >= 11000 ? 2 : 3; };
    std::vector<Message> frames;
    if (sections)
        frames.push_back(Message::makeBeginSection(0, 1, "outer"));
    for (int i = 0; i < count; ++i) {
        if (sections && i == 3000)
            frames.push_back(Message::makeBeginSection(0, 2, "inner"));
        if (sections && i == 6000) {
            frames.push_back(Message::makeEndSection());
            frames.push_back(Message::makeBeginSection(0, 3, "late"));
        }
        if (sections && i == 11000)
            frames.push_back(Message::makeEndSection());
        frames.push_back(Message::makeWarning("flood " + std::to_string(i)));
    }
    if (sections)
        frames.push_back(Message::makeEndSection());
    frames.push_back(Message::makeInfo("after"));

    FloodLink link;
    QVERIFY(link.open(kolz::test::encodeFrames(frames), burst, pauseMs));
    ClientInterface& page = *link.page;
    Console* console = page.console();
    console->setWindow(window);
    showConsole(page);
    if (!following)
        page.uncheckConsoleAutoScroll();
    QTRY_COMPARE_WITH_TIMEOUT(console->received(), qint64(frames.size()), 120000);
    // The last batch ends (and may start a renewal) once the input is quiet.
    QTRY_COMPARE(page.errorListModel()->rowCount(), count);
    QTRY_VERIFY(!console->renewing());
    QTRY_VERIFY(blockWithText(page.document(), "after").isValid());

    // Every frame reached the console; the newest window of them is all there, in order, each
    // under its own title, and the notice counts exactly the ones that went.
    QTextDocument* doc = page.document();
    QVERIFY(console->removed() > 0);
    QCOMPARE(console->removed() + console->kept(), qint64(frames.size()));
    QVERIFY(console->kept() >= window);
    const QList<int> kept = numbered(doc, "flood ");
    QVERIFY(isTailUpTo(kept, count - 1));
    int keptWarnings = 0;
    for (std::size_t i = frames.size() - std::size_t(console->kept()); i < frames.size(); ++i)
        keptWarnings += frames[i].type() == MessageType::Warning ? 1 : 0;
    QCOMPARE(kept.size(), keptWarnings);
    int warningTitles = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        warningTitles += block.text() == "Warning" ? 1 : 0;
    QCOMPARE(warningTitles, kept.size());
    QVERIFY(doc->toPlainText().startsWith(Console::removalNotice(console->removed()) + "\n"));
    QCOMPARE(doc->toPlainText().count("older messages were removed"), 1);
    // Every warning has its error list row.
    QCOMPARE(page.errorListModel()->rowCount(), count);
    if (sections) {
        for (int i : {kept.first(), kept.first() + 1, 10999, 11000, count - 1}) {
            const QString text = "flood " + QString::number(i);
            QCOMPARE(frameDepth(doc, text, true), depthOf(i));
        }
        QCOMPARE(frameDepth(doc, "after", true), 0);
    }

    // The view shows the console's document, laid out as from scratch, with the newest output
    // in sight while it is followed.
    auto* view = page.findChild<QTextEdit*>("txtConsole");
    QCOMPARE(view->document(), doc);
    if (following)
        QTRY_VERIFY(view->viewport()->rect().contains(view->cursorRect()));
    // Qt's own layout timer, held back while the console laid the document out, settles.
    QCoreApplication::processEvents();
    const QList<QRectF> geometry = blockGeometry(doc);
    doc->markContentsDirty(0, doc->characterCount());
    QCOMPARE(blockGeometry(doc), geometry);

    // Output after the flood is written as it comes.
    page.finish("Client disconnected");
    QCOMPARE(frameDepth(page.document(), "Client disconnected", true), 0);
}

void TestConsoleFlood::outputDuringARenewal_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("more messages") << "more";
    QTest::newRow("the page finishes") << "finish";
    QTest::newRow("the console is cleared") << "clear";
}

void TestConsoleFlood::outputDuringARenewal()
{
    // A renewal in steps, as over a connection, that starts with the 200th message.
    QFETCH(QString, action);
    ClientInterface page(nullptr, nullptr, QFont());
    Console* console = page.console();
    console->setWindow(100);
    console->setStepped(true);
    showConsole(page);
    const QPointer<QTextDocument> before = page.document();
    page.receive(Message::makeBeginSection(0, 1, "outer"));
    for (int i = 1; i < 200; ++i)
        page.receive(Message::makeWarning("w" + std::to_string(i)));
    QVERIFY(console->renewing());
    if (action == "more") {
        for (int i = 200; i < 260; ++i)
            page.receive(Message::makeWarning("w" + std::to_string(i)));
    } else if (action == "finish") {
        page.finish("Client disconnected");
    } else {
        page.findChild<QPushButton*>("btnClear")->click();
        page.receive(Message::makeInfo("after"));
    }
    QTRY_VERIFY(!console->renewing());
    QTextDocument* doc = page.document();
    QCOMPARE(page.findChild<QTextEdit*>("txtConsole")->document(), doc);
    if (action == "clear") {
        QCOMPARE(doc, before.data());
        QCOMPARE(doc->toPlainText().trimmed(), "after");
        QCOMPARE(console->removed(), 0);
        QCOMPARE(console->kept(), 1);
        return;
    }
    const int last = action == "more" ? 259 : 199;
    const QList<int> kept = numbered(doc, "w");
    QVERIFY(isTailUpTo(kept, last));
    QCOMPARE(kept.size(), console->kept() - (action == "finish" ? 1 : 0));
    QCOMPARE(console->removed() + console->kept(), last + 1 + (action == "finish" ? 1 : 0));
    QVERIFY(doc->toPlainText().startsWith(Console::removalNotice(console->removed()) + "\n"));
    QCOMPARE(frameDepth(doc, "w" + QString::number(last), true), 2);
    if (action == "finish")
        QCOMPARE(frameDepth(doc, "Client disconnected", true), 0);
    // The document it replaced is freed, step by step, in later turns.
    QTRY_VERIFY(!before);
}

void TestConsoleFlood::renewalEndsWhileBatchesStayOpen()
{
    // Under a flood a connection's batch is open at nearly every turn of the event loop: a
    // renewal that waited for one to end would keep catching up while the console grew.
    ClientInterface page(nullptr, nullptr, QFont());
    Console* console = page.console();
    console->setWindow(100);
    console->setStepped(true);
    showConsole(page);
    int sent = 0;
    auto send = [&](int count) {
        for (int i = 0; i < count; ++i)
            console->append(Message::makeWarning("w" + std::to_string(sent++)));
    };
    console->beginBatch();
    send(200);
    console->endBatch();
    QVERIFY(console->renewing());
    console->beginBatch();
    while (console->renewing() && sent < 5000) {
        send(5);
        QCoreApplication::processEvents();
    }
    QVERIFY(!console->renewing());
    QVERIFY(console->kept() < 300);
    console->endBatch();
    QTRY_VERIFY(!console->renewing());
    QVERIFY(isTailUpTo(numbered(page.document(), "w"), sent - 1));
}

void TestConsoleFlood::readerKeepsPlaceAcrossARenewal_data()
{
    // The message read 7 pixels into at the top of the view, and the one there after the renewal
    // that the 2,000th message starts (which keeps 1,000 to 1,999) with how far into it.
    QTest::addColumn<int>("readAt");
    QTest::addColumn<int>("shownAfter");
    QTest::addColumn<int>("intoAfter");
    QTest::newRow("its message kept") << 1500 << 1500 << 7;
    QTest::newRow("its message removed") << 500 << 1000 << 0;
}

void TestConsoleFlood::readerKeepsPlaceAcrossARenewal()
{
    QFETCH(int, readAt);
    QFETCH(int, shownAfter);
    QFETCH(int, intoAfter);
    ClientInterface page(nullptr, nullptr, QFont());
    Console* console = page.console();
    console->setWindow(1000);
    console->setStepped(true);
    showConsole(page);
    page.uncheckConsoleAutoScroll();
    QScrollBar* bar = page.findChild<QTextEdit*>("txtConsole")->verticalScrollBar();
    // How far the top of the view is below the top of the message's title.
    auto into = [&](int message) {
        const QTextBlock body = blockWithText(page.document(), "w" + QString::number(message));
        return bar->value() -
               qRound(page.document()->documentLayout()->blockBoundingRect(body.previous()).top());
    };
    int sent = 0;
    auto send = [&](int count) {
        console->beginBatch();
        for (int i = 0; i < count; ++i)
            console->append(Message::makeWarning("w" + std::to_string(sent++)));
        console->endBatch();
    };
    send(1999);
    QTRY_VERIFY(bar->maximum() > bar->value() - into(readAt) + 7);
    bar->setValue(bar->value() - into(readAt) + 7);
    // Output goes on at every turn while the console renews itself, and for ten turns after.
    send(1);
    QVERIFY(console->renewing());
    for (int after = 0; after < 10 && sent < 20000; after += !console->renewing()) {
        send(5);
        QCoreApplication::processEvents();
    }
    QCOMPARE(into(shownAfter), intoAfter);
}

KOLZ_TEST_MAIN_WIDGETS(TestConsoleFlood)
#include "tst_consoleflood.moc"
