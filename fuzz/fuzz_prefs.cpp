// Loads arbitrary bytes as the preference file, then reads, writes and saves through the store.
#include "fuzz/FuzzScratch.h"
#include "prefs/KolPreferences.h"
#include "prefs/PlistFormat.h"
#include "prefs/XmlShape.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <tinyxml2.h>
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
        // Markup that would end a CDATA section that the value is written into.
        store.SetString(key, "value <&> ]]></string><key>k</key><string><![CDATA[");
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

// The file's bytes; nothing when there is no such file.
std::optional<std::string> bytesOf(const std::string& path)
{
    struct stat info
    {
    };
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return std::nullopt;
    std::string bytes(::fstat(::fileno(in), &info) == 0 ? std::size_t(info.st_size) : 0, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
    std::fclose(in);
    return bytes;
}

// Saves, checks what the save left and loads the file again into the store. The file and its
// directory are ours: a save must succeed, unless what it would write is larger than a preference
// file may be, which only a large file grows to (indentation grows a file at most some 45 times);
// the file is then left as it was. The store holds what Load accepted and setters keep it so, so
// no save is refused for anything else. What a save writes parses whole within the bounds, and
// loads. False when the save was refused.
bool saveChecked(KolPreferences& store, bool force, const std::string& before, bool autoReload)
{
    if (!store.Save(force)) {
        if (before.size() < std::size_t(maxPreferenceFileSize / 64) || bytesOf(g_file) != before)
            std::abort();
        return false;
    }
    // Bytes that did not load are kept aside, whole, when the save replaced them.
    const std::string kept = g_file + ".unreadable";
    if (const std::optional<std::string> bytes = bytesOf(kept)) {
        std::remove(kept.c_str());
        if (*bytes != before)
            std::abort();
    }
    const std::optional<std::string> after = bytesOf(g_file);
    if (!after)
        std::abort();
    // An unforced save of a store without changes writes nothing: the file may hold anything.
    if (force || *after != before) {
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        if (std::int64_t(after->size()) > maxPreferenceFileSize || !XmlShapeWithinBounds(*after) ||
            document.Parse(after->data(), after->size()) != tinyxml2::XML_SUCCESS)
            std::abort();
    }
    std::string error;
    if (!store.Load(error, autoReload))
        std::abort();
    return true;
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
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    if (!saveChecked(store, data[0] & 0x40, input, autoReload))
        return 0;
    // Again on the document read back from what the store wrote.
    const std::optional<std::string> saved = bytesOf(g_file);
    if (!saved)
        std::abort();
    exercise(store, static_cast<std::uint8_t>(data[0] >> 1));
    saveChecked(store, data[0] & 0x20, *saved, autoReload);
    return 0;
}
