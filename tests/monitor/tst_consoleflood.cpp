#include "ConsoleTestSupport.h"
#include "monitor/ConsoleBacklog.h"
#include "support/TestEnvironment.h"

#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QThread>

using namespace ui::messages;
using kolz::test::TestPeer;

namespace {

QStringList titles(const std::vector<Message>& sections)
{
    QStringList list;
    for (const Message& section : sections)
        list.append(section.qtext(layout::sectionTitle));
    return list;
}

QStringList texts(const std::deque<Message>& frames)
{
    QStringList list;
    for (const Message& frame : frames)
        list.append(frame.type() == MessageType::EndSection ? QStringLiteral("end")
                                                            : frame.qtext(layout::text));
    return list;
}

// A page fed by a peer on a thread of its own, which streams as fast as the page reads.
struct FloodLink
{
    QLocalServer server;
    Client* client = nullptr;
    std::unique_ptr<QThread> peer;
    std::unique_ptr<ClientInterface> page;

    bool open(const QByteArray& stream)
    {
        if (!server.listen(QStringLiteral("KolZendra")))
            return false;
        peer.reset(QThread::create([stream] {
            TestPeer sender;
            if (sender.connectToPanel() && sender.sendBlocking(stream, 64 * 1024, 120000))
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

    void backlogKeepsTheNewestFramesAndTheSectionsInFrontOfThem();
    void floodIsShownByItsNewestFramesInTheirSections();
    void consoleBeingReadSkipsNothing();
};

void TestConsoleFlood::backlogKeepsTheNewestFramesAndTheSectionsInFrontOfThem()
{
    // Sections beyond the depth are counted; an end without an open section changes nothing.
    SectionStack stack(2);
    for (const char* title : {"a", "b", "c"})
        stack.begin(Message::makeBeginSection(0, 1, title));
    QCOMPARE(titles(stack.open()), QStringList({"a", "b"}));
    QCOMPARE(stack.deeper(), 1);
    for (int i = 0; i < 4; ++i)
        stack.end();
    QVERIFY(stack.open().empty());
    QCOMPARE(stack.deeper(), 0);

    stack.begin(Message::makeBeginSection(0, 1, "outer"));
    ConsoleBacklog backlog(2);
    backlog.setCapacity(3);
    backlog.start(stack);
    for (const Message& frame :
         {Message::makeBeginSection(0, 2, "gone"), Message::makeWarning("w1"),
          Message::makeEndSection(), Message::makeWarning("w2"),
          Message::makeBeginSection(0, 3, "kept"), Message::makeWarning("w3")})
        backlog.push(frame);
    // The section that opened and closed in front of the window is gone with it.
    QCOMPARE(backlog.dropped(), 3);
    QCOMPARE(titles(backlog.sectionsBefore().open()), QStringList({"outer"}));
    QCOMPARE(texts(backlog.frames()), QStringList({"w2", "", "w3"}));
    backlog.push(Message::makeEndSection());
    backlog.push(Message::makeWarning("w4"));
    QCOMPARE(titles(backlog.sectionsBefore().open()), QStringList({"outer", "kept"}));
    QCOMPARE(texts(backlog.frames()), QStringList({"w3", "end", "w4"}));

    backlog.start(SectionStack(2));
    QVERIFY(backlog.empty());
    QCOMPARE(backlog.dropped(), 0);
    QVERIFY(backlog.sectionsBefore().open().empty());
}

void TestConsoleFlood::floodIsShownByItsNewestFramesInTheirSections()
{
    // Sections that open before the flood and in it, and close in it and after it.
    constexpr int count = 12000;
    auto depthOf = [](int i) { return i < 3000 || i >= 11900 ? 2 : 3; };
    QByteArray stream;
    auto add = [&stream](const Message& frame) {
        stream.append(frame.data(), qsizetype(Message::Size));
    };
    add(Message::makeBeginSection(0, 1, "outer"));
    for (int i = 0; i < count; ++i) {
        if (i == 3000)
            add(Message::makeBeginSection(0, 2, "inner"));
        if (i == 6000) {
            add(Message::makeEndSection());
            add(Message::makeBeginSection(0, 3, "late"));
        }
        if (i == 11900)
            add(Message::makeEndSection());
        add(Message::makeWarning("flood " + std::to_string(i)));
    }
    add(Message::makeEndSection());
    add(Message::makeInfo("after"));

    FloodLink link;
    QVERIFY(link.open(stream));
    ClientInterface& page = *link.page;
    page.setConsoleBlockLimit(3000);
    showConsole(page);
    QTRY_VERIFY_WITH_TIMEOUT(blockWithText(page.document(), "after").isValid(), 60000);
    QTRY_VERIFY(!page.skipping());

    // The console could not keep up and passed frames over, yet it shows an unbroken tail of
    // the newest ones under one notice, within its budget, in the sections they belong to.
    QVERIFY(page.skippedFrames() > 0);
    QTextDocument* doc = page.document();
    // Old output is removed on the next turn of the event loop, not inside the batch.
    QTRY_VERIFY(doc->blockCount() <= 3000);
    QVERIFY(doc->toPlainText().startsWith(ClientInterface::removalNotice()));
    QCOMPARE(doc->toPlainText().count(ClientInterface::removalNotice()), 1);
    const QList<int> kept = numbered(doc, "flood ");
    QVERIFY(isTailUpTo(kept, count - 1));
    for (int i : kept) {
        const QString text = "flood " + QString::number(i);
        if (frameDepth(doc, text, true) != depthOf(i))
            QFAIL(qPrintable(text + " is in " + QString::number(frameDepth(doc, text, true)) +
                             " frames"));
    }
    QCOMPARE(frameDepth(doc, "after", true), 0);
    // Every warning has its error list row, skipped or not.
    QCOMPARE(page.errorListModel()->rowCount(), count);

    // The view shows the console's document with the newest output in sight, laid out as
    // from scratch.
    auto* console = page.findChild<QTextEdit*>("txtConsole");
    QCOMPARE(console->document(), doc);
    QTRY_VERIFY(console->viewport()->rect().contains(console->cursorRect()));
    const QList<QRectF> geometry = blockGeometry(doc);
    doc->markContentsDirty(0, doc->characterCount());
    QCOMPARE(blockGeometry(doc), geometry);

    // Output after the flood is written as it comes.
    page.finish("Client disconnected");
    QCOMPARE(frameDepth(doc, "Client disconnected", true), 0);
}

void TestConsoleFlood::consoleBeingReadSkipsNothing()
{
    // Someone scrolled back to read: the console keeps every frame it can within its budget.
    constexpr int count = 6000;
    QByteArray stream;
    for (int i = 0; i < count; ++i)
        stream.append(Message::makeWarning("flood " + std::to_string(i)).data(),
                      qsizetype(Message::Size));
    FloodLink link;
    QVERIFY(link.open(stream));
    ClientInterface& page = *link.page;
    page.setConsoleBlockLimit(3000);
    showConsole(page);
    page.uncheckConsoleAutoScroll();
    QTRY_VERIFY_WITH_TIMEOUT(blockWithText(page.document(), "flood 5999").isValid(), 60000);
    QTRY_VERIFY(page.document()->blockCount() <= 3000);
    QCOMPARE(page.skippedFrames(), 0);
    const QList<int> kept = numbered(page.document(), "flood ");
    QVERIFY(isTailUpTo(kept, count - 1));
    QVERIFY(kept.size() > 900);
}

KOLZ_TEST_MAIN_WIDGETS(TestConsoleFlood)
#include "tst_consoleflood.moc"
