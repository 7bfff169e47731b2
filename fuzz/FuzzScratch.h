#pragma once

// Scratch files of a fuzz target. A target run by hand must leave nothing behind: its folders go
// under TMPDIR and, like files it names here, are removed when the process ends normally
// (libFuzzer ends with exit() after -max_total_time or -runs). After a crash, fuzz/run.sh removes
// the private TMPDIR it gave the target.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace kolz::fuzz {

namespace detail {
inline std::vector<std::string>& doomed()
{
    static std::vector<std::string>* paths = [] {
        std::atexit([] {
            for (const std::string& path : doomed()) {
                std::error_code ignored;
                std::filesystem::remove_all(path, ignored);
            }
        });
        return new std::vector<std::string>;
    }();
    return *paths;
}
} // namespace detail

// Removes the file or folder at `path` when the process exits.
inline void removeAtExit(const std::string& path)
{
    detail::doomed().push_back(path);
}

// A fresh folder TMPDIR/kolz-fuzz-<name>-XXXXXX (/tmp without TMPDIR), removed at exit.
inline std::string scratchFolder(const std::string& name)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/kolz-fuzz-" + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror(pattern.c_str());
        std::abort();
    }
    removeAtExit(pattern);
    return pattern;
}

} // namespace kolz::fuzz
