#include "prefs/KolPreferencesImpl.h"

#include "prefs/PlistFormat.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr mode_t directoryMode = 0775;

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

bool writeDefaultDocument(const std::string& path, std::string& error)
{
    std::FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) {
        error = "Failed to create preference file: " + systemError(errno);
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

} // namespace

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
        std::string target = handle->path;
        if (atomic) {
            handle->tempPath = handle->path + ".tmp";
            target = handle->tempPath;
        }
        handle->fp = std::fopen(target.c_str(), "wb");
        if (!handle->fp) {
            error = "Failed to open preference file: " + systemError(errno);
            handle->tempPath.clear(); // nothing was created that needs cleaning up
        }
        return handle;
    }

    handle->fp = std::fopen(handle->path.c_str(), "rb");
    if (!handle->fp && errno == ENOENT) {
        // Only a file that is really missing gets the default document; an existing file we
        // cannot read is reported and left alone.
        if (!makeDirectories(directory, error) || !writeDefaultDocument(handle->path, error))
            return handle;
        handle->fp = std::fopen(handle->path.c_str(), "rb");
    }
    if (!handle->fp) {
        error = "Failed to open preference file: " + systemError(errno);
        return handle;
    }
    struct stat info
    {
    };
    if (::fstat(::fileno(handle->fp), &info) != 0 || !S_ISREG(info.st_mode)) {
        const int cause = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        std::fclose(handle->fp);
        handle->fp = nullptr;
        error = "Failed to open preference file: " + systemError(cause);
    }
    return handle;
}

bool KolPreferencesUnix::Close(std::unique_ptr<KolPreferencesHandle> handle, bool commit)
{
    if (!handle || !handle->fp)
        return !commit;
    const bool closed = std::fclose(handle->fp) == 0;
    handle->fp = nullptr;
    if (handle->tempPath.empty())
        return closed;
    // rename replaces the old file atomically, so readers see either the old or the new file.
    if (commit && closed && std::rename(handle->tempPath.c_str(), handle->path.c_str()) == 0)
        return true;
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
