#include "support/TestEnvironment.h"

#include "monitor/ClientInterface.h"
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

// The visible labels of the page that show the given text.
int shownNotices(const QWidget& page, const QString& text)
{
    int shown = 0;
    for (const QLabel* label : page.findChildren<QLabel*>())
        shown += label->text() == text && label->isVisibleTo(&page);
    return shown;
}

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
    void initTestCase();
    void noticeOnceAfterTheFirstRemoval_data();
    void noticeOnceAfterTheFirstRemoval();
    void readmeFiguresAreTheBounds();
    void columnsShowWholeTexts_data();
    void columnsShowWholeTexts();
};

void TestListBounds::initTestCase()
{
    qRegisterMetaType<Message>("ui::messages::Message");
}

void TestListBounds::noticeOnceAfterTheFirstRemoval_data()
{
    QTest::addColumn<bool>("errorList");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<int>("tab");
    QTest::newRow("error list") << true << QStringLiteral("Older rows were removed from this list.")
                                << 1;
    QTest::newRow("context pages") << false << ContextInterface::removalNotice() << 2;
}

void TestListBounds::noticeOnceAfterTheFirstRemoval()
{
    QFETCH(bool, errorList);
    QFETCH(QString, notice);
    QFETCH(int, tab);
    ClientInterface page(nullptr, nullptr, QFont());
    page.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(tab);
    const int bound = errorList ? 64 : ClientInterface::maxContextPages;
    page.errorListModel()->setRowLimit(bound);
    int sent = 0;
    auto send = [&](int count) {
        for (int end = sent + count; sent < end; ++sent)
            page.receive(errorList ? Message::makeWarning("warning " + std::to_string(sent))
                                   : contextInfo(sent));
    };
    auto shown = [&] {
        if (errorList)
            return page.errorListModel()->rowCount() == std::min(sent, bound) ? 1 : 0;
        return page.findChild<QTabWidget*>(QStringLiteral("tabWidget_contexts"))->count() ==
                       std::min(sent, bound)
                   ? 1
                   : 0;
    };

    send(bound);
    QTRY_COMPARE(shown(), 1);
    QCOMPARE(shownNotices(page, notice), 0);
    send(1);
    QTRY_COMPARE(shownNotices(page, notice), 1);
    send(3 * bound);
    QTRY_VERIFY(
        errorList
            ? page.errorListModel()->entry(page.errorListModel()->rowCount() - 1).description ==
                  QStringLiteral("warning %1").arg(sent - 1)
            : page.findChild<QTabWidget*>(QStringLiteral("tabWidget_contexts"))
                      ->tabText(bound - 1) == QStringLiteral("Context %1").arg(sent - 1));
    QCOMPARE(shownNotices(page, notice), 1);
}

// The README promises the bounds in figures; they must be the ones the code keeps.
void TestListBounds::readmeFiguresAreTheBounds()
{
    QFile file(QStringLiteral(KOLZ_SOURCE_DIR "/README.md"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString readme = QString::fromUtf8(file.readAll()).simplified();
    const QLocale english(QLocale::English);
    const int rows = ErrorListModel::defaultRowLimit;
    for (const QString& promise :
         {QStringLiteral("its error list at most its newest %1 rows").arg(english.toString(rows)),
          QStringLiteral("the oldest %1 rows go at once")
              .arg(english.toString(rows / ErrorListModel::removalFraction)),
          QStringLiteral("at most %1 context pages").arg(ClientInterface::maxContextPages)})
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

// At the page's initial size, every column but the error list's description is at least as
// wide as its widest cell.
void TestListBounds::columnsShowWholeTexts()
{
    QFETCH(int, tab);
    QFETCH(int, column);
    ClientInterface page(nullptr, nullptr, QFont());
    page.resize(735, 444);
    page.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(tab);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.receive(Message::makeGLError(0x506, "glFramebufferTexture2DMultisampleEXT", "first"));
    for (int frame = 0; frame < 40; ++frame) {
        Message warning = Message::makeWarning("warning");
        warning.setFrame(123456789 + frame);
        page.receive(warning);
    }
    page.receive(Message::makeGLError(0x502, "glDrawArrays", "last"));
    page.receive(contextInfo(1));

    QAbstractItemView* view = page.errorListView();
    if (tab == 2) {
        QTRY_VERIFY(page.findChild<QTableWidget*>());
        view = page.findChild<QTableWidget*>();
    }
    QTRY_VERIFY(view->model()->rowCount() > 1);
    QTRY_VERIFY(view->viewport()->width() > 0);
    const auto* table = qobject_cast<QTableView*>(view);
    QVERIFY(view->sizeHintForColumn(column) > 0);
    QVERIFY2(table->columnWidth(column) >= view->sizeHintForColumn(column),
             qPrintable(QStringLiteral("%1 < %2")
                            .arg(table->columnWidth(column))
                            .arg(view->sizeHintForColumn(column))));
}

KOLZ_TEST_MAIN_WIDGETS(TestListBounds)
#include "tst_listbounds.moc"
