#include "prefs/KolPreferencesImpl.h"

#include "prefs/PlistFormat.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr mode_t directoryMode = 0775;
// Symbolic links followed before a write gives up and replaces the last one found.
constexpr int maxLinkHops = 40;

// The per-user file holds the user's settings: nobody else needs to read it.
mode_t newFileMode(std::uint32_t scope)
{
    return scope == 0 ? 0600 : 0644;
}

std::string filePath(const std::string& directory, const std::string& name)
{
    return directory + "/com.heliark." + name + ".plist";
}

std::string systemError(int error)
{
    return std::strerror(error);
}

// Creates every missing level of the directory. Only the last level's failure counts: a parent
// that cannot be made shows up there anyway.
bool makeDirectories(const std::string& directory, std::string& error)
{
    for (std::size_t slash = directory.find('/', 1); slash != std::string::npos;
         slash = directory.find('/', slash + 1)) {
        ::mkdir(directory.substr(0, slash).c_str(), directoryMode);
    }
    if (::mkdir(directory.c_str(), directoryMode) != 0 && errno != EEXIST) {
        error = "Failed to create preference directory structure: " + systemError(errno);
        return false;
    }
    return true;
}

bool writeDefaultDocument(const std::string& path, mode_t mode, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    std::FILE* fp = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!fp) {
        const int cause = errno;
        if (fd >= 0)
            ::close(fd);
        error = "Failed to create preference file: " + systemError(cause);
        return false;
    }
    const std::size_t length = std::strlen(defaultPlistDocument);
    const bool written = std::fwrite(defaultPlistDocument, 1, length, fp) == length;
    const int writeErrno = errno;
    const bool closed = std::fclose(fp) == 0;
    if (!written || !closed) {
        const int cause = written ? errno : writeErrno;
        // A half-written file would load as an empty store forever; better to try again next time.
        std::remove(path.c_str());
        error = "Failed to create preference file: " + systemError(cause);
        return false;
    }
    return true;
}

// Opens an existing file for reading without waiting on it: a FIFO or a device at the path would
// otherwise block start-up (or feed it endless bytes). Only a regular file is handed back.
std::FILE* openRegularFile(const std::string& path, int& cause)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        cause = errno;
        return nullptr;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        cause = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* fp =
        flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ? nullptr : ::fdopen(fd, "rb");
    if (!fp) {
        cause = errno;
        ::close(fd);
    }
    return fp;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The file that a write replaces: the path itself, or the file that a symbolic link at the path
// leads to, also when that does not exist yet. The link stays and keeps pointing at it.
std::string replacedFile(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop < maxLinkHops; ++hop) {
        struct stat info
        {
        };
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length <= 0 || std::size_t(length) >= target.size())
            return current;
        target.resize(std::size_t(length));
        current = target.front() == '/' ? target : directoryOf(current) + "/" + target;
    }
    return current;
}

// Writes go to a new file of a name nobody could have prepared (a link planted at a fixed
// temporary name would redirect the write), beside the file it replaces so that the rename
// stays within one file system. It gets the old file's permissions before any byte is written.
std::FILE* createTemporaryFile(const std::string& target, std::uint32_t scope,
                               std::string& tempPath, int& cause)
{
    struct stat old
    {
    };
    const mode_t mode = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)
                            ? (old.st_mode & 07777)
                            : newFileMode(scope);
    tempPath = target + ".tmp.XXXXXX";
    const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
    if (fd < 0) {
        cause = errno;
        tempPath.clear();
        return nullptr;
    }
    std::FILE* fp = ::fchmod(fd, mode) == 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!fp) {
        cause = errno;
        ::close(fd);
        ::unlink(tempPath.c_str());
        tempPath.clear();
    }
    return fp;
}

// Makes a finished rename survive a power cut; a failure here changes nothing for the caller.
void syncDirectory(const std::string& directory)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

enum class Copy
{
    Done,
    NameTaken,
    Failed,
};

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

// Copies the file at from into a new file at to, for file systems without hard links.
Copy copyFile(const std::string& from, const std::string& to, int& cause)
{
    std::FILE* in = openRegularFile(from, cause);
    if (!in)
        return Copy::Failed;
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        cause = errno;
        std::fclose(in);
        return cause == EEXIST ? Copy::NameTaken : Copy::Failed;
    }
    char buffer[65536];
    bool copied = true;
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, in)) {
        if (!writeAll(fd, buffer, n)) {
            copied = false;
            break;
        }
    }
    if (copied && std::ferror(in)) {
        copied = false;
        errno = EIO;
    }
    if (copied && ::fsync(fd) != 0)
        copied = false;
    cause = errno;
    std::fclose(in);
    if (::close(fd) != 0 && copied) {
        copied = false;
        cause = errno;
    }
    if (!copied)
        ::unlink(to.c_str());
    return copied ? Copy::Done : Copy::Failed;
}

} // namespace

bool KeepFileAside(const std::string& path, std::string& kept, std::string& error)
{
    // Names beyond these are not tried: that many kept files mean something keeps breaking the
    // file, and the next one is refused rather than searched for.
    constexpr int maxKeptNames = 1000;
    int cause = EEXIST;
    for (int n = 0; n < maxKeptNames && cause == EEXIST; ++n) {
        kept = path + ".unreadable";
        if (n > 0)
            kept.append(".").append(std::to_string(n));
        // A second name for the same bytes costs nothing and cannot be half written.
        if (::link(path.c_str(), kept.c_str()) == 0)
            return true;
        cause = errno;
        if (cause == ENOENT) {
            kept.clear();
            return true;
        }
        if (cause != EEXIST) {
            const Copy copy = copyFile(path, kept, cause);
            if (copy == Copy::Done)
                return true;
            cause = copy == Copy::NameTaken ? EEXIST : cause;
        }
    }
    kept.clear();
    error = "Failed to keep the unreadable preference file: " + systemError(cause);
    return false;
}

bool GetHomeDirectory(std::string& out)
{
    if (const char* home = std::getenv("HOME")) {
        out = home;
    } else if (const passwd* entry = ::getpwuid(::getuid())) {
        out = entry->pw_dir ? entry->pw_dir : "";
    } else {
        return false;
    }
    return !out.empty();
}

bool KolPreferencesUnix::GetDirectory(std::string& out, std::uint32_t scope)
{
    std::string base;
    if (scope == 0) {
        if (!GetHomeDirectory(base))
            return false;
    } else {
        base = "/etc";
    }
    out = base + "/.kolconfig" + "/Tollerwaith Technologies";
    return true;
}

std::unique_ptr<KolPreferencesHandle> KolPreferencesUnix::Open(const std::string& name,
                                                               std::uint32_t mode,
                                                               std::uint32_t scope, bool atomic,
                                                               std::string& error)
{
    auto handle = std::make_unique<KolPreferencesHandle>();
    std::string directory;
    if (!GetDirectory(directory, scope)) {
        error = "Failed to retrieve $(HOME) variable.";
        return handle;
    }
    handle->path = filePath(directory, name);

    if (mode == WRITE) {
        int cause = 0;
        if (atomic) {
            handle->path = replacedFile(handle->path);
            handle->fp = createTemporaryFile(handle->path, scope, handle->tempPath, cause);
        } else {
            handle->fp = std::fopen(handle->path.c_str(), "wb");
            cause = errno;
        }
        if (!handle->fp)
            error = "Failed to open preference file: " + systemError(cause);
        return handle;
    }

    int cause = 0;
    handle->fp = openRegularFile(handle->path, cause);
    if (!handle->fp && cause == ENOENT) {
        // Only a file that is really missing gets the default document; an existing file we
        // cannot read is reported and left alone.
        if (!makeDirectories(directory, error) ||
            !writeDefaultDocument(handle->path, newFileMode(scope), error))
            return handle;
        handle->fp = openRegularFile(handle->path, cause);
    }
    if (!handle->fp)
        error = "Failed to open preference file: " + systemError(cause);
    return handle;
}

bool KolPreferencesUnix::Close(std::unique_ptr<KolPreferencesHandle> handle, bool commit)
{
    if (!handle || !handle->fp)
        return !commit;
    // The bytes must be on the disk before the rename is: otherwise a power cut can leave the
    // new name on an empty file.
    const bool synced = !commit || handle->tempPath.empty() ||
                        (std::fflush(handle->fp) == 0 && ::fsync(::fileno(handle->fp)) == 0);
    const bool closed = std::fclose(handle->fp) == 0;
    handle->fp = nullptr;
    if (handle->tempPath.empty())
        return closed;
    // rename replaces the old file atomically, so readers see either the old or the new file.
    if (commit && synced && closed &&
        std::rename(handle->tempPath.c_str(), handle->path.c_str()) == 0) {
        syncDirectory(directoryOf(handle->path));
        return true;
    }
    std::remove(handle->tempPath.c_str());
    return !commit && closed;
}

bool KolPreferencesUnix::GetStamp(const std::string& name, std::uint32_t scope,
                                  std::uint32_t& stamp)
{
    std::string directory;
    if (!GetDirectory(directory, scope))
        return false;
    struct stat info
    {
    };
    if (::stat(filePath(directory, name).c_str(), &info) != 0)
        return false;
    const auto seconds = static_cast<std::uint64_t>(static_cast<std::int64_t>(info.st_mtime));
    char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<char>((seconds >> (8 * i)) & 0xFF);
    stamp = fnv1Hash(std::string_view(bytes, sizeof bytes));
    return true;
}
