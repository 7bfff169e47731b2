// Stands in for "xdg-open" in tests. Writes to $KOLZ_FAKE_XDG_RECORD the descriptors it
// inherited (space-separated), its blocked and ignored signals and the name of the process that
// started it, then each argument, every item NUL-terminated. The record appears by rename, so a
// reader that sees it finds it complete. Then, after $KOLZ_FAKE_XDG_SLEEP ms, ends with the
// status in $KOLZ_FAKE_XDG_STATUS (0 when unset), as a desktop that cannot open the file would.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    const char* record = std::getenv("KOLZ_FAKE_XDG_RECORD");
    if (!record)
        return 2;

    std::string bytes;
    if (DIR* dir = opendir("/proc/self/fd")) {
        const int own = dirfd(dir);
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != ".." && std::atoi(name.c_str()) != own)
                bytes += (bytes.empty() ? "" : " ") + name;
        }
        closedir(dir);
    }
    // The signals between 32 and SIGRTMIN are the C library's own: no program can set them, and
    // some starters (make) leave them ignored. They are left out.
    unsigned long long reserved = 0;
    for (int number = 32; number < SIGRTMIN; ++number)
        reserved |= 1ULL << (number - 1);
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("SigBlk:") || line.starts_with("SigIgn:")) {
            char mask[17];
            std::snprintf(mask, sizeof mask, "%016llx",
                          std::strtoull(line.c_str() + 7, nullptr, 16) & ~reserved);
            bytes += ' ' + line.substr(0, 8) + mask;
        }
    }
    std::string parent;
    std::getline(std::ifstream("/proc/" + std::to_string(getppid()) + "/comm"), parent);
    bytes += " parent:" + parent + '\0';
    for (int i = 1; i < argc; ++i)
        bytes += std::string(argv[i]) + '\0';

    const std::string part = std::string(record) + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (!file)
        return 1;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool done = std::fclose(file) == 0 && written && std::rename(part.c_str(), record) == 0;
    if (const char* sleep = std::getenv("KOLZ_FAKE_XDG_SLEEP"))
        usleep(useconds_t(std::atoi(sleep)) * 1000);
    const char* code = std::getenv("KOLZ_FAKE_XDG_STATUS");
    return done ? std::atoi(code ? code : "0") : 1;
}
