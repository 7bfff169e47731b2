#include "common_gui/OpenDocumentation.h"

#include "prefs/KolPreferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How long after its start a failing status of "xdg-open" still means that the file could not
// be opened. Later it is the end of a browser that xdg-open waited for and that showed the file
// long ago. The process that waits for the opener ends at the same time.
int statusWindowSeconds = 10;

// Run by the process that waits for the opener, a shell: the opener and the file are its
// arguments, never part of the script. The opener does not inherit the status pipe (descriptor
// 3), on which its exit status is written as text.
const char* const waiterScript = "\"$1\" \"$2\" 3>&-; echo $? >&3";
// The same for a process started with SIGALRM ignored: the shell needs it at its default for
// its alarm to end it, and the opener gets it ignored again.
const char* const waiterScriptAlarmIgnored = "(trap '' ALRM; exec \"$1\" \"$2\") 3>&-; echo $? >&3";

// What one openDocumentation call works with.
struct DocumentationRequest
{
    QWidget* parent;
    KolPreferences* store;
};

// How a hand-off to the desktop went.
struct HandOff
{
    enum Outcome
    {
        Started,
        NotStarted,
        CannotRun
    } outcome;
    int error = 0;            // why "xdg-open" could not be run
    int status = -1;          // once started: where how "xdg-open" ended will be written
    QElapsedTimer clock = {}; // since the start
    int windowSeconds = 0;    // statusWindowSeconds then
};

// Where execvp would find name: the first executable regular file among the PATH directories
// (an empty entry is the current directory). Empty when there is none, with error ENOENT, or
// EACCES when a candidate was there but could not be run.
std::string findOnPath(const std::string& name, int& error)
{
    const char* variable = std::getenv("PATH");
    const std::string path = variable ? variable : "/bin:/usr/bin";
    error = ENOENT;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find(':', start);
        const std::string directory = path.substr(start, end - start);
        const std::string candidate = (directory.empty() ? "." : directory) + '/' + name;
        struct stat info;
        if (::stat(candidate.c_str(), &info) == 0) {
            if (S_ISREG(info.st_mode) &&
                ::faccessat(AT_FDCWD, candidate.c_str(), X_OK, AT_EACCESS) == 0)
                return candidate;
            error = EACCES;
        } else if (errno == EACCES) {
            error = EACCES;
        }
        if (end == std::string::npos)
            return {};
        start = end + 1;
    }
}

// The signals the process was started ignoring: SIGHUP under nohup, SIGINT and SIGQUIT in a
// shell's background job. Read before anything can change them: from the executable's
// pre-initialisation array, which runs before any library is initialised and before main, so
// that every entry point that opens a file gets the same.
sigset_t ignoredAtStart;

void recordIgnoredAtStart(int, char**, char**)
{
    sigemptyset(&ignoredAtStart);
    for (int number = 1; number < NSIG; ++number) {
        struct sigaction found = {};
        if (::sigaction(number, nullptr, &found) == 0 && !(found.sa_flags & SA_SIGINFO) &&
            found.sa_handler == SIG_IGN)
            sigaddset(&ignoredAtStart, number);
    }
}

[[gnu::used, gnu::section(".preinit_array")]] void (*recordAtStart)(int, char**,
                                                                    char**) = recordIgnoredAtStart;

// The code below runs in forked children, where only async-signal-safe calls are allowed:
// everything they need was prepared before the fork.
void closeDescriptorsFrom(int first, int kept, long openMax)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    const unsigned from = static_cast<unsigned>(first);
    const unsigned keep = kept < first ? from : static_cast<unsigned>(kept);
    if ((keep > from && ::close_range(from, keep - 1, 0) != 0) ||
        ::close_range(kept < first ? from : keep + 1, ~0U, 0) != 0)
#endif
    {
        for (long fd = openMax - 1; fd >= first; --fd) {
            if (fd != kept)
                ::close(static_cast<int>(fd));
        }
    }
}

// The program's handlers would answer a signal meant for it as the program, on its descriptors:
// a forked process runs none of them. What the process was started ignoring stays ignored, as
// whoever started it meant (a hang-up of the terminal must not end the browser that Help opened
// under nohup); what the program or its libraries ignored since, for their own sake, is back at
// the default, and so is SIGCHLD, on which the opener's own waits depend.
void startingDispositions()
{
    for (int number = 1; number < NSIG; ++number) {
        struct sigaction action = {};
        action.sa_handler =
            number != SIGCHLD && sigismember(&ignoredAtStart, number) == 1 ? SIG_IGN : SIG_DFL;
        ::sigaction(number, &action, nullptr);
    }
}

// Becomes the process that waits for the opener: a shell, not a copy of the program, so that it
// holds none of the program's pages and does not bear its name; its alarm ends it once a
// failing status would no longer be heard. What keeps the shell from being run goes to report.
[[noreturn]] void runWaiter(char* const argv[], long openMax, int report, int status,
                            unsigned seconds)
{
    if (report == 3)
        report = ::fcntl(report, F_DUPFD_CLOEXEC, 4);
    if (status == 3)
        ::fcntl(status, F_SETFD, 0);
    else
        ::dup2(status, 3);
    closeDescriptorsFrom(4, report, openMax);
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    ::sigaction(SIGALRM, &byDefault, nullptr);
    ::alarm(seconds);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv("/bin/sh", argv);
    const int failed = errno;
    [[maybe_unused]] const ssize_t n = ::write(report, &failed, sizeof failed);
    ::_exit(127);
}

HandOff handToDesktop(const std::string& path)
{
    if (!QFile::exists(QString::fromStdString(path)))
        return {HandOff::NotStarted};

    // Looked up here, as the shell would, so that a missing opener is known at once.
    int error = 0;
    std::string opener = findOnPath("xdg-open", error);
    if (opener.empty())
        return {HandOff::CannotRun, error};
    // xdg-open would read a leading "-" as an option; such a path can only be relative.
    std::string argument = path.starts_with('-') ? "./" + path : path;
    std::string shell = "sh", command = "-c";
    std::string script =
        sigismember(&ignoredAtStart, SIGALRM) == 1 ? waiterScriptAlarmIgnored : waiterScript;
    char* const argv[] = {shell.data(),  command.data(),  script.data(), shell.data(),
                          opener.data(), argument.data(), nullptr};
    long openMax = ::sysconf(_SC_OPEN_MAX);
    if (openMax < 0)
        openMax = 1024;
    int report[2];
    int status[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return {HandOff::NotStarted};
    if (::pipe2(status, O_CLOEXEC) != 0) {
        ::close(report[0]);
        ::close(report[1]);
        return {HandOff::NotStarted};
    }

    HandOff running{HandOff::Started, 0, status[0]};
    running.windowSeconds = statusWindowSeconds;
    running.clock.start();
    // No signal reaches a forked process before its dispositions are those the process started
    // with: none of the program's handlers runs there.
    sigset_t all, before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &before);
    // Two forks: the intermediate child exits at once and is reaped here, so the process that
    // waits for the opener is adopted by init and never lingers as our zombie.
    const pid_t child = ::fork();
    if (child == 0) {
        startingDispositions();
        const pid_t grandchild = ::fork();
        if (grandchild == 0)
            runWaiter(argv, openMax, report[1], status[1], unsigned(running.windowSeconds));
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ::close(report[1]);
    ::close(status[1]);
    // Whether the intermediate child got as far as forking the one that waits for the opener.
    bool forked = child > 0;
    for (int childEnd = 0; forked;) {
        if (::waitpid(child, &childEnd, 0) == child) {
            forked = WIFEXITED(childEnd) && WEXITSTATUS(childEnd) == 0;
            break;
        }
        // With SIGCHLD ignored the system reaps the child itself; it did fork.
        if (errno == ECHILD)
            break;
        if (errno != EINTR)
            forked = false;
    }
    // The report ends once the shell's exec has closed the last copy of its write end.
    int failed = 0;
    ssize_t n = 0;
    while (forked && (n = ::read(report[0], &failed, sizeof failed)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (!forked || n == static_cast<ssize_t>(sizeof failed)) {
        ::close(status[0]);
        if (!forked)
            return {HandOff::NotStarted};
        return {HandOff::CannotRun, failed};
    }
    return running;
}

// The opener's exit status as the waiting shell wrote it, in decimal; -1 for anything else
// (nothing at all when the shell was ended first).
int writtenStatus(const QByteArray& text)
{
    const QByteArray digits = text.endsWith('\n') ? text.chopped(1) : text;
    if (digits.isEmpty() || digits.size() > 3)
        return -1;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
    }
    return digits.toInt();
}

// Hears how the opener ended without waiting for it: the event loop watches the status pipe,
// and onFailure gets a failing exit status that came within the window. An opener ended by a
// signal (a status above 128) was ended on purpose and is not reported. A watch still open when
// the application object goes is dropped with it; the process that reports then ends quietly,
// and the opener runs on.
void watchOpener(const HandOff& handOff, const std::function<void(int)>& onFailure)
{
    const int status = handOff.status;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) {
        ::close(status);
        return;
    }
    ::fcntl(status, F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(status, QSocketNotifier::Read, application);
    QObject::connect(notifier, &QObject::destroyed, [status] { ::close(status); });
    const qint64 window = qint64(handOff.windowSeconds) * 1000;
    const auto heard = [notifier, status, onFailure, clock = handOff.clock, window,
                        text = std::make_shared<QByteArray>()] {
        char bytes[8];
        const ssize_t n = ::read(status, bytes, sizeof bytes);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        // More than a status's few digits is not one: the watch ends.
        if (n > 0 && text->size() + n <= qsizetype(sizeof bytes)) {
            text->append(bytes, n);
            return;
        }
        notifier->setEnabled(false);
        notifier->deleteLater();
        // Held here: what onFailure shows runs an event loop, and the watch may go meanwhile.
        const std::function<void(int)> report = onFailure;
        const int ended = n == 0 ? writtenStatus(*text) : -1;
        if (ended > 0 && ended <= 128 && !clock.hasExpired(window))
            report(ended);
    };
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, heard);
}

std::string absoluteUtf8(const QString& path)
{
    return QFileInfo(path).absoluteFilePath().toStdString();
}

// The file is there, but the desktop could not be asked to open it, or could not open it: the
// user may still open it by hand, so the box names it.
void tellCannotOpen(QWidget* parent, const std::string& path, const QString& why)
{
    const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    QMessageBox box(QMessageBox::Warning, QObject::tr("Cannot Open Documentation"),
                    why + QStringLiteral("\n\n") + file, QMessageBox::Ok, parent);
    // A path is shown as it is, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QObject::tr("Open the file with a program of your choice."));
    box.exec();
}

void tellCannotRun(const DocumentationRequest& request, const std::string& path, int error)
{
    tellCannotOpen(request.parent, path,
                   QObject::tr("The file could not be handed to the desktop: \"xdg-open\" "
                               "could not be run (%1).")
                       .arg(qt_error_string(error)));
}

// Once the opener started on path has ended in failure: undo runs first, then the box says so,
// unless the window it belongs to has closed meanwhile (the program is ending).
void tellWhenOpenerFails(const DocumentationRequest& request, const HandOff& handOff,
                         const std::string& path, const std::function<void()>& undo = {})
{
    const QPointer<QWidget> parent = request.parent;
    const bool owned = request.parent != nullptr;
    watchOpener(handOff, [parent, owned, path, undo](int status) {
        if (undo)
            undo();
        if (owned && (!parent || !parent->isVisible()))
            return;
        // What "xdg-open" means by the statuses of a desktop that has no program for the file,
        // or whose program failed.
        QString meaning;
        if (status == 3)
            meaning = QObject::tr(" (no program was found to open it)");
        else if (status == 4)
            meaning = QObject::tr(" (the program chosen to open it failed)");
        tellCannotOpen(parent, path,
                       QObject::tr("The desktop could not open the file: \"xdg-open\" ended "
                                   "with status %1%2.")
                           .arg(status)
                           .arg(meaning));
    });
}

// Offers path to the desktop; true when that ends the search: the hand-off started, or the file
// is there but could not be handed off, which the user has been told.
bool offer(const DocumentationRequest& request, const std::string& path)
{
    const HandOff handOff = handToDesktop(path);
    if (handOff.outcome == HandOff::CannotRun)
        tellCannotRun(request, path, handOff.error);
    if (handOff.outcome == HandOff::Started)
        tellWhenOpenerFails(request, handOff, path);
    return handOff.outcome != HandOff::NotStarted;
}

bool offerFromStore(const DocumentationRequest& request, const std::string& key)
{
    std::string remembered;
    request.store->GetString(key, remembered);
    return !remembered.empty() && offer(request, remembered);
}

} // namespace

bool openWithDesktop(const std::string& path)
{
    const HandOff handOff = handToDesktop(path);
    if (handOff.outcome != HandOff::Started)
        return false;
    // Nobody to tell: the process that would report how the opener ended is let go.
    ::close(handOff.status);
    return true;
}

void openDocumentation(QWidget* parent, KolPreferences* store, const std::string& fileName,
                       const std::string& directory, const std::string& documentKey)
{
    const DocumentationRequest request{parent, store};
    const std::string key = "OpenDocs/" + documentKey;
    if (offerFromStore(request, key) || offer(request, fileName))
        return;
    const QString qDirectory = QString::fromStdString(directory);
    const QString qFileName = QString::fromStdString(fileName);
    if (offer(request, absoluteUtf8(QDir(qDirectory).filePath(qFileName))))
        return;

    const QString text = QObject::tr("Please locate the file: ") + qFileName + QStringLiteral("\n");
    QString title = QObject::tr("Documentation File Not Found");
    QMessageBox::StandardButton answer = QMessageBox::warning(
        request.parent, title, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    while (answer == QMessageBox::Ok) {
        const QString chosen = QFileDialog::getOpenFileName(
            request.parent, QObject::tr("Open Source File"), qDirectory,
            QObject::tr("HTML document (*.html);;Portable Document Format (*.pdf)"));
        if (chosen.isEmpty())
            return;
        const std::string path = absoluteUtf8(chosen);
        const HandOff handOff = handToDesktop(path);
        if (handOff.outcome == HandOff::Started) {
            std::string before;
            const bool stored = request.store->GetString(key, before) == KolPreferences::SUCCESS;
            request.store->SetString(key, path);
            request.store->Save(false);
            // A file the desktop then fails to open is not remembered either, unless another
            // choice has been remembered since. The copy shares the store and outlives the call.
            tellWhenOpenerFails(request, handOff, path,
                                [store = *request.store, key, path, before, stored]() mutable {
                                    std::string now;
                                    store.GetString(key, now);
                                    if (now != path)
                                        return;
                                    if (stored)
                                        store.SetString(key, before);
                                    else
                                        store.Remove(key);
                                    store.Save(false);
                                });
            return;
        }
        // Another file would fare no better: the box says why, and nothing is remembered.
        if (handOff.outcome == HandOff::CannotRun) {
            tellCannotRun(request, path, handOff.error);
            return;
        }
        title = QObject::tr("File Open Failed");
        answer = QMessageBox::warning(request.parent, title, text,
                                      QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    }
}

void setOpenerStatusWindow(int seconds)
{
    statusWindowSeconds = std::max(seconds, 1);
}

bool listDirectory(std::string& out, const std::string& directory, const std::string& nameFilter)
{
    const QStringList entries =
        QDir(QString::fromStdString(directory))
            .entryList(QStringList{QString::fromStdString(nameFilter)},
                       QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    if (entries.isEmpty())
        return false;
    out = entries.first().toStdString();
    return true;
}
