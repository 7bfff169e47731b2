#include "ConsoleTestSupport.h"
#include "monitor/ClientInterface.h"
#include "monitor/Console.h"
#include "monitor/ErrorListFilterProxyModel.h"
#include "support/TestEnvironment.h"
#include "tests/peer/TestPeer.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QLocalServer>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>

#include <QDebug>

#include <algorithm>
#include <memory>

using namespace ui::messages;
using kolz::test::TestPeer;

namespace {

// What the console shows, block by block: the text, whether it is hidden, its formats and the
// formats of the frames around it, without the numbers that tie formats to frame objects.
QStringList shownContent(const QTextDocument* document)
{
    auto describe = [](const QTextFormat& format) {
        QMap<int, QVariant> properties = format.properties();
        properties.remove(QTextFormat::ObjectIndex);
        QString text;
        QDebug(&text) << properties;
        return text;
    };
    QStringList lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QString line = block.text() + (block.isVisible() ? " | " : " | hidden | ") +
                       describe(block.blockFormat()) + describe(block.charFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it)
            line += describe(it.fragment().charFormat());
        for (QTextFrame* frame = QTextCursor(block).currentFrame(); frame;
             frame = frame->parentFrame())
            line += " in " + describe(frame->frameFormat());
        lines.append(line);
    }
    return lines;
}

// Sections and framed messages enclosing the block with the text.
int sectionDepth(const QTextDocument* document, const QString& text)
{
    return frameDepth(document, text, true);
}

} // namespace

class TestConsoleTail : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void tailIsKeptInOrderUnderOneNotice();
    void removedOutputLeavesTheRestLookingTheSame();
    void newestMessageVisibleAfterARemovalOverTheSocket();
    void sectionsThatSpanARemovalStillClose();
    void renewedConsoleShowsAndGoesOnTheSame();
    void errorListKeepsItsOwnBound();
    void contextPagesAreBounded();
    void fontChangeWaitsUntilTheConsoleIsShown();
};

void TestConsoleTail::initTestCase()
{
    qRegisterMetaType<Message>("ui::messages::Message");
}

void TestConsoleTail::cleanup()
{
    ConsoleFrames::setShape(12, 3);
}

void TestConsoleTail::tailIsKeptInOrderUnderOneNotice()
{
    // Small containers, so that renewals cut through every level of them.
    ConsoleFrames::setShape(2, 3);
    ClientInterface page(nullptr, nullptr, QFont());
    Console* console = page.console();
    console->setWindow(100);
    for (int i = 0; i < 600; ++i) {
        if (i % 5 == 0)
            page.receive(Message::makeInfo("info " + std::to_string(i)));
        else
            page.receive(Message::makeWarning("warning " + std::to_string(i)));
        QVERIFY(console->kept() >= std::min(i + 1, 100));
        QVERIFY(console->kept() < 200);
    }
    const QString text = page.document()->toPlainText();
    const QString notice = Console::removalNotice(console->removed());
    QVERIFY(text.startsWith(notice + "\n"));
    QCOMPARE(text.count("older messages were removed"), 1);
    // Warnings and infos interleave in the order sent, with nothing missing inside the tail.
    QList<int> all;
    for (QTextBlock block = page.document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().startsWith("warning ") || block.text().startsWith("info "))
            all.append(block.text().section(' ', 1).toInt());
    }
    QVERIFY(isTailUpTo(all, 599));
    QCOMPARE(all.size(), console->kept());
    QCOMPARE(console->removed() + console->kept(), 600);

    // Clearing takes the notice with it; the next removal brings it back once.
    page.findChild<QPushButton*>("btnClear")->click();
    QCOMPARE(console->removed(), 0);
    for (int i = 0; i < 400; ++i)
        page.receive(Message::makeInfo("again " + std::to_string(i)));
    QCOMPARE(page.document()->toPlainText().count("older messages were removed"), 1);
    QVERIFY(page.document()->toPlainText().startsWith(Console::removalNotice(console->removed())));
    QVERIFY(isTailUpTo(numbered(page.document(), "again "), 399));
    QCOMPARE(numbered(page.document(), "again ").size(), console->kept());

    // Long messages are kept whole, as many as short ones.
    page.findChild<QPushButton*>("btnClear")->click();
    for (int i = 0; i < 300; ++i)
        page.receive(Message::makeInfo("long " + std::to_string(i) + " " + std::string(480, 'x')));
    QList<int> longOnes;
    for (QTextBlock block = page.document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().startsWith("long "))
            longOnes.append(block.text().section(' ', 1, 1).toInt());
    }
    QVERIFY(longOnes.size() >= 100);
    QVERIFY(isTailUpTo(longOnes, 299));
}

void TestConsoleTail::removedOutputLeavesTheRestLookingTheSame()
{
    ConsoleFrames::setShape(2, 3);
    ClientInterface page(nullptr, nullptr, QFont());
    page.console()->setWindow(40);
    for (int i = 0; i < 300; ++i) {
        page.receive(Message::makeWarning("w" + std::to_string(i)));
        if (i % 3 == 0)
            page.receive(Message::makeInfo("i" + std::to_string(i)));
    }
    const QTextDocument* doc = page.document();
    const QTextBlock notice = doc->begin();
    QVERIFY(notice.isVisible());
    QCOMPARE(notice.blockFormat().background().style(), Qt::NoBrush);
    QCOMPARE(notice.charFormat().foreground().style(), Qt::NoBrush);
    // Every kept title has its colours, every kept body sits in its own bordered frame, and
    // nothing but the console's own spacers is hidden.
    int titles = 0;
    for (QTextBlock block = notice.next(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (text == "Warning") {
            ++titles;
            QVERIFY(block.isVisible());
            QCOMPARE(block.blockFormat().background().color(), QColor(255, 255, 0));
        } else if (text.startsWith('w')) {
            QCOMPARE(sectionDepth(doc, text), 1);
            QCOMPARE(block.blockFormat().background().style(), Qt::NoBrush);
        } else if (text.startsWith('i')) {
            QVERIFY(block.isVisible());
            QCOMPARE(sectionDepth(doc, text), 0);
            QCOMPARE(block.blockFormat().background().style(), Qt::NoBrush);
        } else {
            QVERIFY(text.isEmpty());
        }
    }
    QCOMPARE(titles, numbered(doc, "w").size());
    QVERIFY(doc->toPlainText().trimmed().endsWith("w299"));
}

void TestConsoleTail::newestMessageVisibleAfterARemovalOverTheSocket()
{
    ConnectedPage link;
    QVERIFY(link.open());
    link.page->console()->setWindow(1000);
    link.page->resize(600, 400);
    link.page->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(0);
    link.page->show();
    std::vector<Message> frames;
    for (int i = 0; i < 4000; ++i)
        frames.push_back(Message::makeWarning("flood " + std::to_string(i)));
    link.peer.send(frames);
    QTRY_VERIFY_WITH_TIMEOUT(blockWithText(link.page->document(), "flood 3999").isValid(), 20000);
    // Over a connection the renewal goes in steps; the console then holds its window.
    QTRY_VERIFY(!link.page->console()->renewing());
    auto* console = link.page->findChild<QTextEdit*>("txtConsole");
    QScrollBar* bar = console->verticalScrollBar();
    QTRY_VERIFY(console->viewport()->rect().contains(console->cursorRect()));
    QVERIFY(bar->value() > 0);
    QVERIFY(link.page->console()->kept() >= 1000);
    QVERIFY(isTailUpTo(numbered(link.page->document(), "flood "), 3999));
    QCOMPARE(numbered(link.page->document(), "flood ").size(), link.page->console()->kept());
    QVERIFY(link.page->document()->toPlainText().startsWith(
        Console::removalNotice(link.page->console()->removed())));
    // What the removals left laid out is where a layout from scratch puts it.
    QTextDocument* doc = link.page->document();
    // Qt's own layout timer, held back while the console laid the document out, settles.
    QCoreApplication::processEvents();
    const QList<QRectF> kept = blockGeometry(doc);
    doc->markContentsDirty(0, doc->characterCount());
    QCOMPARE(blockGeometry(doc), kept);
    // The error list has a bound of its own and kept every row.
    QCOMPARE(link.page->errorListModel()->rowCount(), 4000);

    // Finishing closes the connection's edit: the tail is still whole and in its frames.
    link.page->finish("Client disconnected");
    QCOMPARE(sectionDepth(link.page->document(), "flood 3999"), 1);
    QCOMPARE(sectionDepth(link.page->document(), "Client disconnected"), 0);
}

void TestConsoleTail::sectionsThatSpanARemovalStillClose()
{
    ConsoleFrames::setShape(2, 3);
    ClientInterface page(nullptr, nullptr, QFont());
    page.console()->setWindow(40);
    page.receive(Message::makeBeginSection(0, 1, "closed early"));
    page.receive(Message::makeInfo("in closed"));
    page.receive(Message::makeEndSection());
    page.receive(Message::makeBeginSection(0, 2, "outer"));
    page.receive(Message::makeInfo("first in outer"));
    page.receive(Message::makeBeginSection(0, 3, "inner"));
    for (int i = 0; i < 300; ++i)
        page.receive(Message::makeWarning("deep " + std::to_string(i)));
    const QTextDocument* doc = page.document();
    // The oldest output went, the open sections and their titles stayed.
    QVERIFY(page.console()->removed() > 0);
    QVERIFY(!blockWithText(doc, "closed early (ID: 1)").isValid());
    QVERIFY(!blockWithText(doc, "first in outer").isValid());
    QVERIFY(blockWithText(doc, "outer (ID: 2)").isValid());
    QVERIFY(blockWithText(doc, "inner (ID: 3)").isValid());
    QCOMPARE(sectionDepth(doc, "deep 299"), 3);
    QVERIFY(isTailUpTo(numbered(doc, "deep "), 299));

    page.receive(Message::makeEndSection());
    page.receive(Message::makeInfo("back in outer"));
    doc = page.document();
    QCOMPARE(sectionDepth(doc, "back in outer"), 1);
    page.receive(Message::makeEndSection());
    page.receive(Message::makeInfo("top"));
    doc = page.document();
    QCOMPARE(sectionDepth(doc, "top"), 0);
    // The EndSection of the section removed long ago has nothing left to close.
    page.receive(Message::makeEndSection());
    page.receive(Message::makeInfo("still top"));
    doc = page.document();
    QCOMPARE(sectionDepth(doc, "still top"), 0);

    // A section closed and removed whole, with its EndSection arriving after the removal.
    page.receive(Message::makeBeginSection(0, 4, "gone"));
    for (int i = 0; i < 200; ++i)
        page.receive(Message::makeInfo("filler " + std::to_string(i)));
    page.receive(Message::makeEndSection());
    for (int i = 0; i < 200; ++i)
        page.receive(Message::makeWarning("later " + std::to_string(i)));
    page.receive(Message::makeEndSection());
    page.receive(Message::makeInfo("end"));
    doc = page.document();
    QCOMPARE(sectionDepth(doc, "end"), 0);
    QCOMPARE(doc->toPlainText().count("older messages were removed"), 1);
    page.finish("Client disconnected");
    doc = page.document();
    QVERIFY(doc->toPlainText().trimmed().endsWith("end\nClient disconnected"));
}

void TestConsoleTail::renewedConsoleShowsAndGoesOnTheSame()
{
    ConsoleFrames::setShape(2, 3);
    ClientInterface renewed(nullptr, nullptr, QFont());
    ClientInterface reference(nullptr, nullptr, QFont());
    auto both = [&](const Message& message) {
        renewed.receive(message);
        reference.receive(message);
    };
    both(Message::makeBeginSection(0, 1, "closed"));
    both(Message::makeInfo("in closed"));
    both(Message::makeEndSection());
    both(Message::makeBeginSection(0, 2, "outer"));
    both(Message::makeInfo("first in outer"));
    both(Message::makeBeginSection(0, 3, "inner"));
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        both(Message::makeWarning("w" + n));
        both(Message::makeDebugMessage(0x8246, 0x824C, std::uint32_t(i), 0x9146, "d" + n));
        both(Message::makeGLError(0x502, "glDrawArrays", "g" + n));
        if (i % 7 == 0)
            both(Message::makeInfo("i" + n));
    }
    renewed.console()->renew();
    QCOMPARE(shownContent(renewed.document()), shownContent(reference.document()));
    QCOMPARE(blockGeometry(renewed.document()), blockGeometry(reference.document()));

    // Writing goes on in the sections that were open, and they still close.
    both(Message::makeWarning("after"));
    both(Message::makeEndSection());
    both(Message::makeInfo("outer again"));
    both(Message::makeEndSection());
    both(Message::makeInfo("top"));
    QCOMPARE(shownContent(renewed.document()), shownContent(reference.document()));
    QCOMPARE(sectionDepth(renewed.document(), "after"), 3);
    QCOMPARE(sectionDepth(renewed.document(), "top"), 0);

    // Qt keeps the formats of every frame a document held until the document goes: with
    // renewals the console holds formats for a bounded number of frames.
    ConsoleFrames::setShape(12, 3);
    ClientInterface bounded(nullptr, nullptr, QFont());
    bounded.console()->setWindow(500);
    qsizetype mostFormats = 0;
    for (int i = 0; i < 4000; ++i) {
        bounded.receive(Message::makeWarning("warning " + std::to_string(i)));
        mostFormats = std::max(mostFormats, bounded.document()->allFormats().size());
    }
    QVERIFY2(mostFormats < 1500, qPrintable(QString::number(mostFormats)));
    QVERIFY(isTailUpTo(numbered(bounded.document(), "warning "), 3999));

    // Over a connection the renewal goes a step per turn, and the console shows the new
    // document, laid out as from scratch.
    ConnectedPage link;
    QVERIFY(link.open());
    link.page->console()->setWindow(1000);
    showConsole(*link.page);
    std::vector<Message> frames;
    for (int i = 0; i < 6000; ++i)
        frames.push_back(Message::makeWarning("flood " + std::to_string(i)));
    link.peer.send(frames);
    QTRY_VERIFY_WITH_TIMEOUT(blockWithText(link.page->document(), "flood 5999").isValid(), 20000);
    // Output that came during the last renewal can fill the console again until the batch it
    // came in ends.
    QTRY_VERIFY(!link.page->console()->renewing() && link.page->console()->kept() < 2000);
    // Renewed at least once: a format per frame ever made would be 6,000 and more.
    QVERIFY(link.page->document()->allFormats().size() < 3000);
    auto* console = link.page->findChild<QTextEdit*>("txtConsole");
    QCOMPARE(console->document(), link.page->document());
    QTRY_VERIFY(console->viewport()->rect().contains(console->cursorRect()));
    QVERIFY(isTailUpTo(numbered(link.page->document(), "flood "), 5999));
    QTextDocument* doc = link.page->document();
    // Qt's own layout timer, held back while the console laid the document out, settles.
    QCoreApplication::processEvents();
    const QList<QRectF> kept = blockGeometry(doc);
    doc->markContentsDirty(0, doc->characterCount());
    QCOMPARE(blockGeometry(doc), kept);
}

void TestConsoleTail::errorListKeepsItsOwnBound()
{
    ClientInterface page(nullptr, nullptr, QFont());
    page.console()->setWindow(20);
    ErrorListModel* model = page.errorListModel();
    model->setRowLimit(80);
    auto* errors = page.findChild<QCheckBox*>("chkErrors");
    errors->setChecked(false);
    for (int i = 0; i < 200; ++i) {
        if (i % 2 == 0)
            page.receive(Message::makeWarning("w " + std::to_string(i)));
        else
            page.receive(Message::makeError("e " + std::to_string(i)));
        QVERIFY(model->rowCount() <= 80);
    }
    // The newest rows, oldest first, down to seven eighths of the bound at each removal.
    QVERIFY(model->rowCount() >= 70);
    QCOMPARE(model->entry(model->rowCount() - 1).description, "e 199");
    for (int row = 1; row < model->rowCount(); ++row)
        QCOMPARE(model->entry(row).description.section(' ', 1).toInt(),
                 model->entry(row - 1).description.section(' ', 1).toInt() + 1);
    // The filter follows the removals.
    const ErrorListFilterProxyModel* proxy = page.errorListProxy();
    QCOMPARE(proxy->rowCount(), model->rowCount() / 2);
    errors->setChecked(true);
    QCOMPARE(proxy->rowCount(), model->rowCount());
    QCOMPARE(proxy->index(proxy->rowCount() - 1, ErrorListModel::DescriptionColumn).data(),
             "e 199");
    // Lowering the bound takes effect at once.
    model->setRowLimit(8);
    QVERIFY(model->rowCount() <= 8);
    QCOMPARE(proxy->rowCount(), model->rowCount());
}

void TestConsoleTail::contextPagesAreBounded()
{
    ClientInterface page(nullptr, nullptr, QFont());
    auto* tabs = page.findChild<QTabWidget*>("tabWidget_contexts");
    const int bound = ClientInterface::maxContextPages;
    for (int i = 0; i < bound + 6; ++i)
        page.receive(
            Message::makeContextInfo(std::uint64_t(i), true, 2, 0, {34}, {}, {}, 13, 1, {1}));
    QCOMPARE(tabs->count(), bound);
    QCOMPARE(tabs->tabText(0), "Context 6");
    QCOMPARE(tabs->tabText(bound - 1), "Context " + QString::number(bound + 5));

    // Over a connection a flood of contexts ends with the newest pages, built a few at a time.
    ConnectedPage link;
    QVERIFY(link.open());
    std::vector<Message> frames;
    for (int i = 0; i < 3 * bound; ++i)
        frames.push_back(
            Message::makeContextInfo(std::uint64_t(i), false, 2, 0, {}, {}, {}, 13, 1, {}));
    frames.push_back(Message::makeWarning("after the contexts"));
    link.peer.send(frames);
    auto* linkTabs = link.page->findChild<QTabWidget*>("tabWidget_contexts");
    QTRY_COMPARE(link.page->errorListModel()->rowCount(), 1);
    QTRY_COMPARE(linkTabs->tabText(bound - 1), "Context " + QString::number(3 * bound - 1));
    QCOMPARE(linkTabs->count(), bound);
    QCOMPARE(linkTabs->tabText(0), "Context " + QString::number(2 * bound));
}

void TestConsoleTail::fontChangeWaitsUntilTheConsoleIsShown()
{
    ClientInterface page(nullptr, nullptr, QFont());
    auto* console = page.findChild<QTextEdit*>("txtConsole");
    const int before = console->font().pointSize();
    QFont font = console->font();
    font.setPointSize(before + 7);
    // Out of sight: the page starts on its contexts tab.
    page.resize(600, 400);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.receive(Message::makeWarning("laid out in the new font"));
    page.fontChanged(font);
    QCOMPARE(console->font().pointSize(), before);
    page.findChild<QTabWidget*>("tabWidget")->setCurrentIndex(0);
    QCOMPARE(console->font().pointSize(), before + 7);
    QCOMPARE(page.document()->defaultFont().pointSize(), before + 7);
    // In sight: at once.
    font.setPointSize(before + 2);
    page.fontChanged(font);
    QCOMPARE(console->font().pointSize(), before + 2);
}

KOLZ_TEST_MAIN_WIDGETS(TestConsoleTail)
#include "tst_consoletail.moc"
