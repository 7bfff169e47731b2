#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// One open preference file. A write handle points at the temporary file beside the real one;
// path always names the real file (for a write, the file a symbolic link at the preference
// path leads to).
struct KolPreferencesHandle
{
    std::FILE* fp = nullptr;
    std::string path;
    std::string tempPath; // empty unless this handle writes through a temporary file
};

// The only code that touches the file system on behalf of a store.
class KolPreferencesImpl
{
public:
    enum Mode : std::uint32_t
    {
        READ = 0,
        WRITE = 1,
    };

    virtual bool GetDirectory(std::string& out, std::uint32_t scope) = 0;
    // Always returns a handle; its fp is null on failure, with the reason in error.
    virtual std::unique_ptr<KolPreferencesHandle> Open(const std::string& name, std::uint32_t mode,
                                                       std::uint32_t scope, bool atomic,
                                                       std::string& error) = 0;
    // Closes the file. With commit, the temporary file replaces the real one. A write that is
    // not committed, or whose close or rename fails, leaves no temporary file behind. Returns
    // false when closing or committing failed.
    virtual bool Close(std::unique_ptr<KolPreferencesHandle> handle, bool commit) = 0;
    virtual bool GetStamp(const std::string& name, std::uint32_t scope, std::uint32_t& stamp) = 0;
    virtual ~KolPreferencesImpl() = default;
};

class KolPreferencesUnix : public KolPreferencesImpl
{
public:
    bool GetDirectory(std::string& out, std::uint32_t scope) override;
    std::unique_ptr<KolPreferencesHandle> Open(const std::string& name, std::uint32_t mode,
                                               std::uint32_t scope, bool atomic,
                                               std::string& error) override;
    bool Close(std::unique_ptr<KolPreferencesHandle> handle, bool commit) override;
    bool GetStamp(const std::string& name, std::uint32_t scope, std::uint32_t& stamp) override;
};

// "HOME", else the password database entry of the current user; false when neither gives one.
bool GetHomeDirectory(std::string& out);

// Keeps the bytes of the file at path under a name of its own beside it: the path followed by
// ".unreadable", or by ".unreadable.1", ".unreadable.2" and so on when that is taken; an earlier
// file is never overwritten. Sets kept to the name used, or to the empty text when nothing is at
// the path. False, with the reason in error, when the bytes could not be kept.
bool KeepFileAside(const std::string& path, std::string& kept, std::string& error);
