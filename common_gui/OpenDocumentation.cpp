#include "common_gui/OpenDocumentation.h"

#include "prefs/KolPreferences.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What one openDocumentation call works with.
struct DocumentationRequest
{
    QWidget* parent;
    KolPreferences* store;
};

// Runs in the forked child, where only async-signal-safe calls are allowed: everything it needs
// was prepared before the fork.
[[noreturn]] void closeDescriptorsAndExec(char* const argv[], long openMax)
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    if (::close_range(3, ~0U, 0) != 0)
#endif
    {
        for (long fd = openMax - 1; fd >= 3; --fd)
            ::close(static_cast<int>(fd));
    }
    // No shell: the path arrives as one argument whatever characters it holds.
    ::execvp(argv[0], argv);
    ::_exit(127);
}

std::string absoluteUtf8(const QString& path)
{
    return QFileInfo(path).absoluteFilePath().toStdString();
}

bool openWithDesktopFromStore(const DocumentationRequest& request, const std::string& key)
{
    std::string remembered;
    request.store->GetString(key, remembered);
    return !remembered.empty() && openWithDesktop(remembered);
}

} // namespace

bool openWithDesktop(const std::string& path)
{
    if (!QFile::exists(QString::fromStdString(path)))
        return false;

    std::string program = "xdg-open";
    // xdg-open would read a leading "-" as an option; such a path can only be relative.
    std::string argument = path.starts_with('-') ? "./" + path : path;
    char* const argv[] = {program.data(), argument.data(), nullptr};
    long openMax = ::sysconf(_SC_OPEN_MAX);
    if (openMax < 0)
        openMax = 1024;

    // Two forks: the intermediate child exits at once and is reaped here, so the program that
    // opens the file is adopted by init and never lingers as our zombie.
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const pid_t grandchild = ::fork();
        if (grandchild < 0)
            ::_exit(1);
        if (grandchild == 0)
            closeDescriptorsAndExec(argv, openMax);
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        // With SIGCHLD ignored the system reaps the child itself; it did start.
        if (errno == ECHILD)
            return true;
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void openDocumentation(QWidget* parent, KolPreferences* store, const std::string& fileName,
                       const std::string& directory, const std::string& documentKey)
{
    const DocumentationRequest request{parent, store};
    const std::string key = "OpenDocs/" + documentKey;
    if (openWithDesktopFromStore(request, key))
        return;
    if (openWithDesktop(fileName))
        return;
    const QString qDirectory = QString::fromStdString(directory);
    const QString qFileName = QString::fromStdString(fileName);
    if (openWithDesktop(absoluteUtf8(QDir(qDirectory).filePath(qFileName))))
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
        if (openWithDesktop(path)) {
            request.store->SetString(key, path);
            request.store->Save(false);
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
