// Stands in for "xdg-open" in tests: records its arguments and the descriptors it inherited.
// The record goes to $KOLZ_FAKE_XDG_RECORD + ".fds" and ".args"; ".args" appears last (by
// rename), so a reader that sees it finds both complete.
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>

namespace {

bool writeFile(const std::string& path, const std::string& bytes)
{
    const std::string part = path + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written && std::rename(part.c_str(), path.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const char* record = std::getenv("KOLZ_FAKE_XDG_RECORD");
    if (!record)
        return 2;

    std::string fds;
    if (DIR* dir = opendir("/proc/self/fd")) {
        const int own = dirfd(dir);
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || std::atoi(name.c_str()) == own)
                continue;
            fds += name + "\n";
        }
        closedir(dir);
    }

    std::string args;
    for (int i = 1; i < argc; ++i) {
        args += argv[i];
        args.push_back('\0');
    }
    const std::string base = record;
    return writeFile(base + ".fds", fds) && writeFile(base + ".args", args) ? 0 : 1;
}
