#include "glvocab/Extensions.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "glvocab/generated/VocabularyTables.h"

using glvocab_tables::NameId;

namespace {

constexpr const char* unknownExtension = "<unknown extension>";

// The OpenGL ES ids fall in groups by the versions whose lists hold them:
// 1-49 every version, 50-69 1.1 only, 70-103 from 2.0, 104-115 from 3.0,
// 116-133 from 3.1. The numbering is shared with the emulation layer.
constexpr unsigned commonExtensions = 49;
constexpr unsigned es1Extensions = 69;
constexpr unsigned firstES2Extension = 70;
constexpr unsigned lastES2Extension = 103;
constexpr unsigned lastES3Extension = 115;
constexpr unsigned lastES31Extension = 133;
static_assert(lastES31Extension == glvocab_tables::kESExtensionCount);

// Id at a 1-based position of a list made of the common ids followed by the
// ids from firstAfterCommon to lastId. The unsigned subtraction makes every
// position below 1 (INT_MIN included) a huge index without signed overflow.
ESExtensionID listPosition(int position, unsigned firstAfterCommon, unsigned lastId)
{
    const unsigned index = static_cast<unsigned>(position) - 1u;
    const unsigned length = commonExtensions + (lastId - firstAfterCommon + 1);
    if (index >= length)
        return 0;
    return index < commonExtensions ? index + 1 : firstAfterCommon + (index - commonExtensions);
}

template <std::size_t N> std::uint32_t findForm(const NameId (&forms)[N], const char* name)
{
    if (!name)
        return 0;
    const std::string_view text(name);
    const NameId* entry =
        std::lower_bound(std::begin(forms), std::end(forms), text,
                         [](const NameId& e, std::string_view n) { return e.name < n; });
    return entry != std::end(forms) && entry->name == text ? entry->id : 0;
}

} // namespace

const char* esExtensionName(ESExtensionID id, bool withPrefix) noexcept
{
    if (id == 0 || id > glvocab_tables::kESExtensionCount)
        return unknownExtension;
    return withPrefix ? glvocab_tables::kESExtensionPrefixedNames[id - 1]
                      : glvocab_tables::kESExtensionNames[id - 1];
}

ESExtensionID esExtensionFromName(const char* name) noexcept
{
    return findForm(glvocab_tables::kESExtensionForms, name);
}

ESExtensionID es1ExtensionForIndex(int position) noexcept
{
    return listPosition(position, commonExtensions + 1, es1Extensions);
}

ESExtensionID es2ExtensionForIndex(int position) noexcept
{
    return listPosition(position, firstES2Extension, lastES2Extension);
}

ESExtensionID es3ExtensionForIndex(int position) noexcept
{
    return listPosition(position, firstES2Extension, lastES3Extension);
}

ESExtensionID es31ExtensionForIndex(int position) noexcept
{
    return listPosition(position, firstES2Extension, lastES31Extension);
}

ESVersionID esVersionFromNumbers(int major, unsigned minor) noexcept
{
    switch (major) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return minor <= 2 ? 3 + minor : 0;
    default:
        return 0;
    }
}

const char* glExtensionName(GLExtensionID id) noexcept
{
    if (id == 0 || id > glvocab_tables::kGLExtensionCount)
        return unknownExtension;
    return glvocab_tables::kGLExtensionNames[id - 1];
}

GLExtensionID glExtensionFromName(const char* name) noexcept
{
    return findForm(glvocab_tables::kGLExtensionForms, name);
}
