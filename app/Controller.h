#pragma once

#include "app/MainWindow.h"
#include "models/ProfileDataWrapper.h"
#include "prefs/KolPreferences.h"
#include "widgets/ProfileServices.h"

#include <QApplication>
#include <QFileInfoList>

#include <memory>
#include <string>
#include <vector>

class QLocalServer;
class QSocketNotifier;
class TerminationSignals;

// The application object: owns the preference store, the main window and the profile lists,
// makes sure one instance runs per user, and offers the profile services that the main window
// and the profile editor call.
class Controller : public QApplication, public widgets::ProfileServices
{
public:
    // The single-instance lock's local socket name.
    static const char* const lockName;

    // Throws std::runtime_error when the preference file cannot be loaded or another instance
    // already runs.
    Controller(int& argc, char** argv);
    ~Controller() override;

    int run();

    std::string profilesDirectory() const override;
    std::shared_ptr<ProfileDataWrapper> findProfile(const std::string& identifier) const;
    std::shared_ptr<ProfileDataWrapper> currentProfile();
    void setCurrentProfile(std::weak_ptr<const ProfileDataWrapper> entry);
    void selectProfile(const std::string& identifier) override;
    void reloadUserProfiles() override;
    std::shared_ptr<ProfileDataWrapper> copyProfile(const ProfileDataWrapper& source) override;
    bool saveReadOnlyProfile(const ProfileDataWrapper& source,
                             std::shared_ptr<ProfileDataWrapper>& copy) override;
    std::shared_ptr<ProfileDataWrapper> newProfile() override;
    void showPreferences(MainWindow* parent);

    MainWindow& window() { return mainWindow; }
    KolPreferences* preferences() const { return prefs.get(); }
    const ProfileList& builtIns() const { return builtInProfiles; }
    const ProfileList& userList() const { return userProfiles; }

private:
    // Whether this process now holds the lock.
    bool lockSingleInstance();
    void watchTerminationSignals();
    void terminationRequested();

    // First: SIGINT, SIGTERM and SIGHUP are caught from before the window listens.
    std::unique_ptr<TerminationSignals> terminationSignals;
    std::unique_ptr<KolPreferences> prefs;
    MainWindow mainWindow;
    ProfileList builtInProfiles;
    ProfileList userProfiles;
    QLocalServer* lock = nullptr;
    QSocketNotifier* signalNotifier = nullptr;
};

// Whether SIGINT, SIGTERM or SIGHUP came during a start that then failed.
bool terminationRequestedDuringStart();

// The program's store, loaded; throws std::runtime_error with the store's reason on failure.
std::unique_ptr<KolPreferences> loadPreferences();
ProfileList loadBuiltInProfiles();
ProfileList loadUserProfiles(KolPreferences* store);
QFileInfoList listProfileFiles(KolPreferences* store);
std::string copyFileName(const ProfileDataWrapper& source);
// The one-line document that New Profile starts from.
extern const char* const newProfileTemplate;
