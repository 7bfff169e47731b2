// Stands in for "xdg-open" in tests. Writes to $KOLZ_FAKE_XDG_RECORD the descriptors it
// inherited (space-separated), then each argument, every item NUL-terminated. The record
// appears by rename, so a reader that sees it finds it complete. Then ends with the status in
// $KOLZ_FAKE_XDG_STATUS (0 when unset), as a desktop that cannot open the file would.
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>

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
    bytes.push_back('\0');
    for (int i = 1; i < argc; ++i)
        bytes += std::string(argv[i]) + '\0';

    const std::string part = std::string(record) + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (!file)
        return 1;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const char* status = std::getenv("KOLZ_FAKE_XDG_STATUS");
    const bool done = std::fclose(file) == 0 && written && std::rename(part.c_str(), record) == 0;
    return done ? std::atoi(status ? status : "0") : 1;
}
