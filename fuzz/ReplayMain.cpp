// Runs a fuzz target over the files and folders named on its command line, without libFuzzer,
// so that the test suite replays every target's starting inputs under the sanitizers with any
// compiler, in a private HOME and TMPDIR like every other test. An empty input always runs
// first; a path that holds no input is an error, because a moved corpus would otherwise pass
// silently.

#include "support/TestEnvironment.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> inputsUnder(const std::filesystem::path& path)
{
    std::vector<std::filesystem::path> inputs;
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
            if (entry.is_regular_file(error))
                inputs.push_back(entry.path());
        }
        std::sort(inputs.begin(), inputs.end());
    } else if (std::filesystem::is_regular_file(path, error)) {
        inputs.push_back(path);
    }
    return inputs;
}

bool readFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char** argv)
{
    const kolz::test::IsolatedEnvironment environment;
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    // Like libFuzzer, an empty input still comes with a valid pointer.
    static const std::uint8_t nothing = 0;
    LLVMFuzzerTestOneInput(&nothing, 0);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::vector<std::filesystem::path> inputs = inputsUnder(argv[i]);
        if (inputs.empty()) {
            std::fprintf(stderr, "%s: no inputs\n", argv[i]);
            return 1;
        }
        for (const auto& input : inputs) {
            std::vector<std::uint8_t> bytes;
            if (!readFile(input, bytes)) {
                std::fprintf(stderr, "%s: cannot read\n", input.c_str());
                return 1;
            }
            LLVMFuzzerTestOneInput(bytes.empty() ? &nothing : bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return 0;
}
