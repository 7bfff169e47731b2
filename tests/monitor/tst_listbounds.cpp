#include "support/TestEnvironment.h"

#include "monitor/ClientInterface.h"
#include "monitor/Console.h"
#include "monitor/ContextInterface.h"
#include "monitor/ErrorListModel.h"
#include "monitor/ErrorListView.h"

#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QTabWidget>
#include <QTableWidget>

using namespace ui::messages;

namespace {

Message contextInfo(int id)
{
    return Message::makeContextInfo(std::uint64_t(id), true, 2, 1, {1, 2}, {5}, {7, 9}, 13, 6,
                                    {1, 2, 3});
}

} // namespace

class TestListBounds : public QObject
{
    Q_OBJECT

private slots:
    void noticeOnceAfterTheFirstRemoval_data();
    void noticeOnceAfterTheFirstRemoval();
    void readmeFiguresAreTheBounds();
    void columnsShowWholeTexts_data();
    void columnsShowWholeTexts();
};

void TestListBounds::noticeOnceAfterTheFirstRemoval_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("notice");
    QTest::newRow("error list") << 1 << "Older rows were removed from this list.";
    QTest::newRow("context pages") << 2 << ContextInterface::removalNotice();
}

void TestListBounds::noticeOnceAfterTheFirstRemoval()
{
    QFETCH(int, tab);
    QFETCH(QString, notice);
    ClientInterface page(nullptr, nullptr, QFont());
    page.findChild<QTabWidget*>("tabWidget")->setCurrentIndex(tab);
    const bool errorList = tab == 1;
    const int bound = errorList ? 64 : ClientInterface::maxContextPages;
    page.errorListModel()->setRowLimit(bound);
    auto* contexts = page.findChild<QTabWidget*>("tabWidget_contexts");
    int sent = 0;
    auto sendUpTo = [&](int count) {
        for (; sent < count; ++sent)
            page.receive(errorList ? Message::makeWarning("Item " + std::to_string(sent))
                                   : contextInfo(sent));
    };
    auto newest = [&] {
        return errorList
                   ? page.errorListModel()->entry(page.errorListModel()->rowCount() - 1).description
                   : contexts->tabText(contexts->count() - 1).replace("Context", "Item");
    };
    auto notices = [&] {
        int shown = 0;
        for (const QLabel* label : page.findChildren<QLabel*>())
            shown += label->text() == notice && label->isVisibleTo(&page);
        return shown;
    };

    sendUpTo(bound);
    QTRY_COMPARE(newest(), QString("Item %1").arg(bound - 1));
    QCOMPARE(notices(), 0);
    sendUpTo(bound + 1);
    QTRY_COMPARE(notices(), 1);
    sendUpTo(4 * bound);
    QTRY_COMPARE(newest(), QString("Item %1").arg(4 * bound - 1));
    QCOMPARE(notices(), 1);
}

void TestListBounds::readmeFiguresAreTheBounds()
{
    QFile file(KOLZ_SOURCE_DIR "/README.md");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString readme = QString::fromUtf8(file.readAll()).simplified();
    const QLocale english(QLocale::English);
    const int rows = ErrorListModel::defaultRowLimit;
    for (const QString& promise :
         {QString("error list keeps at most its newest %1 rows").arg(english.toString(rows)),
          QString("the oldest %1 rows go at once")
              .arg(english.toString(rows / ErrorListModel::removalFraction)),
          QString("at most %1 context pages").arg(ClientInterface::maxContextPages),
          QString("always holds at least the newest %1 of them")
              .arg(english.toString(Console::defaultWindow)),
          QString("Once it holds %1, it is rebuilt from its newest %2")
              .arg(english.toString(2 * Console::defaultWindow),
                   english.toString(Console::defaultWindow))})
        QVERIFY2(readme.contains(promise), qPrintable(promise));
}

void TestListBounds::columnsShowWholeTexts_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("column");
    QTest::newRow("error list frame") << 1 << int(ErrorListModel::FrameColumn);
    QTest::newRow("error list function") << 1 << int(ErrorListModel::FunctionColumn);
    QTest::newRow("error list code") << 1 << int(ErrorListModel::CodeColumn);
    QTest::newRow("context extension name") << 2 << 0;
    QTest::newRow("context extension status") << 2 << 1;
}

// At the page's initial size, each column but the error list's description (which takes what
// is left) is as wide as its widest cell.
void TestListBounds::columnsShowWholeTexts()
{
    QFETCH(int, tab);
    QFETCH(int, column);
    ClientInterface page(nullptr, nullptr, QFont());
    page.resize(735, 444);
    page.findChild<QTabWidget*>("tabWidget")->setCurrentIndex(tab);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.receive(Message::makeGLError(0x506, "glFramebufferTexture2DMultisampleEXT", "first"));
    Message warning = Message::makeWarning("warning");
    warning.setFrame(123456789);
    page.receive(warning);
    page.receive(contextInfo(1));

    QTRY_VERIFY(page.findChild<QTableWidget*>());
    QTableView* view =
        tab == 1 ? static_cast<QTableView*>(page.errorListView()) : page.findChild<QTableWidget*>();
    QTRY_COMPARE(view->model()->rowCount(), tab == 1 ? 2 : 5);
    const int needed = static_cast<QAbstractItemView*>(view)->sizeHintForColumn(column);
    QVERIFY2(view->columnWidth(column) >= needed,
             qPrintable(QString("%1 < %2").arg(view->columnWidth(column)).arg(needed)));
}

KOLZ_TEST_MAIN_WIDGETS(TestListBounds)
#include "tst_listbounds.moc"
