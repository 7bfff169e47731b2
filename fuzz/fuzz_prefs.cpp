// Loads arbitrary bytes as the preference file, then reads, writes and saves through the store.
#include "fuzz/FuzzScratch.h"
#include "prefs/KolPreferences.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

std::string g_file;

const char* const keys[] = {
    "a", "a/b", "/a/b/c/", "KolZendra 10.17.3/current_profile", "", "/", "a//", "x/y",
};

void exercise(KolPreferences& store, std::uint8_t selector)
{
    for (const char* key : keys) {
        std::string text;
        int number = 0;
        double real = 0;
        bool flag = false;
        store.GetString(key, text, "default");
        store.GetInt(key, number);
        store.GetReal(key, real, 1.5);
        store.GetBool(key, flag, true);
        std::vector<int> ints;
        std::vector<bool> bools;
        std::deque<std::string> strings;
        store.GetArray(key, &ints);
        store.GetArray(key, &bools);
        store.GetArray(key, strings);
        void* data = nullptr;
        std::uint32_t size = 0;
        if (store.GetData(key, data, size) == KolPreferences::SUCCESS)
            delete[] static_cast<char*>(data);
        store.Exists(key);
    }
    const char* key = keys[selector % std::size(keys)];
    switch (selector / std::size(keys) % 6) {
    case 0:
        store.SetString(key, "value <&>");
        break;
    case 1:
        store.SetInt(key, -42);
        break;
    case 2:
        store.SetBool(key, selector & 1);
        break;
    case 3:
        store.SetArray(key, std::vector<std::string>{"one", "", "three"});
        break;
    case 4:
        store.SetData(key, "\x00\x01\x02", 3);
        break;
    default:
        store.Remove(key);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string pattern = kolz::fuzz::scratchFolder("prefs");
    ::setenv("HOME", pattern.c_str(), 1);
    const std::string directory = pattern + "/.kolconfig";
    ::mkdir(directory.c_str(), 0775);
    ::mkdir((directory + "/Tollerwaith Technologies").c_str(), 0775);
    g_file = directory + "/Tollerwaith Technologies/com.heliark.Fuzz.plist";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::FILE* fp = std::fopen(g_file.c_str(), "wb");
    if (!fp)
        std::abort();
    std::fwrite(data + 1, 1, size - 1, fp);
    std::fclose(fp);

    KolPreferences store("Fuzz", 0);
    std::string error;
    const bool autoReload = data[0] & 0x80;
    if (!store.Load(error, autoReload))
        return 0;
    KolPreferences copy(store);
    exercise(copy, data[0]);
    if (!store.Save(data[0] & 0x40))
        std::abort(); // the file and its directory are ours: a save must succeed
    // Bytes that did not load are kept aside, whole, when the save replaced them.
    const std::string kept = g_file + ".unreadable";
    if (std::FILE* in = std::fopen(kept.c_str(), "rb")) {
        std::string bytes(size, '\0');
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
        std::fclose(in);
        std::remove(kept.c_str());
        if (bytes != std::string(reinterpret_cast<const char*>(data + 1), size - 1))
            std::abort();
    }
    if (!store.Load(error, autoReload))
        return 0;
    exercise(store, static_cast<std::uint8_t>(data[0] >> 1));
    return 0;
}
