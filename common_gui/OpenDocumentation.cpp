#include "common_gui/OpenDocumentation.h"

#include "prefs/KolPreferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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
    int error = 0;   // why "xdg-open" could not be run
    int status = -1; // once started: where how "xdg-open" ended will be written
};

// What the process that starts "xdg-open" writes to the pipe that a successful exec closes.
struct ExecReport
{
    int forked; // 0: the process that runs "xdg-open" could not be forked
    int error;
};

// The code below runs in forked children, where only async-signal-safe calls are allowed:
// everything they need was prepared before the fork.
void closeDescriptorsExcept(int kept, long openMax)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    const unsigned keep = static_cast<unsigned>(kept);
    if ((keep > 3 && ::close_range(3, keep - 1, 0) != 0) ||
        ::close_range(keep < 3 ? 3 : keep + 1, ~0U, 0) != 0)
#endif
    {
        for (long fd = openMax - 1; fd >= 3; --fd) {
            if (fd != kept)
                ::close(static_cast<int>(fd));
        }
    }
}

[[noreturn]] void closeDescriptorsAndExec(char* const argv[], long openMax, int report)
{
    closeDescriptorsExcept(report, openMax);
    // No shell: the path arrives as one argument whatever characters it holds.
    ::execvp(argv[0], argv);
    const ExecReport failed{1, errno};
    [[maybe_unused]] const ssize_t n = ::write(report, &failed, sizeof failed);
    ::_exit(127);
}

// Starts "xdg-open" as its own child, waits for it and writes its wait status to status. The
// program's child that forked this process has exited, so it is init's to reap, and the
// program itself never waits for the opener.
[[noreturn]] void runOpenerAndReport(char* const argv[], long openMax, int report, int status)
{
    // The program's signal handlers would act on its descriptors, closed here: this process
    // ends on a signal as any other would. Ignored, SIGCHLD would let the system reap the
    // opener before its status is read.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int number = 1; number < NSIG; ++number) {
        struct sigaction was = {};
        if (::sigaction(number, nullptr, &was) == 0 &&
            (was.sa_handler != SIG_IGN || number == SIGCHLD))
            ::sigaction(number, &action, nullptr);
    }
    const pid_t opener = ::fork();
    if (opener == 0)
        closeDescriptorsAndExec(argv, openMax, report);
    if (opener < 0) {
        const ExecReport failed{0, errno};
        [[maybe_unused]] const ssize_t n = ::write(report, &failed, sizeof failed);
        ::_exit(1);
    }
    closeDescriptorsExcept(status, openMax);
    // A program that has ended no longer reads the status: the write fails, quietly.
    action.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &action, nullptr);
    int ended = 0;
    while (::waitpid(opener, &ended, 0) < 0) {
        if (errno != EINTR)
            ::_exit(1);
    }
    [[maybe_unused]] const ssize_t n = ::write(status, &ended, sizeof ended);
    ::_exit(0);
}

HandOff handToDesktop(const std::string& path)
{
    if (!QFile::exists(QString::fromStdString(path)))
        return {HandOff::NotStarted};

    std::string program = "xdg-open";
    // xdg-open would read a leading "-" as an option; such a path can only be relative.
    std::string argument = path.starts_with('-') ? "./" + path : path;
    char* const argv[] = {program.data(), argument.data(), nullptr};
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

    // Two forks: the intermediate child exits at once and is reaped here, so the process that
    // runs the opener is adopted by init and never lingers as our zombie.
    const pid_t child = ::fork();
    if (child == 0) {
        const pid_t grandchild = ::fork();
        if (grandchild < 0)
            ::_exit(1);
        if (grandchild == 0)
            runOpenerAndReport(argv, openMax, report[1], status[1]);
        ::_exit(0);
    }
    ::close(report[1]);
    ::close(status[1]);
    // Whether the intermediate child got as far as forking the one that runs the opener.
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
    // The report ends once the opener's exec has closed the last copy of its write end.
    ExecReport got{};
    ssize_t n = 0;
    while (forked && (n = ::read(report[0], &got, sizeof got)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    const bool reported = n == static_cast<ssize_t>(sizeof got);
    if (!forked || reported) {
        ::close(status[0]);
        if (!forked || !got.forked)
            return {HandOff::NotStarted};
        return {HandOff::CannotRun, got.error};
    }
    return {HandOff::Started, 0, status[0]};
}

// Hears how the opener ended without waiting for it: the event loop watches the status pipe,
// and onFailure gets a failing exit status. An opener ended by a signal was ended on purpose
// and is not reported. A watch still open when the application object goes is dropped with it;
// the process that reports then ends quietly, and the opener runs on.
void watchOpener(int status, const std::function<void(int)>& onFailure)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) {
        ::close(status);
        return;
    }
    ::fcntl(status, F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(status, QSocketNotifier::Read, application);
    QObject::connect(notifier, &QObject::destroyed, [status] { ::close(status); });
    const auto heard = [notifier, status, onFailure] {
        int ended = 0;
        const ssize_t n = ::read(status, &ended, sizeof ended);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        notifier->setEnabled(false);
        notifier->deleteLater();
        // Held here: what onFailure shows runs an event loop, and the watch may go meanwhile.
        const std::function<void(int)> report = onFailure;
        if (n == static_cast<ssize_t>(sizeof ended) && WIFEXITED(ended) && WEXITSTATUS(ended) != 0)
            report(WEXITSTATUS(ended));
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
    watchOpener(handOff.status, [parent, owned, path, undo](int status) {
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
