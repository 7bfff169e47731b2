#pragma once

#include "prefs/KolPreferences.h"
#include "support/TestEnvironment.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <future>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utime.h>

// Paths and raw file access for tests that look at the preference file from outside the store.
namespace prefs_test {

inline QString preferenceDirectory()
{
    return qEnvironmentVariable("HOME") + QStringLiteral("/.kolconfig/Tollerwaith Technologies");
}

inline QString preferenceFile(const QString& storeName)
{
    return preferenceDirectory() + QStringLiteral("/com.heliark.") + storeName +
           QStringLiteral(".plist");
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

// Writes the file as another process would and gives it an explicit modification time, so that
// a change is seen without waiting for the clock to move on.
inline bool writeFile(const QString& path, const QByteArray& content, std::time_t mtime = 0)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size())
        return false;
    file.close();
    if (mtime == 0)
        return true;
    const utimbuf times{mtime, mtime};
    return ::utime(QFile::encodeName(path).constData(), &times) == 0;
}

inline std::time_t modificationTime(const QString& path)
{
    return QFileInfo(path).lastModified().toSecsSinceEpoch();
}

inline bool setModificationTime(const QString& path, std::time_t mtime)
{
    const utimbuf times{mtime, mtime};
    return ::utime(QFile::encodeName(path).constData(), &times) == 0;
}

inline unsigned permissions(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Runs read on a thread and tells whether it returned on its own. When it has not after a long
// while it is stuck opening the FIFO at fifo: a writer that opens and closes the FIFO releases it.
template <typename Read> bool returnsWithoutAWriter(const QString& fifo, Read read)
{
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread reader([&] {
        read();
        done.set_value();
    });
    const bool onItsOwn = finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!onItsOwn) {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
        if (fd >= 0)
            ::close(fd);
    }
    reader.join();
    return onItsOwn;
}

inline QByteArray plist(const QByteArray& dictionaryBody)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" +
           dictionaryBody + "\n</dict>\n</plist>\n";
}

// A per-user store of the given name, loaded (a failed load is reported by the test's checks).
inline KolPreferences loadedStore(const QString& storeName, bool autoReload = true)
{
    KolPreferences store(storeName.toStdString(), 0);
    std::string error;
    if (!store.Load(error, autoReload))
        qWarning("load failed: %s", error.c_str());
    return store;
}

// A store loaded from a file whose root dictionary holds the given body.
inline KolPreferences storeWith(const QString& storeName, const QByteArray& body)
{
    writeFile(preferenceFile(storeName), plist(body));
    return loadedStore(storeName);
}

// Starts every test from a home without any preference directory.
inline void resetHome()
{
    const QString home = kolz::test::environment().home();
    qputenv("HOME", QFile::encodeName(home));
    QDir(home + QStringLiteral("/.kolconfig")).removeRecursively();
}

} // namespace prefs_test
