#pragma once

#include "common_gui/AboutBoxDialog.h"
#include "common_gui/KolStats.h"
#include "models/ProfileDataWrapper.h"
#include "monitor/Message.h"
#include "widgets/Profile.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <memory>
#include <set>
#include <vector>

class Client;
class ClientInterface;
class ClientTabWidget;
class Controller;
class KolPreferences;
class QCloseEvent;
class QComboBox;
class QFont;
class QLocalServer;
class SystemReportGUIReceiver;
class SystemReportViewer;

namespace Ui {
class MainWindow;
}
using MainWindowForm = Ui::MainWindow;

using ProfileList = std::vector<std::shared_ptr<ProfileDataWrapper>>;

// The program's only top-level window: the profile selector, the console font, the profile
// editor, one tab per connected application and the host's system report. It owns the local
// server that applications connect to and stops every one of them when it closes.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The local socket name emulated applications connect to.
    static const char* const serverName;

    MainWindow(Controller* controller, KolPreferences* prefs, QWidget* parent = nullptr);
    ~MainWindow() override;

    void showAbout(bool force);
    void selectProfile(std::weak_ptr<const ProfileDataWrapper> entry);
    void refreshProfiles(const ProfileList& builtIns, const ProfileList& users,
                         std::weak_ptr<const ProfileDataWrapper> current);
    // Listens on the application socket if the constructor could not. Call only while holding
    // the single-instance lock: the name is then known to be stale and is removed first.
    void ensureListening();

    MainWindowForm* form() const { return ui; }
    ClientTabWidget* clientTabWidget() const { return clientTabs; }
    QLocalServer* clientServer() const { return server; }
    const std::set<Client*>& connectedClients() const { return clients; }
    SystemReportViewer* systemReportViewer() const { return reportViewer; }
    widgets::Profile* profileEditorWidget() { return &profileEditor; }
    AboutBoxDialog* aboutBoxDialog() { return &aboutBox; }
    ClientInterface* findClientPage(Client* client) const;
    // The event loop depth at which no dialog, menu or popup is open: 1 once the controller
    // runs the application's loop, 0 before (and in tests, which never start it).
    void setTopLoopLevel(int level) { topLoopLevel = level; }
    bool insideNestedLoop() const;
    // A request to end from outside (SIGINT, SIGTERM, SIGHUP): the close button's road. While
    // another step asks about unsaved edits or saves them, the close follows once they are
    // settled. A second request, or one while the close's own dialogs are open, drops the edits,
    // dismisses every dialog and ends through the close.
    void closeOnRequest();

public slots:
    void onAbout();
    void onFeedback();
    void onHelp();
    void onPreferences();
    void optionChanged();
    void clientCleanDisconnect(Client* client);
    void clientIckyDisconnect(Client* client);
    void setClientPID(Client* client, PID_TYPE pid);
    void setClientName(Client* client, const QString& name);
    void closeTab(int index);
    void fontChanged(const QFont& font);
    void fatalError();
    void serverNewConnection();
    void newProfile();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void initWidgets();
    void makeConnections();
    void updateProfileEditor();
    // Asks "Save", "Discard" or "Cancel" when the editor holds unsaved edits; NoButton when it
    // holds none.
    QMessageBox::StandardButton askAboutUnsavedEdits();
    // Whether a step that drops the editor's edits may go ahead: nothing unsaved, Discard, or
    // Save and the save succeeded.
    bool settleUnsavedEdits();
    // The same for a profile chosen in the selector; when it may not go ahead, the selector is
    // back on the profile shown.
    bool settleChosenProfile(int index);
    // Whether a request to end came while a step settled the edits: the step then stops (after
    // the answer's save or discard) and the close follows.
    bool endInstead(QMessageBox::StandardButton answer);
    void closeAsRequested();
    void finishClient(Client* client, const QString& text);
    void releaseClients();
    // Deletes a page, client or socket once no nested event loop is running: the page's popup or a
    // modal box may be the loop in question, with the page's own frames beneath it.
    void releaseLater(QObject* object);
    void sweepReleased();
    void dropFinishedPages();

    MainWindowForm* ui;
    Controller* controller;
    ClientTabWidget* clientTabs = nullptr;
    QLocalServer* server;
    KolPreferences* prefs;
    std::set<Client*> clients;
    widgets::Profile profileEditor;
    AboutBoxDialog aboutBox;
    SystemReportGUIReceiver* reportReceiver;
    std::shared_ptr<KolStats> stats;
    SystemReportViewer* reportViewer = nullptr;
    QList<QPointer<QObject>> released;
    int topLoopLevel = 0;
    // The selector's index of the profile the editor shows.
    int shownIndex = 0;
    // Above 0 while the program itself changes the selector: nobody is to be asked then.
    int programSelecting = 0;
    bool askingAboutEdits = false;
    // A step (the close included) is asking about the edits or saving them.
    bool settlingEdits = false;
    bool closingWindow = false;
    // A request to end came and the window is to close; cleared when the user keeps the edits.
    bool endRequested = false;
    // A second one came: the edits are dropped without asking, and the window closes.
    bool endingAnyway = false;
};

// Fills the selector with "Host", the user profiles and the built-in profiles, separated, and
// makes the entry matching current the current item.
void fillProfileCombo(QComboBox* combo, const ProfileList& builtIns, const ProfileList& users,
                      const std::weak_ptr<const ProfileDataWrapper>& current);
void addHostEntry(QComboBox* combo);
void addProfileItem(QComboBox* combo, const std::shared_ptr<ProfileDataWrapper>& entry,
                    const std::shared_ptr<const ProfileDataWrapper>& current);
ClientTabWidget* createClientTabs(QWidget* parent);
// "\"name\" PID: n", or "PID: n" without a name.
QString clientTabTitle(const QString& name, PID_TYPE pid);
void retitleClientTab(ClientTabWidget* tabs, ClientInterface* page);
