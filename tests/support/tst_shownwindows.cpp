#include "support/ShownWindows.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>

using kolz::test::answerNext;
using kolz::test::chooseFile;

// The shared way tests answer the dialogs and menus they open.
class TestShownWindows : public QObject
{
    Q_OBJECT

private slots:
    void answersEachKindOnceReady_data();
    void answersEachKindOnceReady();
    void answersGoInOrderAndLiveNoLongerThanTheirOwner();
};

namespace {

// What a window shows and answers, run to its end; "ready" when it was the active modal
// window or popup at the time of the answer.
QString run(const QString& kind, bool& ready)
{
    const QString dir = kolz::test::environment().tmp();
    const auto noted = [&ready](QWidget* w) {
        ready =
            w->isVisible() && (w->windowType() == Qt::Popup
                                   ? QApplication::activePopupWidget() == w
                                   : QApplication::activeModalWidget() == w && w->isActiveWindow());
    };
    const QFileDialog::Options widgets = QFileDialog::DontUseNativeDialog;
    if (kind == "box") {
        answerNext<QMessageBox>([=](QMessageBox* box) {
            noted(box);
            box->button(QMessageBox::No)->click();
        });
        return QMessageBox::question(nullptr, "t", "q") == QMessageBox::No ? "No" : "other";
    }
    if (kind == "prompt") {
        answerNext<QInputDialog>([=](QInputDialog* prompt) {
            noted(prompt);
            prompt->setTextValue("typed");
            prompt->accept();
        });
        return QInputDialog::getText(nullptr, "t", "name");
    }
    if (kind == "menu") {
        QMenu menu;
        menu.addAction("first");
        QAction* second = menu.addAction("second");
        answerNext<QMenu>([=](QMenu* shown) {
            noted(shown);
            shown->setActiveAction(second);
            QTest::keyClick(shown, Qt::Key_Return);
        });
        QAction* chosen = menu.exec(QPoint(10, 10));
        return chosen ? chosen->text() : "none";
    }
    // File dialogs: a new name, an existing file, and a cancelled dialog.
    const QString chosen = kind == "cancel" ? QString() : dir + '/' + kind + ".txt";
    answerNext<QFileDialog>([=](QFileDialog* dialog) {
        noted(dialog);
        chooseFile(dialog, chosen);
    });
    if (kind == "existing") {
        QFile file(chosen);
        if (!file.open(QIODevice::WriteOnly))
            return "cannot write";
        file.close();
        return QFileDialog::getOpenFileName(nullptr, "Open", dir, {}, nullptr, widgets);
    }
    return QFileDialog::getSaveFileName(nullptr, "Save", dir, {}, nullptr, widgets);
}

} // namespace

void TestShownWindows::answersEachKindOnceReady_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("result");
    const QString dir = kolz::test::environment().tmp();
    QTest::newRow("message box") << "box"
                                 << "No";
    QTest::newRow("text prompt") << "prompt"
                                 << "typed";
    QTest::newRow("menu") << "menu"
                          << "second";
    // The name typed into a save dialog whose name field has the focus.
    QTest::newRow("save dialog") << "new" << dir + "/new.txt";
    QTest::newRow("open dialog") << "existing" << dir + "/existing.txt";
    QTest::newRow("cancelled dialog") << "cancel" << QString();
}

void TestShownWindows::answersEachKindOnceReady()
{
    QFETCH(QString, kind);
    QFETCH(QString, result);
    bool ready = false;
    QCOMPARE(run(kind, ready), result);
    QVERIFY(ready);
    QCOMPARE(kolz::test::freeAnswers().pending(), 0);
}

void TestShownWindows::answersGoInOrderAndLiveNoLongerThanTheirOwner()
{
    const auto click = [](QMessageBox::StandardButton button) {
        return [button](QMessageBox* box) { box->button(button)->click(); };
    };
    const auto ask = [] { return QMessageBox::question(nullptr, "t", "q"); };
    {
        kolz::test::ShownWindows gone;
        gone.next<QMessageBox>(click(QMessageBox::Yes));
    }
    kolz::test::ShownWindows scoped;
    scoped.next<QInputDialog>([](QInputDialog* prompt) { prompt->reject(); });
    scoped.next<QMessageBox>(click(QMessageBox::No));
    scoped.next<QMessageBox>(click(QMessageBox::Yes));
    // The prompt's answer waits for a prompt; the boxes take theirs in order.
    QCOMPARE(ask(), QMessageBox::No);
    QCOMPARE(ask(), QMessageBox::Yes);
    QCOMPARE(scoped.pending(), 1);

    // Every modal window while the owner lives, until it goes.
    int seen = 0;
    auto every = std::make_unique<kolz::test::ShownWindows>();
    every->everyModal([&seen](QWidget* w) {
        ++seen;
        static_cast<QMessageBox*>(w)->button(QMessageBox::No)->click();
    });
    QCOMPARE(ask(), QMessageBox::No);
    QCOMPARE(ask(), QMessageBox::No);
    QCOMPARE(seen, 2);
    every.reset();
    answerNext<QMessageBox>(click(QMessageBox::Yes));
    QCOMPARE(ask(), QMessageBox::Yes);
    QCOMPARE(seen, 2);
}

KOLZ_TEST_MAIN_WIDGETS(TestShownWindows)
#include "tst_shownwindows.moc"
