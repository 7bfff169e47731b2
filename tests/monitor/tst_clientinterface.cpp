#include "ConsoleTestSupport.h"
#include "glvocab/EnumNames.h"
#include "monitor/ClientInterface.h"
#include "monitor/ErrorListFilterProxyModel.h"
#include "monitor/ErrorListView.h"
#include "support/TestEnvironment.h"
#include "tests/peer/TestPeer.h"

#include "support/ShownWindows.h"
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLocalServer>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>

#include <cstring>
#include <memory>

using namespace ui::messages;
using kolz::test::TestPeer;

namespace {

QTextFrameFormat frameFormatOf(const QTextDocument* document, const QString& text)
{
    return QTextCursor(blockWithText(document, text)).currentFrame()->frameFormat();
}

template <typename T> T* child(const QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

} // namespace

class TestClientInterface : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void consoleSpacing();
    void blockTitlesAndColours();
    void sectionsNestAndStayOpen();
    void hostileSectionNestingIsFlattened();
    void clearingForgetsOpenSections();
    void finishWritesAtTheEnd();
    void errorListRowsAndFilters();
    void autoScrollStopsWhenTheUserScrolls();
    void contextPages();
    void unterminatedContextLists();
    void itemContentsPopup();

    void burstOverSocketShowsTheSameAsSingleFrames();
    void clearAndFinishWhileABurstIsStillOpen();
    void containersDoNotChangeTheRendering();
    void topLevelContainersCountWhatSectionsHold();
    void wireframeSwitch();
};

void TestClientInterface::initTestCase()
{
    qRegisterMetaType<Message>("ui::messages::Message");
}

void TestClientInterface::consoleSpacing()
{
    ClientInterface page(nullptr, nullptr, QFont());
    page.receive(Message::makeInfo("first"));
    page.receive(Message::makeWarning("warned"));
    page.receive(Message::makeError("failed"));
    page.receive(Message::makeInfo("second"));
    page.receive(Message::makeInfo("third"));
    page.receive(Message::makeWarning("again"));
    // Framed blocks after an info get a blank line first; between framed blocks and before an
    // info that follows one there is only the line that closes the frame.
    QCOMPARE(page.document()->toPlainText(), QStringLiteral("first\n\nWarning\nwarned\n\nError\n"
                                                            "failed\n\nsecond\nthird\n\nWarning\n"
                                                            "again\n\n"));
    QCOMPARE(frameDepth(page.document(), "warned"), 1);
    QCOMPARE(frameDepth(page.document(), "second"), 0);
    // Types that are not console output are ignored.
    page.receive(Message::makeSetName("x"));
    page.receive(Message::makeReportComplete());
    QVERIFY(page.document()->toPlainText().endsWith("again\n\n"));
}

void TestClientInterface::blockTitlesAndColours()
{
    ClientInterface page(nullptr, nullptr, QFont());
    page.receive(Message::makeWarning("w"));
    page.receive(Message::makeError("e"));
    page.receive(Message::makeGLError(0x502, "glDrawArrays", "no program"));
    page.receive(Message::makeGLError(0x1234, "glFoo", "odd code"));
    page.receive(Message::makeDebugMessage(0x8246, 0x824C, 4000000000u, 0x9146, "dbg"));
    const QTextDocument* doc = page.document();

    const QTextBlock warning = blockWithText(doc, "Warning");
    QCOMPARE(warning.blockFormat().background().color(), QColor(255, 255, 0));
    QCOMPARE(warning.begin().fragment().charFormat().foreground().color(), QColor(Qt::black));
    const QTextBlock error = blockWithText(doc, "Error");
    QCOMPARE(error.blockFormat().background().color(), QColor(255, 0, 0));
    QCOMPARE(error.begin().fragment().charFormat().foreground().color(), QColor(Qt::white));
    QVERIFY(blockWithText(doc, "Error - GL_INVALID_OPERATION in glDrawArrays").isValid());
    QVERIFY(blockWithText(doc, "Error -  in glFoo").isValid());

    const QString debugType = QString::fromUtf8(glEnumName(0x824C));
    QVERIFY(!debugType.isEmpty());
    QVERIFY(blockWithText(doc, debugType + " (ID: 4000000000)").isValid());
    QVERIFY(blockWithText(doc, "Severity: " + QString::fromUtf8(glEnumName(0x9146))).isValid());

    const QTextFrameFormat solid = frameFormatOf(doc, "w");
    QCOMPARE(solid.borderStyle(), QTextFrameFormat::BorderStyle_Solid);
    QCOMPARE(solid.borderBrush().color(), QColor(255, 255, 0));
    QCOMPARE(solid.border(), 1.0);
    QCOMPARE(solid.padding(), 5.0);
    // Body text sits on plain blocks, not on the title's colour.
    QCOMPARE(blockWithText(doc, "w").blockFormat().background().style(), Qt::NoBrush);
    QCOMPARE(blockWithText(doc, "e").blockFormat().background().style(), Qt::NoBrush);

    // Blocks written after the console's palette changes take their colours from the new one.
    auto* console = child<QTextEdit>(page, "txtConsole");
    QPalette dark = console->palette();
    dark.setColor(QPalette::Base, QColor(10, 20, 30));
    dark.setColor(QPalette::Text, QColor(200, 210, 220));
    console->setPalette(dark);
    page.receive(Message::makeWarning("after"));
    page.receive(Message::makeDebugMessage(0x8246, 0x824C, 5, 0x9146, "dbg after"));
    QCOMPARE(frameFormatOf(doc, "after").background().color(), QColor(10, 20, 30));
    QCOMPARE(frameFormatOf(doc, "dbg after").borderBrush().color(), QColor(200, 210, 220));
}

void TestClientInterface::sectionsNestAndStayOpen()
{
    ClientInterface page(nullptr, nullptr, QFont());
    page.receive(Message::makeBeginSection(0x8246, 1, "outer"));
    page.receive(Message::makeInfo("in outer"));
    page.receive(Message::makeBeginSection(0x8246, 2, "inner"));
    page.receive(Message::makeWarning("in inner"));
    page.receive(Message::makeEndSection());
    page.receive(Message::makeInfo("back in outer"));
    page.receive(Message::makeBeginSection(0x8246, 3, "never closed"));
    page.receive(Message::makeInfo("stays inside"));
    const QTextDocument* doc = page.document();
    QCOMPARE(frameDepth(doc, "outer (ID: 1)"), 0);
    QCOMPARE(frameDepth(doc, "in outer"), 1);
    QCOMPARE(frameDepth(doc, "in inner"), 3);
    QCOMPARE(frameDepth(doc, "back in outer"), 1);
    QCOMPARE(frameDepth(doc, "stays inside"), 2);

    const QTextFrameFormat section = frameFormatOf(doc, "in outer");
    QCOMPARE(section.borderStyle(), QTextFrameFormat::BorderStyle_Dotted);
    QCOMPARE(section.background().style(), Qt::Dense5Pattern);
    const QPalette p = page.findChild<QTextEdit*>("txtConsole")->palette();
    QCOMPARE(blockWithText(doc, "outer (ID: 1)").blockFormat().background().color(),
             p.color(QPalette::Text));
}

void TestClientInterface::hostileSectionNestingIsFlattened()
{
    ClientInterface page(nullptr, nullptr, QFont());
    for (int i = 0; i < 2000; ++i)
        page.receive(Message::makeBeginSection(0, std::uint32_t(i), "s"));
    page.receive(Message::makeInfo("deep"));
    QCOMPARE(frameDepth(page.document(), "deep"), ConsoleWriter::maxSectionDepth);
    // Every EndSection still counts: after 1999 of them only the first section is open.
    for (int i = 0; i < 1999; ++i)
        page.receive(Message::makeEndSection());
    page.receive(Message::makeInfo("level one"));
    QCOMPARE(frameDepth(page.document(), "level one"), 1);
    page.receive(Message::makeEndSection());
    page.receive(Message::makeInfo("top"));
    QCOMPARE(frameDepth(page.document(), "top"), 0);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
}

void TestClientInterface::clearingForgetsOpenSections()
{
    ClientInterface page(nullptr, nullptr, QFont());
    for (int i = 0; i < ConsoleWriter::maxSectionDepth; ++i)
        page.receive(Message::makeBeginSection(0, 1, "s"));
    child<QPushButton>(page, "btnClear")->click();
    QVERIFY(page.document()->toPlainText().isEmpty());
    page.receive(Message::makeBeginSection(0, 1, "fresh"));
    page.receive(Message::makeInfo("nested again"));
    QCOMPARE(frameDepth(page.document(), "nested again"), 1);
}

void TestClientInterface::finishWritesAtTheEnd()
{
    ClientInterface page(nullptr, nullptr, QFont());
    QCOMPARE(page.state(), ClientInterface::Disconnected);
    page.receive(Message::makeBeginSection(0, 1, "open"));
    page.receive(Message::makeInfo("inside"));
    page.finish("Lost connection to client");
    QCOMPARE(page.state(), ClientInterface::Finished);
    QCOMPARE(frameDepth(page.document(), "Lost connection to client"), 0);
    QVERIFY(page.document()->toPlainText().endsWith("Lost connection to client"));
}

void TestClientInterface::errorListRowsAndFilters()
{
    ClientInterface page(nullptr, nullptr, QFont());
    Message warning = Message::makeWarning("w");
    Message error = Message::makeError("e");
    error.setFrame(0);
    Message glError = Message::makeGLError(0x505, "glBufferData", "oom");
    glError.setFrame(12);
    page.receive(warning);
    page.receive(error);
    page.receive(glError);
    page.receive(Message::makeInfo("not a row"));

    const ErrorListModel* model = page.errorListModel();
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->entry(0).type, int(ErrorListEntry::Warning));
    QCOMPARE(model->entry(0).frame, -1);
    QCOMPARE(model->entry(0).description, "w");
    QCOMPARE(model->entry(1).type, int(ErrorListEntry::Error));
    QCOMPARE(model->entry(1).frame, 0);
    QCOMPARE(model->entry(1).code, QString());
    QCOMPARE(model->entry(2).code, "GL_OUT_OF_MEMORY");
    QCOMPARE(model->entry(2).function, "glBufferData");
    QCOMPARE(model->entry(2).frame, 12);
    QCOMPARE(model->entry(2).description, "oom");

    const ErrorListFilterProxyModel* proxy = page.errorListProxy();
    QCheckBox* errors = child<QCheckBox>(page, "chkErrors");
    QCheckBox* warnings = child<QCheckBox>(page, "chkWarnings");
    errors->setChecked(false);
    QCOMPARE(proxy->rowCount(), 1);
    QCOMPARE(proxy->index(0, 3).data().toString(), "w");
    warnings->setChecked(false);
    QCOMPARE(proxy->rowCount(), 0);
    errors->setChecked(true);
    QCOMPARE(proxy->rowCount(), 2);
    warnings->setChecked(true);
    QCOMPARE(proxy->rowCount(), 3);
    QCOMPARE(model->rowCount(), 3);
}

void TestClientInterface::autoScrollStopsWhenTheUserScrolls()
{
    ClientInterface page(nullptr, nullptr, QFont());
    page.resize(600, 300);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    child<QTabWidget>(page, "tabWidget")->setCurrentIndex(0);
    auto* console = child<QTextEdit>(page, "txtConsole");
    QScrollBar* bar = console->verticalScrollBar();
    for (int i = 0; i < 200; ++i)
        page.receive(Message::makeInfo("line " + std::to_string(i)));
    QTRY_VERIFY(bar->maximum() > 0);
    QTRY_VERIFY(bar->value() > 0);
    QVERIFY(console->viewport()->rect().contains(console->cursorRect()));

    emit bar->sliderMoved(0);
    QVERIFY(!child<QCheckBox>(page, "chkConsoleAutoScroll")->isChecked());
    bar->setValue(0);
    for (int i = 0; i < 50; ++i)
        page.receive(Message::makeWarning("more"));
    QTest::qWait(20);
    QCOMPARE(bar->value(), 0);

    emit page.errorListView()->verticalScrollBar()->sliderMoved(0);
    QVERIFY(!child<QCheckBox>(page, "chkErrorListAutoScroll")->isChecked());
}

void TestClientInterface::contextPages()
{
    ClientInterface page(nullptr, nullptr, QFont());
    auto* tabs = child<QTabWidget>(page, "tabWidget_contexts");
    QCOMPARE(tabs->currentIndex(), -1);
    QCOMPARE(child<QTabWidget>(page, "tabWidget")->currentIndex(), 2);

    page.receive(Message::makeContextInfo(5, true, 2, 0, {34, 1}, {2}, {3, 4}, 13, 1, {1, 2}));
    page.receive(Message::makeContextInfo(~0ull, false, 99, 2, {}, {}, {}, 0, 0, {}));
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), "Context 5");
    QCOMPARE(tabs->tabText(1), "Context -1");

    QWidget* strict = tabs->widget(0);
    auto* table = child<QTableWidget>(*strict, "table_context_info_es_extensions");
    QCOMPARE(table->rowCount(), 5);
    QCOMPARE(table->item(0, 0)->text(), "OES_depth24");
    QCOMPARE(table->item(0, 1)->text(), "Yes");
    QCOMPARE(table->item(2, 1)->text(), "Not supported by the host system");
    QCOMPARE(table->item(4, 1)->text(), "Not currently supported by KolZendra");
    QVERIFY(!(table->item(0, 0)->flags() & Qt::ItemIsEditable));
    QVERIFY(!(table->item(0, 1)->flags() & Qt::ItemIsEditable));
    QCOMPARE(child<QLabel>(*strict, "lbl_context_info_es_extensions_val")->text(), "5");
    QCOMPARE(child<QLabel>(*strict, "lbl_context_info_gl_extensions_val")->text(), "2");
    QCOMPARE(child<QListWidget>(*strict, "list_context_info_gl_extensions")->item(0)->text(),
             "GL_ARB_imaging");
    QCOMPARE(child<QLabel>(*strict, "lbl_context_info_es_version_val")->text(), "2.0");
    QCOMPARE(child<QLabel>(*strict, "lbl_context_info_glsl_es_version_val")->text(), "None");
    QCOMPARE(child<QLabel>(*strict, "lbl_context_info_gl_version_val")->text(), "4.0");
    QCOMPARE(child<QLabel>(*strict, "lbl_context_info_glsl_version_val")->text(), "GLSL 1.10");
    QCOMPARE(child<QGroupBox>(*strict, "grp_context_info_es")->title(), "OpenGL ES (Emulated)");

    QWidget* loose = tabs->widget(1);
    QCOMPARE(child<QGroupBox>(*loose, "grp_context_info_es")->title(),
             "OpenGL ES (Emulated) (Loose mode)");
    QCOMPARE(child<QTableWidget>(*loose, "table_context_info_es_extensions")->rowCount(), 0);
    QCOMPARE(child<QLabel>(*loose, "lbl_context_info_es_extensions_val")->text(), "0");
    QCOMPARE(child<QLabel>(*loose, "lbl_context_info_glsl_es_version_val")->text(), "GLSL ES 3.0");
    QCOMPARE(child<QLabel>(*loose, "lbl_context_info_gl_version_val")->text(), "unknown");
}

void TestClientInterface::unterminatedContextLists()
{
    // Every list filled to its last entry with no terminator: each stops at its own room.
    Message frame = Message::makeContextInfo(1, true, 1, 0, {}, {}, {}, 1, 1, {});
    for (std::size_t at = layout::contextSupported; at < layout::contextHostGLVersion; at += 4)
        frame.setU32(at, 34);
    for (std::size_t at = layout::contextHostExtensions; at < Message::Size; at += 4)
        frame.setU32(at, 1);
    ClientInterface page(nullptr, nullptr, QFont());
    page.receive(frame);
    QWidget* context = child<QTabWidget>(page, "tabWidget_contexts")->widget(0);
    auto* table = child<QTableWidget>(*context, "table_context_info_es_extensions");
    QCOMPARE(table->rowCount(), 3 * 512);
    QCOMPARE(table->item(511, 1)->text(), "Yes");
    QCOMPARE(table->item(512, 1)->text(), "Not supported by the host system");
    QCOMPARE(child<QListWidget>(*context, "list_context_info_gl_extensions")->count(), 513);
}

void TestClientInterface::itemContentsPopup()
{
    ClientInterface page(nullptr, nullptr, QFont());
    page.receive(Message::makeWarning("the full text of a long warning"));
    QString shown;
    kolz::test::ShownWindows windows;
    windows.next<QDialog>([&shown](QDialog* popup) {
        if (auto* text = popup->findChild<QTextEdit*>())
            shown = text->toPlainText();
        popup->close();
    });
    page.showErrorListItemContents(0, 3, QPoint(10, 10));
    QCOMPARE(shown, "the full text of a long warning");
    QCOMPARE(windows.pending(), 0);
    // A cell that does not exist opens nothing (the call would block otherwise).
    page.showErrorListItemContents(7, 3, QPoint(10, 10));
    page.showErrorListItemContents(0, 9, QPoint(10, 10));
}

void TestClientInterface::burstOverSocketShowsTheSameAsSingleFrames()
{
    std::vector<Message> frames;
    for (int i = 0; i < 40; ++i) {
        frames.push_back(Message::makeInfo("info " + std::to_string(i)));
        frames.push_back(Message::makeBeginSection(1, std::uint32_t(i), "section"));
        frames.push_back(Message::makeWarning("warning " + std::to_string(i)));
        frames.push_back(Message::makeDebugMessage(1, 0x824C, 2, 0x9146, "debug"));
        frames.push_back(Message::makeEndSection());
        frames.push_back(Message::makeGLError(0x500, "glEnable", "bad enum"));
    }

    ClientInterface reference(nullptr, nullptr, QFont());
    showConsole(reference);
    for (const Message& frame : frames)
        reference.receive(frame);

    ConnectedPage link;
    QVERIFY(link.open());
    showConsole(*link.page);
    link.peer.send(frames);
    QTRY_COMPARE(link.page->errorListModel()->rowCount(), 80);
    QTRY_COMPARE(link.page->document()->toPlainText(), reference.document()->toPlainText());
    QCOMPARE(link.page->document()->toHtml(), reference.document()->toHtml());
    // Laid out where single frames would be, both while the connection's edit is still open
    // and once the page is finished and the edit closed.
    QCOMPARE(blockGeometry(link.page->document()), blockGeometry(reference.document()));
    link.page->finish("Client disconnected");
    reference.finish("Client disconnected");
    QCOMPARE(blockGeometry(link.page->document()), blockGeometry(reference.document()));
    // The batch is closed: the console's cursor shows where the output ended.
    QTRY_COMPARE(child<QTextEdit>(*link.page, "txtConsole")->textCursor().position(),
                 child<QTextEdit>(reference, "txtConsole")->textCursor().position());
}

void TestClientInterface::clearAndFinishWhileABurstIsStillOpen()
{
    ConnectedPage link;
    QVERIFY(link.open());
    showConsole(*link.page);
    link.peer.send({Message::makeBeginSection(1, 1, "never closed"), Message::makeWarning("w1")});
    QTRY_COMPARE(link.page->errorListModel()->rowCount(), 1);

    // The connection's edit is still open when the console is cleared and the page finished.
    child<QPushButton>(*link.page, "btnClear")->click();
    QVERIFY(link.page->document()->toPlainText().isEmpty());
    link.peer.send({Message::makeInfo("after clear"), Message::makeWarning("w2")});
    QTRY_COMPARE(link.page->errorListModel()->rowCount(), 2);
    link.page->fontChanged(QFont());
    link.page->finish("Client disconnected");

    ClientInterface reference(nullptr, nullptr, QFont());
    showConsole(reference);
    reference.receive(Message::makeInfo("after clear"));
    reference.receive(Message::makeWarning("w2"));
    reference.finish("Client disconnected");
    QCOMPARE(link.page->document()->toHtml(), reference.document()->toHtml());
    QCOMPARE(frameDepth(link.page->document(), "w2"), 1);
    QCOMPARE(blockGeometry(link.page->document()), blockGeometry(reference.document()));
}

namespace {

int frameCount(const QTextFrame* frame)
{
    int count = 1;
    for (const QTextFrame* child : frame->childFrames())
        count += frameCount(child);
    return count;
}

QImage render(QTextDocument* document)
{
    document->setTextWidth(420);
    QImage image(document->size().toSize(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    document->drawContents(&painter);
    return image;
}

} // namespace

void TestClientInterface::containersDoNotChangeTheRendering()
{
    std::vector<Message> frames;
    for (int i = 0; i < 30; ++i) {
        const std::string n = std::to_string(i);
        if (i % 7 == 0)
            frames.push_back(Message::makeBeginSection(1, std::uint32_t(i), "section " + n));
        if (i % 3 == 0)
            frames.push_back(Message::makeInfo("info " + n));
        frames.push_back(Message::makeWarning("warning " + n));
        if (i % 4 == 1)
            frames.push_back(Message::makeInfo("after " + n));
        frames.push_back(Message::makeGLError(0x501, "glUniform1i", "value " + n));
        if (i % 11 == 10)
            frames.push_back(Message::makeEndSection());
    }
    frames.push_back(Message::makeEndSection());
    frames.push_back(Message::makeEndSection());

    auto feed = [&frames](ClientInterface& page) {
        for (const Message& frame : frames)
            page.receive(frame);
        page.finish("Client disconnected");
    };
    // Tiny containers, nested deep, against none at all.
    ConsoleFrames::setShape(2, 3);
    ClientInterface chunked(nullptr, nullptr, QFont());
    feed(chunked);
    ConsoleFrames::setShape(1000000, 1);
    ClientInterface flat(nullptr, nullptr, QFont());
    feed(flat);
    ConsoleFrames::setShape(12, 3);

    QVERIFY(frameCount(chunked.document()->rootFrame()) > frameCount(flat.document()->rootFrame()));
    QCOMPARE(chunked.document()->toPlainText().remove('\n'),
             flat.document()->toPlainText().remove('\n'));
    const QImage a = render(chunked.document());
    const QImage b = render(flat.document());
    QCOMPARE(a.size(), b.size());
    QVERIFY(a == b);
}

void TestClientInterface::topLevelContainersCountWhatSectionsHold()
{
    // Short sections at the top level, as an application that opens one per rendered frame.
    auto feed = [](ClientInterface& page) {
        for (int i = 0; i < 40; ++i) {
            page.receive(
                Message::makeBeginSection(0, std::uint32_t(i), "frame " + std::to_string(i)));
            for (int j = 0; j < 3; ++j)
                page.receive(Message::makeWarning("warning " + std::to_string(j)));
            page.receive(Message::makeEndSection());
        }
    };
    ConsoleFrames::setShape(2, 3);
    ClientInterface byCount(nullptr, nullptr, QFont());
    feed(byCount);
    ConsoleFrames::setShape(2, 3, 3);
    ClientInterface byItems(nullptr, nullptr, QFont());
    feed(byItems);
    ConsoleFrames::setShape(12, 3);

    // A top-level container ends after a section or two, not after eight of them.
    QVERIFY(byItems.document()->rootFrame()->childFrames().size() >=
            2 * byCount.document()->rootFrame()->childFrames().size());
    QCOMPARE(byItems.document()->toPlainText().remove('\n'),
             byCount.document()->toPlainText().remove('\n'));
    QVERIFY(render(byItems.document()) == render(byCount.document()));
}

void TestClientInterface::wireframeSwitch()
{
    ConnectedPage link;
    QVERIFY(link.open());
    auto* wireframe = child<QCheckBox>(*link.page, "chkWireframe");
    wireframe->setChecked(true);
    wireframe->setChecked(false);
    QTRY_COMPARE(link.peer.received().size(), 2);
    QVERIFY(link.peer.received().at(0) == Message::makeWireframeOn());
    QVERIFY(link.peer.received().at(1) == Message::makeWireframeOff());

    link.page->finish("Client disconnected");
    wireframe->setChecked(true);
    QTest::qWait(50);
    QCOMPARE(link.peer.received().size(), 2);

    // The placeholder has nobody to tell.
    ClientInterface placeholder(nullptr, nullptr, QFont());
    child<QCheckBox>(placeholder, "chkWireframe")->setChecked(true);
}

KOLZ_TEST_MAIN_WIDGETS(TestClientInterface)
#include "tst_clientinterface.moc"
