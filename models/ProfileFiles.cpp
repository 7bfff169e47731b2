#include "models/ProfileFiles.h"

#include "prefs/XmlShape.h"

#include <QRandomGenerator>

#include <tinyxml2.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <utility>

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, reporting what close reports (a delayed write error shows here).
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

// Reads up to limit + 1 bytes, so that a file that grew past its checked size is still caught.
bool readAll(int fd, std::string& bytes, std::size_t expected, std::size_t limit)
{
    bytes.resize(std::min(limit, expected) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > limit)
                break;
            bytes.resize(std::min(limit + 1, used * 2));
        }
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        used += std::size_t(n);
    }
    bytes.resize(used);
    return used <= limit;
}

bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO; // nothing taken and no reason given
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A name short enough for any file name beside it (names may use all of NAME_MAX), hidden so
// that one left behind by a crash is never listed as a profile.
int createTemporary(const std::string& directory, std::string& path)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = directory + "/.kolz-";
        for (int i = 0; i < 8; ++i)
            path += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

bool isReadableProfileText(std::string_view bytes)
{
    return std::int64_t(bytes.size()) <= maxProfileFileSize && XmlShapeWithinBounds(bytes);
}

bool loadXmlFile(tinyxml2::XMLDocument& document, const std::string& path)
{
    // Opened without waiting, and read only when it is a regular file: a FIFO without a writer
    // would block forever, and a directory or device reports sizes that mean nothing.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info
    {
    };
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > maxProfileFileSize)
        return false;
    try {
        std::string bytes;
        if (!readAll(fd.get(), bytes, std::size_t(info.st_size), std::size_t(maxProfileFileSize)))
            return false;
        // Parsing an element crowded with attributes takes time that grows with their square, and
        // a parse that stops early drops the rest of the file.
        if (!isReadableProfileText(bytes))
            return false;
        return document.Parse(bytes.data(), bytes.size()) == tinyxml2::XML_SUCCESS;
    } catch (const std::bad_alloc&) {
        // Too big for the memory left: as unreadable as a file that cannot be opened, and
        // nothing of it stays in the document.
        document.Clear();
        return false;
    }
}

FileWrite replaceFile(const std::string& path, const std::string& bytes, int* error)
{
    // Read at once: the cleanup after a failure may change errno.
    const auto refused = [error](FileWrite outcome) {
        if (error)
            *error = errno;
        return outcome;
    };
    // Written, the profile would vanish from the selector at the next start.
    if (!isReadableProfileText(bytes))
        return FileWrite::Unreadable;

    std::string target = path;
    // Only a link to a regular file is followed: the profile was listed through it. Any other
    // link is replaced itself, so nothing is written wherever it leads.
    struct stat entry
    {
    };
    struct stat linked
    {
    };
    if (::lstat(path.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode) &&
        ::stat(path.c_str(), &linked) == 0 && S_ISREG(linked.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }

    struct stat old
    {
    };
    // A replaced file keeps its permissions; a new one gets the usual ones (umask applied).
    const bool replacing = ::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    // Renaming over a file needs only the folder's permission, so a file that its user may not
    // write (made read-only on purpose, another user's) is refused here as opening it to write
    // would refuse it: by the effective ids, which are what open checks.
    if (replacing && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return refused(FileWrite::CouldNotOpen);

    std::string temporary;
    Descriptor fd(createTemporary(directoryOf(target), temporary));
    if (fd.get() < 0)
        return refused(FileWrite::CouldNotOpen);

    // The first call that fails ends the chain, so errno is still its own afterwards.
    const bool written = (!replacing || ::fchmod(fd.get(), old.st_mode & 07777) == 0) &&
                         writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0 && fd.close() &&
                         ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!written) {
        const FileWrite failed = refused(FileWrite::Failed);
        ::unlink(temporary.c_str());
        return failed;
    }
    return FileWrite::Written;
}
