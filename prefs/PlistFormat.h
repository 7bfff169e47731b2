#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Value type ids of the property-list document; each is also the row of its element name in
// plistElementNames.
enum PlistType : std::int32_t
{
    PLIST_STRING = 0,
    PLIST_INTEGER = 1,
    PLIST_REAL = 2,
    PLIST_TRUE = 3,
    PLIST_FALSE = 4,
    PLIST_ARRAY = 5,
    PLIST_DICT = 6,
    PLIST_DATA = 7,
    PLIST_KEY = 8,
};

struct PlistElementName
{
    std::uint32_t hash;
    std::string name;
};

// 32-bit FNV-1 (multiply, then XOR). The empty or absent text hashes to 0 rather than to the
// offset basis, so an unnamed node never matches a real element name.
constexpr std::uint32_t fnv1Hash(std::string_view text)
{
    if (text.empty())
        return 0;
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash *= 16777619u;
        hash ^= static_cast<unsigned char>(c);
    }
    return hash;
}

inline std::uint32_t fnv1Hash(const char* text)
{
    return text ? fnv1Hash(std::string_view(text)) : 0;
}

extern const std::array<PlistElementName, 9> plistElementNames;

// The largest file read as a preference file. Real ones hold a few kilobytes; a larger file is
// loaded as one that does not parse, since parsing it could take seconds and gigabytes.
constexpr std::int64_t maxPreferenceFileSize = std::int64_t(2) << 20;

// What a preference file holds when the store creates it.
extern const char* const defaultPlistDocument;

inline const std::string& plistElementName(PlistType type)
{
    return plistElementNames[static_cast<std::size_t>(type)].name;
}
