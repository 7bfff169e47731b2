#include "common_gui/OpenDocumentation.h"

#include "prefs/KolPreferences.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <cerrno>
#include <fcntl.h>
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
    int error = 0; // why "xdg-open" could not be run
};

// Runs in the forked child, where only async-signal-safe calls are allowed: everything it needs
// was prepared before the fork. report stays open, closed by a successful exec; a failed one
// writes its errno there first.
[[noreturn]] void closeDescriptorsAndExec(char* const argv[], long openMax, int report)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    const unsigned kept = static_cast<unsigned>(report);
    if ((kept > 3 && ::close_range(3, kept - 1, 0) != 0) ||
        ::close_range(kept < 3 ? 3 : kept + 1, ~0U, 0) != 0)
#endif
    {
        for (long fd = openMax - 1; fd >= 3; --fd) {
            if (fd != report)
                ::close(static_cast<int>(fd));
        }
    }
    // No shell: the path arrives as one argument whatever characters it holds.
    ::execvp(argv[0], argv);
    const int error = errno;
    [[maybe_unused]] const ssize_t n = ::write(report, &error, sizeof error);
    ::_exit(127);
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
    if (::pipe2(report, O_CLOEXEC) != 0)
        return {HandOff::NotStarted};

    // Two forks: the intermediate child exits at once and is reaped here, so the program that
    // opens the file is adopted by init and never lingers as our zombie.
    const pid_t child = ::fork();
    if (child == 0) {
        const pid_t grandchild = ::fork();
        if (grandchild < 0)
            ::_exit(1);
        if (grandchild == 0)
            closeDescriptorsAndExec(argv, openMax, report[1]);
        ::_exit(0);
    }
    ::close(report[1]);
    // Whether the intermediate child got as far as forking the one that runs the opener.
    bool forked = child > 0;
    for (int status = 0; forked;) {
        if (::waitpid(child, &status, 0) == child) {
            forked = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            break;
        }
        // With SIGCHLD ignored the system reaps the child itself; it did fork.
        if (errno == ECHILD)
            break;
        if (errno != EINTR)
            forked = false;
    }
    // Once the intermediate child is gone, only the grandchild holds the pipe open: the read
    // ends with its exec.
    int error = 0;
    ssize_t n = 0;
    while (forked && (n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (!forked)
        return {HandOff::NotStarted};
    if (n == static_cast<ssize_t>(sizeof error))
        return {HandOff::CannotRun, error};
    return {HandOff::Started};
}

std::string absoluteUtf8(const QString& path)
{
    return QFileInfo(path).absoluteFilePath().toStdString();
}

// The file is there, but the desktop could not be asked to open it: the user may still open it
// by hand, so the box names it.
void tellCannotRun(const DocumentationRequest& request, const std::string& path, int error)
{
    const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    QMessageBox box(QMessageBox::Warning, QObject::tr("Cannot Open Documentation"),
                    QObject::tr("The file could not be handed to the desktop: \"xdg-open\" "
                                "could not be run (%1).\n\n%2")
                        .arg(qt_error_string(error), file),
                    QMessageBox::Ok, request.parent);
    // A path is shown as it is, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QObject::tr("Open the file with a program of your choice."));
    box.exec();
}

// Offers path to the desktop; true when that ends the search: the hand-off started, or the file
// is there but could not be handed off, which the user has been told.
bool offer(const DocumentationRequest& request, const std::string& path)
{
    const HandOff handOff = handToDesktop(path);
    if (handOff.outcome == HandOff::CannotRun)
        tellCannotRun(request, path, handOff.error);
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
    return handToDesktop(path).outcome == HandOff::Started;
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
            request.store->SetString(key, path);
            request.store->Save(false);
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
