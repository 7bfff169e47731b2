#include "app/MainWindow.h"

#include "app/Controller.h"
#include "app/DialogDismisser.h"
#include "common_gui/CommonGUIResources.h"
#include "common_gui/FeedbackDialog.h"
#include "common_gui/OpenDocumentation.h"
#include "monitor/Client.h"
#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"
#include "monitor/ErrorListModel.h"
#include "monitor/SystemReportGUIReceiver.h"
#include "monitor/SystemReportViewer.h"
#include "prefs/ProgramSettings.h"
#include "resources/KolZendraResources.h"
#include "ui_MainWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontComboBox>
#include <QImage>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QThread>

#include <utility>

using Message = ui::messages::Message;
using ProfileHandle = std::weak_ptr<const ProfileDataWrapper>;

const char* const MainWindow::serverName = "KolZendra";

namespace {

const char* const versionText = "KolZendra 10.17.3";

// The splash image; the resources must be registered before the first member needs them.
QImage splashImage()
{
    initKolZendraResources();
    initCommonGUIResources();
    return QImage(QStringLiteral(":/KolZendraResources/SplashKolZendra"));
}

std::shared_ptr<const ProfileDataWrapper> itemProfile(const QComboBox* combo, int index)
{
    const QVariant data = combo->itemData(index, Qt::UserRole);
    if (!data.canConvert<ProfileHandle>())
        return {};
    return data.value<ProfileHandle>().lock();
}

// A name too long for the selector's width shows its start; the whole name is in the tool tip.
void fitNameToolTip(QComboBox* combo)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    option.currentText = combo->currentText();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    const bool cut = combo->fontMetrics().horizontalAdvance(option.currentText) > field.width() - 2;
    combo->setToolTip(cut ? option.currentText : QString());
}

} // namespace

void addHostEntry(QComboBox* combo)
{
    combo->clear();
    combo->addItem(QIcon(), QObject::tr("Host"), QVariant());
    combo->insertSeparator(1);
}

void addProfileItem(QComboBox* combo, const std::shared_ptr<ProfileDataWrapper>& entry,
                    const std::shared_ptr<const ProfileDataWrapper>& current)
{
    combo->addItem(QIcon(), QString::fromStdString(entry->data()->displayName()),
                   QVariant::fromValue(ProfileHandle(entry)));
    if (current && current == entry)
        combo->setCurrentIndex(combo->count() - 1);
}

void fillProfileCombo(QComboBox* combo, const ProfileList& builtIns, const ProfileList& users,
                      const std::weak_ptr<const ProfileDataWrapper>& current)
{
    const auto locked = current.lock();
    addHostEntry(combo);
    int counter = 2;
    const ProfileList* lists[] = {&users, &builtIns};
    for (const ProfileList* list : lists) {
        for (const auto& entry : *list) {
            addProfileItem(combo, entry, locked);
            ++counter;
        }
        if (list != lists[1])
            combo->insertSeparator(counter++);
    }
}

ClientTabWidget* createClientTabs(QWidget* parent)
{
    auto* tabs = new ClientTabWidget(parent);
    tabs->setObjectName(QStringLiteral("clienttabs"));
    tabs->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    tabs->setTabsClosable(true);
    return tabs;
}

QString clientTabTitle(const QString& name, PID_TYPE pid)
{
    QString title;
    if (!name.isEmpty())
        title = QLatin1Char('"') + name + QStringLiteral("\" ");
    return title + QStringLiteral("PID: ") + QString::number(std::int32_t(pid));
}

void retitleClientTab(ClientTabWidget* tabs, ClientInterface* page)
{
    const int index = tabs->indexOf(page);
    if (index >= 0)
        tabs->setTabText(index, clientTabTitle(page->name(), page->pid()));
}

MainWindow::MainWindow(Controller* controller, KolPreferences* prefs, QWidget* parent)
    : QMainWindow(parent), ui(new MainWindowForm), controller(controller),
      server(new QLocalServer(this)), prefs(prefs), profileEditor(this, controller),
      aboutBox(QString::fromLatin1(versionText), splashImage(), prefs, QString(), this),
      reportReceiver(new SystemReportGUIReceiver(this))
{
    qRegisterMetaType<ErrorListEntry>("Error");
    qRegisterMetaType<Message>("ui::messages::Message");
    ui->setupUi(this);
    initWidgets();
    makeConnections();
    server->listen(QString::fromLatin1(serverName));
    connect(server, &QLocalServer::newConnection, this, &MainWindow::serverNewConnection);
    stats = std::make_shared<KolStats>("KolZendra", "10.17.3", prefs, 4);
}

MainWindow::~MainWindow()
{
    delete clientTabs;
    clientTabs = nullptr;
    releaseClients();
    // Its accepted sockets go with it; nothing listens to them any more.
    for (QLocalSocket* socket : server->findChildren<QLocalSocket*>())
        socket->disconnect(this);
    delete server;
    server = nullptr;
    for (const QPointer<QObject>& object : std::as_const(released))
        delete object.data();
    ui->cmbProfile->removeEventFilter(this);
    delete ui;
    ui = nullptr;
}

void MainWindow::initWidgets()
{
    ui->horizontalLayout->addWidget(&profileEditor);

    clientTabs = createClientTabs(ui->tabPrograms);
    ui->horizontalLayout_3->addWidget(clientTabs);
    clientTabs->addPlaceholderTab(ui->cmbFont->currentFont());

    reportViewer = new SystemReportViewer(ui->tabSystemReport);
    ui->systemReportTabLayout->addWidget(reportViewer);
    connect(reportReceiver, &SystemReportGUIReceiver::ready, reportViewer,
            &SystemReportViewer::setReport);
    connect(ui->cmbFont, &QFontComboBox::currentFontChanged, reportViewer,
            &SystemReportViewer::setFont);

    std::string family;
    prefs->GetString(guiFontKey, family);
    if (!family.empty())
        ui->cmbFont->setCurrentFont(QFont(QString::fromUtf8(family), -1, -1, false));
}

void MainWindow::makeConnections()
{
    connect(ui->cmbProfile, &QComboBox::currentIndexChanged, this, &MainWindow::optionChanged);
    connect(ui->cmbProfile, &QComboBox::currentTextChanged, this,
            [this] { fitNameToolTip(ui->cmbProfile); });
    ui->cmbProfile->installEventFilter(this);
    connect(ui->cmbFont, &QFontComboBox::currentFontChanged, this, &MainWindow::fontChanged);
    connect(clientTabs, &QTabWidget::tabCloseRequested, this, &MainWindow::closeTab);
    connect(ui->actionNew_Profile, &QAction::triggered, this, &MainWindow::newProfile);
    // A request to end that came during the editor's own save closes the window once it ended;
    // a save run by a step (the close's included) leaves that to the step.
    connect(&profileEditor, &widgets::Profile::savesSettled, this, [this] {
        if (endRequested && !closingWindow && !settlingEdits)
            QMetaObject::invokeMethod(
                this, [this] { closeAsRequested(); }, Qt::QueuedConnection);
    });
}

void MainWindow::ensureListening()
{
    if (server->isListening())
        return;
    QLocalServer::removeServer(QString::fromLatin1(serverName));
    server->listen(QString::fromLatin1(serverName));
}

void MainWindow::showAbout(bool force)
{
    aboutBox.display(force);
}

void MainWindow::onAbout()
{
    aboutBox.display(true);
}

void MainWindow::onFeedback()
{
    FeedbackDialog dialog(QString::fromLatin1(versionText), QString(), prefs, this);
    dialog.exec(stats.get());
}

void MainWindow::onHelp()
{
    openDocumentation(this, prefs, "KolZendra User Manual.html", "../../Documentation/",
                      "Document");
}

void MainWindow::onPreferences()
{
    // The profiles are read again after the dialog, whatever its answer, which drops the edits.
    // Dropped now instead, so that a request to end while it is open does not ask about them.
    if (!settleUnsavedEdits())
        return;
    if (profileEditor.hasUnsavedEdits())
        updateProfileEditor();
    controller->showPreferences(this);
}

void MainWindow::newProfile()
{
    if (settleUnsavedEdits())
        profileEditor.newProfile();
}

QMessageBox::StandardButton MainWindow::askAboutUnsavedEdits()
{
    // A cell still being edited counts too. Its editor commits when it loses the focus, which a
    // menu or the window's close button never takes from it: commit it as the delegate would.
    for (QAbstractItemView* view : profileEditor.findChildren<QAbstractItemView*>()) {
        const QModelIndex index = view->currentIndex();
        QWidget* editor = view->indexWidget(index);
        if (editor)
            emit view->itemDelegateForIndex(index)->commitData(editor);
    }
    if (!profileEditor.hasUnsavedEdits())
        return QMessageBox::NoButton;
    if (endingAnyway)
        return QMessageBox::Discard;
    const QScopedValueRollback<bool> asking(askingAboutEdits, true);
    // The name comes from a file: shown as it is, never as markup.
    QMessageBox box(QMessageBox::Warning, tr("Unsaved changes"),
                    tr("The profile \"%1\" has changes that are not saved.")
                        .arg(ui->cmbProfile->itemText(shownIndex)),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(tr("Do you want to save them?"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    if (endingAnyway) // a second request to end took the question away
        return QMessageBox::Discard;
    return answer == QMessageBox::Save || answer == QMessageBox::Discard
               ? QMessageBox::StandardButton(answer)
               : QMessageBox::Cancel;
}

bool MainWindow::settleUnsavedEdits()
{
    const QScopedValueRollback<bool> settling(settlingEdits, true);
    const QMessageBox::StandardButton answer = askAboutUnsavedEdits();
    const bool settled =
        answer != QMessageBox::Cancel && (answer != QMessageBox::Save || profileEditor.saveEdits());
    return !endInstead(answer) && settled;
}

bool MainWindow::settleChosenProfile(int index)
{
    const QScopedValueRollback<bool> settling(settlingEdits, true);
    const auto chosen = itemProfile(ui->cmbProfile, index);
    const std::string wanted = chosen ? chosen->identifier() : std::string();
    const QMessageBox::StandardButton answer = askAboutUnsavedEdits();
    if (answer == QMessageBox::NoButton || (answer == QMessageBox::Discard && !endRequested))
        return true;

    // Back to the profile shown, quietly: it is still the current one, in the store too.
    {
        const QSignalBlocker blocker(ui->cmbProfile);
        ui->cmbProfile->setCurrentIndex(shownIndex);
    }
    const bool saved = answer == QMessageBox::Save && profileEditor.saveEdits();
    if (endInstead(answer) || !saved)
        return false;
    // The save has read the profiles again and chosen the saved one: now the user's choice.
    // An entry of the old lists is found again by its identifier; "Host" has none.
    selectProfile(chosen ? controller->findProfile(wanted) : nullptr);
    return false;
}

bool MainWindow::endInstead(QMessageBox::StandardButton answer)
{
    if (closingWindow || !endRequested || answer == QMessageBox::NoButton)
        return false;
    if (answer == QMessageBox::Discard)
        profileEditor.discardPressed();
    // Once the step's frames are gone; the close asks about edits that remain.
    QMetaObject::invokeMethod(
        this, [this] { closeAsRequested(); }, Qt::QueuedConnection);
    return true;
}

void MainWindow::selectProfile(std::weak_ptr<const ProfileDataWrapper> entry)
{
    const QScopedValueRollback<int> quiet(programSelecting, programSelecting + 1);
    const auto wanted = entry.lock();
    if (!wanted) {
        ui->cmbProfile->setCurrentIndex(0);
        return;
    }
    for (int i = 0; i < ui->cmbProfile->count(); ++i) {
        if (itemProfile(ui->cmbProfile, i) == wanted) {
            ui->cmbProfile->setCurrentIndex(i);
            return;
        }
    }
}

void MainWindow::refreshProfiles(const ProfileList& builtIns, const ProfileList& users,
                                 std::weak_ptr<const ProfileDataWrapper> current)
{
    const QScopedValueRollback<int> quiet(programSelecting, programSelecting + 1);
    fillProfileCombo(ui->cmbProfile, builtIns, users, current);
}

void MainWindow::optionChanged()
{
    const int index = ui->cmbProfile->currentIndex();
    if (programSelecting == 0 && index != shownIndex && !settleChosenProfile(index))
        return;
    controller->setCurrentProfile(index < 0 ? nullptr : itemProfile(ui->cmbProfile, index));
    updateProfileEditor();
    prefs->Save(false);
    shownIndex = ui->cmbProfile->currentIndex();
}

void MainWindow::updateProfileEditor()
{
    // -1: the selector is being refilled and holds nothing yet.
    if (ui->cmbProfile->currentIndex() <= 0) {
        profileEditor.clearProfile();
        return;
    }
    const auto entry = controller->currentProfile();
    if (!entry) {
        const QScopedValueRollback<int> quiet(programSelecting, programSelecting + 1);
        ui->cmbProfile->setCurrentIndex(0);
        profileEditor.clearProfile();
        return;
    }
    profileEditor.setProfile(entry);
}

void MainWindow::fontChanged(const QFont& font)
{
    prefs->SetString(guiFontKey, font.family().toUtf8().toStdString());
    prefs->Save(false);
}

void MainWindow::serverNewConnection()
{
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        auto* client = new Client(this, socket);
        connect(client, &Client::setPID, this, &MainWindow::setClientPID);
        connect(client, &Client::setName, this, &MainWindow::setClientName);
        if (ui->chkAutoClose->isChecked())
            dropFinishedPages();
        ClientInterface* page = clientTabs->addClient(client, ui->cmbFont->currentFont(), false);
        connect(client, &Client::clientMessage, page, &ClientInterface::receive);
        connect(client, &Client::systemReportMessage, reportReceiver,
                &SystemReportGUIReceiver::receive);
        connect(client, &Client::cleanDisconnect, this, &MainWindow::clientCleanDisconnect);
        connect(client, &Client::ickyDisconnect, this, &MainWindow::clientIckyDisconnect);
        connect(ui->cmbFont, &QFontComboBox::currentFontChanged, page,
                &ClientInterface::fontChanged);
        page->setConnected();
        clients.insert(client);
    }
}

ClientInterface* MainWindow::findClientPage(Client* client) const
{
    for (int i = 0; i < clientTabs->count(); ++i) {
        ClientInterface* page = clientTabs->page(i);
        if (page && page->client() == client)
            return page;
    }
    return nullptr;
}

void MainWindow::setClientPID(Client* client, PID_TYPE pid)
{
    if (ClientInterface* page = findClientPage(client)) {
        page->setPID(pid);
        retitleClientTab(clientTabs, page);
    }
}

void MainWindow::setClientName(Client* client, const QString& name)
{
    if (ClientInterface* page = findClientPage(client)) {
        page->setName(name);
        retitleClientTab(clientTabs, page);
    }
}

void MainWindow::clientCleanDisconnect(Client* client)
{
    finishClient(client, tr("Client disconnected"));
}

void MainWindow::clientIckyDisconnect(Client* client)
{
    finishClient(client, tr("Lost connection to client"));
}

void MainWindow::finishClient(Client* client, const QString& text)
{
    if (ClientInterface* page = findClientPage(client))
        page->finish(text);
    client->notifyServerStop();
    clients.erase(client);
    // The page keeps its console; it holds the client through a guarded pointer, so the client
    // and its socket can go. Deferred: the client's read loop is still on the stack.
    QLocalSocket* socket = client->socket();
    releaseLater(client);
    if (socket) {
        if (socket->state() == QLocalSocket::UnconnectedState) {
            releaseLater(socket);
        } else {
            // The stop frame leaves first; the socket goes once the connection has closed.
            connect(socket, &QLocalSocket::disconnected, this,
                    [this, socket] { releaseLater(socket); });
            socket->disconnectFromServer();
        }
    }
}

void MainWindow::closeTab(int index)
{
    ClientInterface* page = clientTabs->page(index);
    if (!page)
        return;
    clientTabs->removeTab(index);
    releaseLater(page);
    if (clientTabs->count() == 0)
        clientTabs->addPlaceholderTab(ui->cmbFont->currentFont());
}

void MainWindow::fatalError()
{
    QMessageBox box(QMessageBox::Critical, tr("Fatal error"),
                    tr("Failed to create a socket. Cannot listen for incoming connections."),
                    QMessageBox::NoButton);
    box.exec();
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // While the question is up, a further request to close is refused and the question stands
    // (a request to end from outside is handled by closeOnRequest).
    if (askingAboutEdits) {
        event->ignore();
        return;
    }
    const QScopedValueRollback<bool> closing(closingWindow, true);
    if (!settleUnsavedEdits() && !endingAnyway) {
        endRequested = false; // the user kept the edits: a later request to end asks again
        event->ignore();
        return;
    }
    // Applications that connected a moment ago (during the start, when the request came then)
    // are waiting in the listen queue: take them all in so that they hear the stop too, and take
    // no more. Each wait takes one, which newConnection hands to serverNewConnection.
    bool queueEmpty = false;
    for (int i = 0; i < server->listenBacklogSize() && !queueEmpty && server->isListening(); ++i)
        server->waitForNewConnection(0, &queueEmpty);
    server->close();
    // A stop frame may make an application answer at once, which can finish its client while
    // the others are still being stopped: walk a guarded copy of the set.
    std::vector<QPointer<Client>> stopping(clients.begin(), clients.end());
    for (const QPointer<Client>& client : stopping) {
        if (client)
            client->notifyServerStop();
    }
    // The process may end right after this: whatever the sockets could not take at once is
    // pushed out now.
    for (const QPointer<Client>& client : stopping) {
        if (client && client->socket() && client->socket()->bytesToWrite() > 0)
            client->socket()->waitForBytesWritten(1000);
    }
    event->accept();
}

void MainWindow::releaseClients()
{
    // Clients still connected, and finished ones whose deferred deletion never ran, are cut off
    // from the window before the server destroys their sockets: a socket closing in its
    // destructor must not reach a page or slot that is already gone.
    const auto all = findChildren<Client*>(QString(), Qt::FindDirectChildrenOnly);
    for (Client* client : all) {
        client->disconnect();
        if (client->socket())
            client->socket()->disconnect(client);
        delete client;
    }
    clients.clear();
}

void MainWindow::dropFinishedPages()
{
    // What "Auto-close tabs" asks for, done here rather than by the tab widget so that the
    // pages go through releaseLater.
    for (int i = 0; i < clientTabs->count();) {
        ClientInterface* page = clientTabs->page(i);
        if (page && page->state() == ClientInterface::Finished) {
            clientTabs->removeTab(i);
            releaseLater(page);
        } else {
            ++i;
        }
    }
}

void MainWindow::closeOnRequest()
{
    // Whoever asks twice to end means it: a user pressing Ctrl+C again, a session manager that
    // got no answer. Closing the window asks once already, so a request while the close's own
    // dialogs are open is the second one too.
    if (closingWindow || endRequested) {
        if (!endingAnyway)
            new DialogDismisser(this);
        endingAnyway = true;
        return;
    }
    endRequested = true;
    closeAsRequested();
}

void MainWindow::closeAsRequested()
{
    // A step still settling the edits (its question or its save is open) closes the window
    // itself once they are settled; the editor's own save says when it ended.
    if (settlingEdits || profileEditor.isSaving())
        return;
    // A window that was never shown does not end the event loop by closing: quit as well.
    if (close())
        QCoreApplication::quit();
}

bool MainWindow::insideNestedLoop() const
{
    return QApplication::activePopupWidget() || QApplication::activeModalWidget() ||
           QThread::currentThread()->loopLevel() > topLoopLevel;
}

void MainWindow::releaseLater(QObject* object)
{
    if (!insideNestedLoop()) {
        object->deleteLater();
        return;
    }
    // A deferred deletion requested inside a nested loop would run as soon as that loop turns
    // again, beneath the frames that opened it. Wait for the first event outside it instead.
    if (released.isEmpty())
        qApp->installEventFilter(this);
    released.append(object);
}

void MainWindow::sweepReleased()
{
    qApp->removeEventFilter(this);
    const auto objects = std::exchange(released, {});
    for (const QPointer<QObject>& object : objects) {
        if (object)
            object->deleteLater();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (ui && watched == ui->cmbProfile &&
        (event->type() == QEvent::Resize || event->type() == QEvent::ToolTip))
        fitNameToolTip(ui->cmbProfile);
    if (!released.isEmpty() && !insideNestedLoop())
        sweepReleased();
    return QMainWindow::eventFilter(watched, event);
}
