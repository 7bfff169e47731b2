#include "app/Controller.h"

#include "app/DlgPreferences.h"
#include "dialogs/SaveReadOnlyProfile.h"
#include "models/BuiltinProfiles.h"
#include "prefs/ProgramSettings.h"
#include "resources/KolZendraResources.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <stdexcept>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

const char* const Controller::lockName = "KolZendraGUI";

const char* const newProfileTemplate =
    "\t\t\t<profile>\t\t\t\t<vendor>Unknown vendor</vendor>\t\t\t\t<renderer>Unknown "
    "renderer</renderer>\t\t\t\t<device>New profile</device>\t\t\t</profile>\t\t";

namespace {

// SIGTERM and SIGINT only write a byte here; the GUI thread reads it through a socket notifier
// and closes the window as a user would, outside the signal handler.
int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    const char byte = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void sortByDisplayName(ProfileList& list)
{
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a->data()->displayName() < b->data()->displayName();
    });
}

} // namespace

std::unique_ptr<KolPreferences> loadPreferences()
{
    auto store = std::make_unique<KolPreferences>("KolZendra", 0);
    std::string error;
    if (!store->Load(error, true))
        throw std::runtime_error(error);
    return store;
}

ProfileList loadBuiltInProfiles()
{
    ProfileList list;
    for (const std::string& text : builtinProfiles) {
        try {
            auto entry =
                std::make_shared<ProfileDataWrapper>(ProfileDataWrapper::fromXml(text, false));
            (void)entry->data()->displayName(); // a profile without any name cannot be listed
            list.push_back(std::move(entry));
        } catch (const std::runtime_error&) {
        }
    }
    sortByDisplayName(list);
    return list;
}

QFileInfoList listProfileFiles(KolPreferences* store)
{
    return QDir(profilesDirectory(store)).entryInfoList(QDir::Files, QDir::Name);
}

ProfileList loadUserProfiles(KolPreferences* store)
{
    ProfileList list;
    for (const QFileInfo& info : listProfileFiles(store)) {
        try {
            list.push_back(std::make_shared<ProfileDataWrapper>(ProfileDataWrapper::fromFile(
                info.canonicalFilePath().toUtf8().toStdString(), true)));
        } catch (const std::runtime_error&) {
        }
    }
    // Sorting asks every entry for its name; one without any is dropped rather than thrown.
    std::erase_if(list, [](const auto& entry) {
        try {
            (void)entry->data()->displayName();
            return false;
        } catch (const std::runtime_error&) {
            return true;
        }
    });
    sortByDisplayName(list);
    return list;
}

std::string copyFileName(const ProfileDataWrapper& source)
{
    return source.data()->displayName() + " (copy).xml";
}

Controller::Controller(int& argc, char** argv)
    : QApplication(argc, argv), prefs(loadPreferences()), mainWindow(this, prefs.get())
{
    builtInProfiles = loadBuiltInProfiles();
    userProfiles = loadUserProfiles(prefs.get());
    initKolZendraResources();
    lockSingleInstance();
    // Only now is it sure that no other instance owns the application socket: a name left
    // behind by one that crashed can be cleared.
    mainWindow.ensureListening();
    mainWindow.refreshProfiles(builtInProfiles, userProfiles, currentProfile());
    watchTerminationSignals();
}

Controller::~Controller()
{
    if (signalNotifier) {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
        delete signalNotifier;
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
    userProfiles.clear();
    builtInProfiles.clear();
}

void Controller::lockSingleInstance()
{
    lock = new QLocalServer(this);
    {
        QLocalSocket probe;
        probe.connectToServer(QString::fromLatin1(lockName), QIODevice::ReadWrite);
        if (probe.waitForConnected(500))
            throw std::runtime_error(std::string(lockName) + " is already running");
        // Refused: a socket file without a listener, left by an instance that crashed.
        if (probe.error() == QLocalSocket::ConnectionRefusedError)
            QLocalServer::removeServer(QString::fromLatin1(lockName));
    }
    lock->listen(QString::fromLatin1(lockName));
}

void Controller::watchTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    signalNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(signalNotifier, &QSocketNotifier::activated, this, [this] { terminationRequested(); });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void Controller::terminationRequested()
{
    char bytes[16];
    [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], bytes, sizeof bytes);
    // The same road as the window's close button: every application gets its stop frame. A
    // window that was never shown does not end the event loop by closing, so quit as well.
    if (mainWindow.close())
        quit();
}

int Controller::run()
{
    mainWindow.setTopLoopLevel(1);
    mainWindow.show();
    mainWindow.showAbout(false);
    return exec();
}

std::string Controller::profilesDirectory() const
{
    return ::profilesDirectory(prefs.get()).toUtf8().toStdString();
}

std::shared_ptr<ProfileDataWrapper> Controller::findProfile(const std::string& identifier) const
{
    for (const ProfileList* list : {&builtInProfiles, &userProfiles}) {
        for (const auto& entry : *list) {
            if (entry->identifier() == identifier)
                return entry;
        }
    }
    return {};
}

std::shared_ptr<ProfileDataWrapper> Controller::currentProfile()
{
    const QString identifier = preferenceString(prefs.get(), currentProfileKey, "");
    if (identifier.isEmpty())
        return {};
    return findProfile(identifier.toUtf8().toStdString());
}

void Controller::setCurrentProfile(std::weak_ptr<const ProfileDataWrapper> entry)
{
    const auto locked = entry.lock();
    setPreferenceString(prefs.get(), currentProfileKey,
                        locked ? QString::fromStdString(locked->identifier()) : QString());
}

void Controller::selectProfile(const std::string& identifier)
{
    mainWindow.selectProfile(findProfile(identifier));
}

void Controller::reloadUserProfiles()
{
    userProfiles = loadUserProfiles(prefs.get());
    mainWindow.refreshProfiles(builtInProfiles, userProfiles, currentProfile());
}

std::shared_ptr<ProfileDataWrapper> Controller::copyProfile(const ProfileDataWrapper& source)
{
    auto copy = std::make_shared<ProfileDataWrapper>(source);
    copy->editableData()->setFileName(copyFileName(source));
    userProfiles.push_back(copy);
    return copy;
}

bool Controller::saveReadOnlyProfile(const ProfileDataWrapper& source,
                                     std::shared_ptr<ProfileDataWrapper>& copy)
{
    dialogs::SaveReadOnlyProfile dialog(&mainWindow);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    copy = copyProfile(source);
    return true;
}

std::shared_ptr<ProfileDataWrapper> Controller::newProfile()
{
    auto entry =
        std::make_shared<ProfileDataWrapper>(ProfileDataWrapper::fromXml(newProfileTemplate, true));
    userProfiles.push_back(entry);
    return entry;
}

void Controller::showPreferences(MainWindow* parent)
{
    {
        DlgPreferences dialog(prefs.get(), parent);
        dialog.exec();
    }
    reloadUserProfiles();
}
