// The program as a user first meets it: no preference file, no user profiles. Applications are
// played by the test peer over the real "KolZendra" socket.
#include "AppTestSupport.h"
#include "tests/peer/TestPeer.h"
#include "tests/widgets/WidgetsTestSupport.h"
#include "widgets/Profile.h"

#include "support/ShownWindows.h"
#include <QCheckBox>
#include <QDir>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

using namespace ui::messages;
using kolz::test::TestPeer;
using namespace kolz::test;

namespace {
void nothingToPrepare() {}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

public:
    explicit TestMainWindow(Controller& controller)
        : app(controller), window(controller.window()),
          profiles(window.findChild<QComboBox*>(QStringLiteral("cmbProfile"))),
          fonts(window.findChild<QFontComboBox*>(QStringLiteral("cmbFont"))),
          autoClose(window.findChild<QCheckBox*>(QStringLiteral("chkAutoClose"))),
          tabs(window.clientTabWidget())
    {}

private slots:
    void firstStartShowsHostAndBuiltIns();
    void selectorStoresEveryChange();
    void controllerCopiesAndNewProfiles();
    void manyUserProfilesLoadInOrder();
    void readOnlySaveAsksFirst();
    void menuActionsOpenTheirDialogs();
    void savingAUserProfileKeepsItChosen_data();
    void savingAUserProfileKeepsItChosen();
    void linkedProfileKeepsItsListedName();
    void cancelledNewProfileOnHostShowsNothing();
    void peerGetsRetitledTabWithConsoleAndErrors();
    void disconnectsFinishTheTab_data();
    void disconnectsFinishTheTab();
    void autoCloseDropsFinishedTabs();
    void closingTabsBringsBackPlaceholder();
    void pageClosedDuringModalBoxOutlivesIt();
    void fontIsStoredAndPagesFollow();
    void profileSelectorShowsWholeNames();
    void longNamesKeepTheWindowNarrow();
    void closingWindowStopsEveryPeer();

private:
    std::unique_ptr<TestPeer> connectPeer(PID_TYPE pid, const QByteArray& name);
    ClientInterface* lastPage() const { return tabs->page(tabs->count() - 1); }

    Controller& app;
    MainWindow& window;
    QComboBox* profiles;
    QFontComboBox* fonts;
    QCheckBox* autoClose;
    ClientTabWidget* tabs;
};

std::unique_ptr<TestPeer> TestMainWindow::connectPeer(PID_TYPE pid, const QByteArray& name)
{
    auto peer = std::make_unique<TestPeer>();
    const auto before = window.connectedClients().size();
    if (!peer->connectToPanel())
        return nullptr;
    peer->send({Message::makeSetPID(pid), Message::makeSetName(name.toStdString())});
    if (!QTest::qWaitFor([&] { return window.connectedClients().size() == before + 1; }, 5000))
        return nullptr;
    return peer;
}

void TestMainWindow::firstStartShowsHostAndBuiltIns()
{
    QVERIFY(storedKeyExists(currentProfileKey));
    QCOMPARE(storedString(currentProfileKey), std::string());
    QCOMPARE(profiles->currentIndex(), 0);
    QCOMPARE(profiles->itemText(0), QStringLiteral("Host"));
    QVERIFY(isSeparator(profiles, 1));
    QVERIFY(isSeparator(profiles, 2)); // no user profiles: the separators meet
    QCOMPARE(profiles->count(), 3 + int(app.builtIns().size()));
    QCOMPARE(app.builtIns().size(), size_t(13));
    QStringList builtIns = comboTexts(profiles).mid(3);
    QStringList sorted = builtIns;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
    QCOMPARE(builtIns, sorted);
    QVERIFY(!window.profileEditorWidget()->isEnabled());
    QVERIFY(serverAccepts(QString::fromLatin1(Controller::lockName)));
    QVERIFY(!window.windowIcon().pixmap(32).isNull());
    QCOMPARE(QMetaType::fromName("Error"), QMetaType::fromType<ErrorListEntry>());
    QCOMPARE(QMetaType::fromName("ui::messages::Message"), QMetaType::fromType<Message>());
    for (const char* image : {"KolZendra", "Edit", "SaveFile", "Close", "Expand", "Collapse"})
        QVERIFY2(!QIcon(QStringLiteral(":/KolZendraResources/") + image).pixmap(16).isNull(),
                 image);
}

void TestMainWindow::selectorStoresEveryChange()
{
    profiles->setCurrentIndex(3);
    const std::string builtIn = app.builtIns().front()->data()->displayName();
    QCOMPARE(storedString(currentProfileKey), builtIn);
    QVERIFY(window.profileEditorWidget()->isEnabled());
    QCOMPARE(window.profileEditorWidget()->findChild<QLineEdit*>("editDevice")->text(),
             QString::fromStdString(builtIn));

    profiles->setCurrentIndex(0);
    QCOMPARE(storedString(currentProfileKey), std::string());
    QVERIFY(!window.profileEditorWidget()->isEnabled());

    // A user profile is stored by its file name; the refresh keeps it chosen.
    writeFile(environment().profiles() + "/mine.xml", profileXml("My device"));
    app.reloadUserProfiles();
    QCOMPARE(profiles->itemText(2), QStringLiteral("My device"));
    QVERIFY(isSeparator(profiles, 3));
    profiles->setCurrentIndex(2);
    QCOMPARE(storedString(currentProfileKey), std::string("mine.xml"));
    app.reloadUserProfiles();
    QCOMPARE(profiles->currentIndex(), 2);

    // The file goes away: the next refresh ends on "Host".
    QVERIFY(QFile::remove(environment().profiles() + "/mine.xml"));
    app.reloadUserProfiles();
    QCOMPARE(profiles->currentIndex(), 0);
    QCOMPARE(storedString(currentProfileKey), std::string());
}

void TestMainWindow::controllerCopiesAndNewProfiles()
{
    const auto& source = *app.builtIns().front();
    const auto users = app.userList().size();
    const auto copy = app.copyProfile(source);
    QVERIFY(copy->isWritable());
    QCOMPARE(copy->data()->fileName(), source.data()->displayName() + " (copy).xml");
    const auto first = app.newProfile();
    const auto second = app.newProfile();
    QVERIFY(first != second);
    QCOMPARE(first->data()->displayName(), std::string("New profile"));
    QCOMPARE(first->data()->vendor(), std::string("Unknown vendor"));
    QCOMPARE(first->data()->fileName(), std::string());
    QCOMPARE(app.userList().size(), users + 3);
    QCOMPARE(profiles->count(), 3 + int(app.builtIns().size())); // not listed until a refresh
    app.reloadUserProfiles();                                    // unsaved entries are dropped
    QCOMPARE(app.userList().size(), users);
}

// Enough files for the loading to be shared between workers: the same list as one at a time.
void TestMainWindow::manyUserProfilesLoadInOrder()
{
    const QString dir = environment().root() + "/many";
    QVERIFY(QDir().mkpath(dir));
    for (int i = 0; i < 100; ++i)
        writeFile(dir + QString("/p%1.xml").arg(i),
                  profileXml(QString("Device %1").arg(i, 3, 10, QChar('0')).toUtf8()));
    writeFile(dir + "/broken.xml", "<profile><device>");
    setPreferenceString(app.preferences(), profilesDirectoryKey, dir);
    const ProfileList list = loadUserProfiles(app.preferences());
    app.preferences()->Remove(profilesDirectoryKey);
    QCOMPARE(list.size(), size_t(100));
    for (int i = 0; i < 100; ++i) {
        QCOMPARE(list[i]->data()->displayName(),
                 QString("Device %1").arg(i, 3, 10, QChar('0')).toStdString());
        QVERIFY(list[i]->isWritable());
    }
}

void TestMainWindow::readOnlySaveAsksFirst()
{
    const auto& source = *app.builtIns().front();
    for (const bool accept : {false, true}) {
        QString title;
        answerNext<QDialog>([&](QDialog* box) {
            title = box->windowTitle();
            auto* button = box->findChild<QPushButton*>(accept ? "btnCopy" : "btnCancel");
            if (button)
                button->click();
            else
                box->close();
        });
        std::shared_ptr<ProfileDataWrapper> copy;
        QCOMPARE(app.saveReadOnlyProfile(source, copy), accept);
        QCOMPARE(title, QStringLiteral("Save changes"));
        QCOMPARE(bool(copy), accept);
    }
    app.reloadUserProfiles();
}

void TestMainWindow::menuActionsOpenTheirDialogs()
{
    auto runAction = [this](const char* action) {
        QString shown;
        answerNext<QDialog>([&shown](QDialog* box) {
            shown = QString::fromLatin1(box->metaObject()->className());
            box->close();
        });
        window.findChild<QAction*>(action)->trigger();
        return shown;
    };
    // The profiles directory is read again after the preferences, even when cancelled.
    writeFile(environment().profiles() + "/late.xml", profileXml("Late device"));
    QCOMPARE(runAction("actionPreferences"), QStringLiteral("DlgPreferences"));
    QVERIFY(comboTexts(profiles).contains("Late device"));
    QVERIFY(QFile::remove(environment().profiles() + "/late.xml"));
    app.reloadUserProfiles();

    QCOMPARE(runAction("actionFeedback"), QStringLiteral("FeedbackDialog"));
    window.findChild<QAction*>("actionAbout")->trigger();
    QVERIFY(window.aboutBoxDialog()->isVisible());
    window.aboutBoxDialog()->hide();
}

void TestMainWindow::savingAUserProfileKeepsItChosen_data()
{
    // The editing button pressed after an edit, and the profile chosen then (Save As names it).
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("save") << QStringLiteral("btnSave") << QStringLiteral("edit.xml");
    QTest::newRow("save as") << QStringLiteral("btnSaveAs") << QStringLiteral("copy.xml");
    QTest::newRow("discard") << QStringLiteral("btnDiscard") << QStringLiteral("edit.xml");
}

// The editor's save flow through the real controller: the reload and reselection that follow a
// save leave the saved profile chosen and shown. The focus then goes to Modify in place of the
// button gone, not to the selector.
void TestMainWindow::savingAUserProfileKeepsItChosen()
{
    QFETCH(QString, pressed);
    QFETCH(QString, chosen);
    const QString path = environment().profiles() + "/edit.xml";
    writeFile(path, profileXml("Before"));
    const auto cleanup = qScopeGuard([&] {
        QFile::remove(environment().profiles() + "/copy.xml");
        QFile::remove(path);
        app.reloadUserProfiles();
    });
    app.reloadUserProfiles();
    profiles->setCurrentIndex(profiles->findText("Before"));
    widgets::Profile* editor = window.profileEditorWidget();
    // Typing after Modify goes into the first field, not to the selector, where a letter would
    // choose another profile.
    window.findChild<QTabWidget*>("mainTabWidget")->setCurrentWidget(editor->parentWidget());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(editor->findChild<QPushButton*>("btnEdit"), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_X);
    QCOMPARE(editor->findChild<QLineEdit*>("editDevice")->text(), QStringLiteral("Beforex"));
    editor->findChild<QLineEdit*>("editDevice")->setText("After");
    widgets::test::ModalDriver driver{"=" + chosen};
    QTest::mouseClick(editor->findChild<QPushButton*>(pressed), Qt::LeftButton);
    window.activateWindow();
    QTRY_VERIFY(editor->findChild<QPushButton*>("btnEdit")->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_H);
    QCOMPARE(storedString(currentProfileKey), chosen.toStdString());
    QVERIFY(!editor->isEditing());
    if (pressed != "btnSave")
        return;
    QCOMPARE(profiles->currentText(), QStringLiteral("After"));
    QCOMPARE(editor->findChild<QLineEdit*>("editDevice")->text(), QStringLiteral("After"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("<device>After</device>"));
    file.remove();
    app.reloadUserProfiles();
    QCOMPARE(profiles->currentIndex(), 0);
}

// A profile that is a link to a file elsewhere is read through the link but named as listed:
// saving it must not write another profile's file that has the target's name.
void TestMainWindow::linkedProfileKeepsItsListedName()
{
    const QString elsewhere = environment().root() + "/elsewhere";
    const QString dir = environment().profiles();
    QVERIFY(QDir().mkpath(elsewhere));
    writeFile(elsewhere + "/b.xml", profileXml("Linked"));
    writeFile(dir + "/b.xml", profileXml("Own"));
    QVERIFY(QFile::link(elsewhere + "/b.xml", dir + "/a.xml"));
    const auto cleanup = qScopeGuard([&] {
        QFile::remove(dir + "/a.xml");
        QFile::remove(dir + "/b.xml");
        app.reloadUserProfiles();
    });
    app.reloadUserProfiles();
    const auto linked = app.findProfile("a.xml");
    QVERIFY(linked);
    QCOMPARE(linked->data()->device(), std::string("Linked"));

    profiles->setCurrentIndex(profiles->findText("Linked"));
    QCOMPARE(storedString(currentProfileKey), std::string("a.xml"));
    widgets::Profile* editor = window.profileEditorWidget();
    editor->findChild<QPushButton*>("btnEdit")->click();
    editor->findChild<QLineEdit*>("editDevice")->setText("Linked after");
    editor->findChild<QPushButton*>("btnSave")->click();
    QCOMPARE(profiles->currentText(), QStringLiteral("Linked after"));
    QCOMPARE(app.findProfile("b.xml")->data()->device(), std::string("Own"));
    QFile own(dir + "/b.xml");
    QVERIFY(own.open(QIODevice::ReadOnly));
    QVERIFY(own.readAll().contains("<device>Own</device>"));
    QCOMPARE(app.findProfile("a.xml")->data()->device(), std::string("Linked after"));
}

void TestMainWindow::cancelledNewProfileOnHostShowsNothing()
{
    profiles->setCurrentIndex(0);
    answerNext<QDialog>([](QDialog* prompt) { prompt->close(); });
    window.findChild<QAction*>("actionNew_Profile")->trigger();
    widgets::Profile* editor = window.profileEditorWidget();
    QVERIFY(!editor->isEnabled());
    QCOMPARE(editor->findChild<QLineEdit*>("editDevice")->text(), QStringLiteral("None"));
    QCOMPARE(profiles->currentIndex(), 0);
    QCOMPARE(QDir(environment().profiles()).entryList(QDir::Files), QStringList());
}

void TestMainWindow::peerGetsRetitledTabWithConsoleAndErrors()
{
    auto peer = connectPeer(4242, "demo");
    QVERIFY(peer);
    ClientInterface* page = lastPage();
    QCOMPARE(tabs->currentWidget(), page);
    QTRY_COMPARE(tabs->tabText(tabs->indexOf(page)), QStringLiteral("\"demo\" PID: 4242"));
    peer->send({Message::makeInfo("Hello console"), Message::makeWarning("Careful"),
                Message::makeGLError(0x502, "glDrawArrays", "No program bound")});
    QTRY_COMPARE(page->errorListModel()->rowCount(), 2);
    QVERIFY(page->document()->toPlainText().contains("Hello console"));
    // An empty name leaves only the process id.
    peer->send(Message::makeSetName(""));
    QTRY_COMPARE(tabs->tabText(tabs->indexOf(page)), QStringLiteral("PID: 4242"));
    peer->disconnectCleanly();
    QTRY_COMPARE(page->state(), ClientInterface::Finished);
}

void TestMainWindow::disconnectsFinishTheTab_data()
{
    QTest::addColumn<bool>("clean");
    QTest::addColumn<QString>("text");
    QTest::newRow("clean") << true << "Client disconnected";
    QTest::newRow("lost") << false << "Lost connection to client";
}

void TestMainWindow::disconnectsFinishTheTab()
{
    QFETCH(bool, clean);
    QFETCH(QString, text);
    auto peer = connectPeer(7, "leaver");
    QVERIFY(peer);
    ClientInterface* page = lastPage();
    const QPointer<Client> client = page->client();
    QVERIFY(client);
    if (clean) {
        peer->send(Message::makeCleanDisconnect());
        // The departing application still hears that the panel stops.
        QTRY_VERIFY(peer->receivedTypes().contains(MessageType::ServerStop));
    } else {
        peer->abort();
    }
    QTRY_COMPARE(page->state(), ClientInterface::Finished);
    QVERIFY(page->document()->toPlainText().endsWith(text));
    QVERIFY(!window.connectedClients().count(client.data()));
    QTRY_VERIFY(!client); // released; the page keeps its console
    QVERIFY(page->document()->toPlainText().contains(text));
}

void TestMainWindow::autoCloseDropsFinishedTabs()
{
    auto stays = connectPeer(1, "stays");
    QVERIFY(stays);
    QVERIFY(tabs->count() >= 3); // finished tabs of the tests before
    autoClose->setChecked(true);
    auto next = connectPeer(2, "next");
    QVERIFY(next);
    QTRY_COMPARE(tabs->count(), 2);
    QCOMPARE(tabs->page(0)->state(), ClientInterface::Connected);
    QCOMPARE(tabs->page(1)->state(), ClientInterface::Connected);
    autoClose->setChecked(false);
    stays->disconnectCleanly();
    next->disconnectCleanly();
    QTRY_VERIFY(window.connectedClients().empty());
}

void TestMainWindow::closingTabsBringsBackPlaceholder()
{
    while (tabs->count() > 1 || tabs->page(0)->state() != ClientInterface::Disconnected)
        window.closeTab(0);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Disconnected"));
    QVERIFY(!tabs->page(0)->isEnabled());
    window.closeTab(-1); // a middle click beside the tabs
    QCOMPARE(tabs->count(), 1);

    // A closed tab's application stays connected; its late name finds no tab.
    auto peer = connectPeer(3, "closed");
    QVERIFY(peer);
    window.closeTab(tabs->count() - 1);
    peer->send(Message::makeSetName("renamed"));
    QTest::qWait(50);
    QCOMPARE(window.connectedClients().size(), size_t(1));
    peer->disconnectCleanly();
    QTRY_VERIFY(window.connectedClients().empty());
}

void TestMainWindow::pageClosedDuringModalBoxOutlivesIt()
{
    auto peer = connectPeer(5, "modal");
    QVERIFY(peer);
    const QPointer<ClientInterface> page = lastPage();
    bool aliveInsideBox = false;
    answerNext<QMessageBox>([&](QMessageBox* box) {
        window.closeTab(tabs->indexOf(page));
        peer->abort(); // the client goes too, inside the box's loop
        QTest::qWait(200);
        aliveInsideBox = !page.isNull();
        box->close();
    });
    QMessageBox box(QMessageBox::Information, "Modal", "A box with its own event loop");
    box.exec();
    QVERIFY(aliveInsideBox);
    QTRY_VERIFY(page.isNull());
    QTRY_VERIFY(window.connectedClients().empty());
}

void TestMainWindow::fontIsStoredAndPagesFollow()
{
    auto peer = connectPeer(6, "fonts");
    QVERIFY(peer);
    auto* console = lastPage()->findChild<QTextEdit*>(QStringLiteral("txtConsole"));
    QVERIFY(console);
    const QStringList families = QFontDatabase::families();
    QVERIFY(!families.isEmpty());
    QString family = families.constLast();
    if (family == fonts->currentFont().family())
        family = families.constFirst();
    fonts->setCurrentFont(QFont(family));
    const QString chosen = fonts->currentFont().family();
    QCOMPARE(QString::fromStdString(storedString(guiFontKey)), chosen);
    // A console out of sight takes a new font when it is shown.
    window.show();
    window.findChild<QTabWidget*>(QStringLiteral("mainTabWidget"))
        ->setCurrentWidget(window.findChild<QWidget*>(QStringLiteral("tabPrograms")));
    tabs->setCurrentWidget(lastPage());
    lastPage()
        ->findChild<QTabWidget*>(QStringLiteral("tabWidget"))
        ->setCurrentWidget(lastPage()->findChild<QWidget*>(QStringLiteral("tab_console")));
    QTRY_COMPARE(console->font().family(), chosen);
    peer->disconnectCleanly();
    QTRY_VERIFY(window.connectedClients().empty());
}

// The selector asks for a text field that holds its longest name whole, also for a name listed
// after it was first shown.
void TestMainWindow::profileSelectorShowsWholeNames()
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // A profile listed after the window was first shown.
    const auto copy = app.copyProfile(*app.builtIns().front());
    copy->editableData()->setDevice("Brannock Slate 10 Custom, the longest name in the list");
    window.refreshProfiles(app.builtIns(), app.userList(), {});
    const auto dropCopy = qScopeGuard([this] { app.reloadUserProfiles(); });
    // The test screen bounds the selector's width; the width it asks for is what counts.
    QStyleOptionComboBox option;
    option.initFrom(profiles);
    option.rect = QRect(QPoint(), profiles->sizeHint());
    const QRect field = profiles->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                          QStyle::SC_ComboBoxEditField, profiles);
    for (const QString& name : comboTexts(profiles))
        QVERIFY2(profiles->fontMetrics().horizontalAdvance(name) <= field.width() - 2,
                 qPrintable(name));
}

// A profile with long names asks for no wider a window than the built-in profiles do in edit
// mode, the wider one; the selector, too narrow for the name then, shows its start and has the
// whole name as its tool tip.
void TestMainWindow::longNamesKeepTheWindowNarrow()
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    widgets::Profile* editor = window.profileEditorWidget();
    auto minimumWidth = [&](const std::string& name) {
        profiles->setCurrentIndex(profiles->findText(QString::fromStdString(name)));
        editor->findChild<QPushButton*>("btnEdit")->click();
        const int width = window.minimumSizeHint().width();
        editor->findChild<QPushButton*>("btnDiscard")->click();
        return width;
    };
    int builtIns = 0;
    for (const auto& entry : app.builtIns())
        builtIns = std::max(builtIns, minimumWidth(entry->data()->displayName()));
    const QString device = "Quillon Orbit S" + QString(", a long name").repeated(8);
    writeFile(environment().profiles() + "/long.xml", profileXml(device.toUtf8()));
    const auto cleanup = qScopeGuard([this] {
        QFile::remove(environment().profiles() + "/long.xml");
        app.reloadUserProfiles();
    });
    app.reloadUserProfiles();
    QVERIFY2(minimumWidth(device.toStdString()) <= builtIns, qPrintable(QString::number(builtIns)));
    window.resize(builtIns, window.height());
    QTRY_COMPARE(window.width(), builtIns);
    // Read as a hover asks for it: the tip is decided when it is about to show.
    auto hoverTip = [this] {
        QHelpEvent hover(QEvent::ToolTip, QPoint(4, 4), profiles->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(profiles, &hover);
        return profiles->toolTip();
    };
    QTRY_COMPARE(hoverTip(), device);
    window.resize(builtIns + profiles->sizeHint().width(), window.height());
    QTRY_COMPARE(hoverTip(), QString());
}

void TestMainWindow::closingWindowStopsEveryPeer()
{
    window.show();
    auto first = connectPeer(10, "first");
    auto second = connectPeer(11, "second");
    QVERIFY(first && second);
    TestPeer late; // connected, not yet taken in by the window
    QVERIFY(late.connectToPanel());
    QVERIFY(window.close());
    for (TestPeer* peer : {first.get(), second.get(), &late})
        QTRY_COMPARE(peer->receivedTypes().count(MessageType::ServerStop), 1);
    QVERIFY(!window.clientServer()->isListening());
}

KOLZ_APP_TEST_MAIN(TestMainWindow, nothingToPrepare)
#include "tst_mainwindow.moc"
