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
#include <atomic>
#include <csignal>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

const char* const Controller::lockName = "KolZendraGUI";

const char* const newProfileTemplate =
    "\t\t\t<profile>\t\t\t\t<vendor>Unknown vendor</vendor>\t\t\t\t<renderer>Unknown "
    "renderer</renderer>\t\t\t\t<device>New profile</device>\t\t\t</profile>\t\t";

namespace {

// SIGTERM, SIGINT and SIGHUP only write a byte here; the GUI thread reads it through a socket
// notifier and closes the window as a user would, outside the signal handler. Made once and never
// closed: a handler already running on another thread when the signals are set aside may still
// write to the number it read, which must never be another file's by then.
int signalPipe[2] = {-1, -1};

// The process that put the handler in. A process forked from it (the desktop's URL opener forks
// too) runs the handler until it execs or resets it: its signals are no requests to the program.
pid_t handlingProcess = 0;

bool requestedDuringFailedStart = false;

const int requestSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onTerminationSignal(int number)
{
    const int saved = errno;
    if (::getpid() == handlingProcess) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    } else {
        // As if there were no handler: the forked process ends by the signal.
        struct sigaction byDefault = {};
        byDefault.sa_handler = SIG_DFL;
        ::sigaction(number, &byDefault, nullptr);
        ::raise(number);
    }
    errno = saved;
}

// SIGHUP as the process found it. Started with it ignored (nohup), the program is meant to
// outlive its terminal and keeps ignoring it. Read once: the program ignores it itself once it
// ends, which does not make a later start in the same process one under nohup.
bool hangUpIgnoredAtStart()
{
    static const bool ignored = [] {
        struct sigaction found = {};
        ::sigaction(SIGHUP, nullptr, &found);
        return found.sa_handler == SIG_IGN;
    }();
    return ignored;
}

void sortByDisplayName(ProfileList& list)
{
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a->data()->displayName() < b->data()->displayName();
    });
}

} // namespace

// Catches the requests to end from before the window listens: one during the start waits in the
// socket until the event loop runs, and then closes the window as any other.
class TerminationSignals
{
public:
    TerminationSignals();
    // A start that failed: main's box finds the signals as the program found them.
    ~TerminationSignals() { end(false); }
    // Ending: a further request must not cut short the teardown and the last save; it is ignored
    // until the process exits.
    void end(bool ending);

private:
    struct sigaction before[3] = {};
    bool installed = false;
};

TerminationSignals::TerminationSignals()
{
    if (signalPipe[0] < 0) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
            signalPipe[0] = signalPipe[1] = -1;
            return;
        }
        ::fcntl(signalPipe[0], F_SETFL, O_NONBLOCK);
        ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    }
    // A later start in the same process: what came for the one before is no request to it.
    char stale[64];
    while (::read(signalPipe[0], stale, sizeof stale) > 0) {
    }
    handlingProcess = ::getpid();
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        ::sigaction(requestSignals[i], nullptr, &before[i]);
        if (requestSignals[i] != SIGHUP || !hangUpIgnoredAtStart())
            ::sigaction(requestSignals[i], &action, nullptr);
    }
    installed = true;
}

void TerminationSignals::end(bool ending)
{
    if (!std::exchange(installed, false))
        return;
    struct sigaction ignored = {};
    ignored.sa_handler = SIG_IGN;
    for (int i = 0; i < 3; ++i)
        ::sigaction(requestSignals[i], ending ? &ignored : &before[i], nullptr);
    // The pair stays open until the process exits (see signalPipe).
    char byte;
    requestedDuringFailedStart = !ending && ::read(signalPipe[0], &byte, 1) == 1;
}

bool terminationRequestedDuringStart()
{
    return requestedDuringFailedStart;
}

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
    // A file is read through its canonical path, but named as listed: a link's target may be
    // outside the directory or be another profile's file, and saving must write where the
    // user's entry is, never over that other file.
    std::vector<std::string> paths;
    std::vector<std::string> names;
    for (const QFileInfo& info : listProfileFiles(store)) {
        paths.push_back(info.canonicalFilePath().toUtf8().toStdString());
        names.push_back(info.fileName().toUtf8().toStdString());
    }

    // Reading and parsing are most of the start-up with many profiles. The files are
    // independent, so a few workers share them; each result keeps its file's place, and the
    // workers are done before anything else sees the list.
    std::vector<std::shared_ptr<ProfileDataWrapper>> loaded(paths.size());
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto work = [&] {
        for (std::size_t i; (i = next++) < paths.size();) {
            try {
                auto entry = std::make_shared<ProfileDataWrapper>(
                    ProfileDataWrapper::fromFile(paths[i], true));
                entry->editableData()->setFileName(names[i]);
                (void)entry->data()->displayName(); // sorting needs a name
                loaded[i] = std::move(entry);
            } catch (const std::runtime_error&) {
                // Not a profile, unreadable, or without any name: skipped.
            } catch (...) {
                const std::lock_guard<std::mutex> guard(failureLock);
                if (!failure)
                    failure = std::current_exception();
            }
        }
    };
    const unsigned workers =
        paths.size() < 64 ? 1u : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::thread> helpers;
    for (unsigned w = 1; w < workers; ++w)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);

    ProfileList list;
    for (auto& entry : loaded) {
        if (entry)
            list.push_back(std::move(entry));
    }
    sortByDisplayName(list);
    return list;
}

std::string copyFileName(const ProfileDataWrapper& source)
{
    return source.data()->displayName() + " (copy).xml";
}

Controller::Controller(int& argc, char** argv)
    : QApplication(argc, argv), terminationSignals(std::make_unique<TerminationSignals>()),
      prefs(loadPreferences()), mainWindow(this, prefs.get())
{
    builtInProfiles = loadBuiltInProfiles();
    userProfiles = loadUserProfiles(prefs.get());
    initKolZendraResources();
    // Only while holding the lock is it sure that no other instance owns the application
    // socket, so that a name left behind by one that crashed can be cleared. Without the lock
    // the name may be a running instance's: it keeps it.
    if (lockSingleInstance())
        mainWindow.ensureListening();
    mainWindow.refreshProfiles(builtInProfiles, userProfiles, currentProfile());
    watchTerminationSignals();
    // A session that ends may not let the program reach its destructor.
    connect(this, &QGuiApplication::commitDataRequest, this, [this] { prefs->Save(false); });
}

Controller::~Controller()
{
    delete signalNotifier;
    terminationSignals->end(true);
    userProfiles.clear();
    builtInProfiles.clear();
    // A value that something stored without saving the store yet is not lost by ending: the
    // window's close, File > Exit and SIGINT, SIGTERM or SIGHUP all come through here.
    prefs->Save(false);
}

bool Controller::lockSingleInstance()
{
    lock = new QLocalServer(this);
    // Every connection to the lock is a probe by another start: it is taken and dropped at once.
    // Left in the listen queue, probes would fill it, and a later one would time out instead of
    // finding this instance.
    connect(lock, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* probe = lock->nextPendingConnection())
            delete probe;
    });
    {
        QLocalSocket probe;
        probe.connectToServer(QString::fromLatin1(lockName), QIODevice::ReadWrite);
        if (probe.waitForConnected(500))
            throw std::runtime_error(std::string(lockName) + " is already running");
        // Refused: a socket file without a listener, left by an instance that crashed.
        if (probe.error() == QLocalSocket::ConnectionRefusedError)
            QLocalServer::removeServer(QString::fromLatin1(lockName));
    }
    return lock->listen(QString::fromLatin1(lockName));
}

void Controller::watchTerminationSignals()
{
    // The requests that came during the start are heard too, once the event loop runs.
    if (signalPipe[0] < 0)
        return;
    signalNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(signalNotifier, &QSocketNotifier::activated, this, [this] { terminationRequested(); });
}

void Controller::terminationRequested()
{
    // One signal at a time: a second one, even if it came before the first was read, asks
    // again (the notifier fires once more while the first one's question is up).
    char byte;
    if (::read(signalPipe[0], &byte, 1) != 1)
        return;
    // The same road as the window's close button: every application gets its stop frame.
    mainWindow.closeOnRequest();
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
