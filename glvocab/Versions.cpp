#include "glvocab/Versions.h"

#include <cstring>
#include <iterator>

namespace {

constexpr const char* esVersions[] = {"1.1", "2.0", "3.0", "3.1", "3.2"};
constexpr const char* glslESVersions[] = {"GLSL ES 1.0", "GLSL ES 3.0", "GLSL ES 3.1",
                                          "GLSL ES 3.2"};

struct GLSLVersion
{
    const char* name;
    const char* number;
    const char* dotted;
};

// 1.50 is followed by 3.30: there are no GLSL versions in between.
constexpr GLSLVersion glslVersions[] = {
    {"GLSL 1.10", "110", "1.10"}, {"GLSL 1.20", "120", "1.20"}, {"GLSL 1.30", "130", "1.30"},
    {"GLSL 1.40", "140", "1.40"}, {"GLSL 1.50", "150", "1.50"}, {"GLSL 3.30", "330", "3.30"},
    {"GLSL 4.00", "400", "4.00"}, {"GLSL 4.10", "410", "4.10"}, {"GLSL 4.20", "420", "4.20"},
    {"GLSL 4.30", "430", "4.30"}, {"GLSL 4.40", "440", "4.40"}, {"GLSL 4.50", "450", "4.50"},
    {"GLSL 4.60", "460", "4.60"}};

constexpr const char* glVersions[] = {"1.0", "1.1", "1.2", "1.3", "1.4", "1.5", "2.0",
                                      "2.1", "3.0", "3.1", "3.2", "3.3", "4.0", "4.1",
                                      "4.2", "4.3", "4.4", "4.5", "4.6"};

constexpr std::uint32_t count(const auto& table)
{
    return std::size(table);
}

} // namespace

const char* esVersionName(ESVersionID id) noexcept
{
    if (id == 0 || id > count(esVersions))
        return "<Failed to query OpenGL ES version>";
    return esVersions[id - 1];
}

const char* glslESVersionName(GLSLESVersionID id) noexcept
{
    if (id == 0 || id > count(glslESVersions))
        return "<Failed to query GLSL ES version>";
    return glslESVersions[id - 1];
}

const char* glslVersionName(GLSLVersionID id, bool numericOnly) noexcept
{
    if (id == 0 || id > count(glslVersions))
        return "<Failed to query GLSL version>";
    return numericOnly ? glslVersions[id - 1].number : glslVersions[id - 1].name;
}

const char* glVersionName(GLVersionID id) noexcept
{
    if (id == 0 || id > count(glVersions))
        return "unknown";
    return glVersions[id - 1];
}

GLSLVersionID glslVersionFromString(const char* text) noexcept
{
    if (!text)
        return 0;
    // strncmp stops at the first NUL, so a short text is never read past its end.
    for (std::uint32_t i = 0; i < count(glslVersions); ++i) {
        if (std::strncmp(text, glslVersions[i].dotted, 4) == 0)
            return i + 1;
    }
    return count(glslVersions) + 1;
}

GLVersionID glVersionFromString(const char* text) noexcept
{
    if (!text)
        return 0;
    constexpr GLVersionID unrecognised = count(glVersions) + 1;
    // The third character is read only once the second is known to be a point,
    // so an empty or one-character text ends the reading at its NUL.
    if (text[0] == '\0' || text[1] != '.')
        return unrecognised;
    for (std::uint32_t i = 0; i < count(glVersions); ++i) {
        if (glVersions[i][0] == text[0] && glVersions[i][2] == text[2])
            return i + 1;
    }
    return unrecognised;
}
