// Texts from profile files reach the vocabulary's reverse lookups; none of
// them may read outside the text or disagree with the forward direction.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "glvocab/GLVocabulary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The exact bytes, for the string_view lookup; a NUL-terminated copy for the rest.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text(bytes);
    const char* cText = text.c_str();

    if (const GLuint64 value = glEnumValueFromName(bytes)) {
        const char* name = glEnumName(value);
        if (*name && glEnumValueFromName(name) != value)
            std::abort();
    }

    // Against the C library's reading of the same text as a 64-bit number.
    const char* shown = enumNameForNumericText(cText);
    char* end = nullptr;
    const long long number = std::strtoll(cText, &end, 10);
    const bool wholeNumber = end != cText && *end == '\0' && std::isdigit(end[-1]);
    const char* named = glEnumName(static_cast<GLuint64>(number));
    if (shown != cText && (!wholeNumber || std::strcmp(shown, named) != 0))
        std::abort();
    if (shown == cText && wholeNumber && *named)
        std::abort();

    if (const ESExtensionID id = esExtensionFromName(cText)) {
        if (std::strcmp(esExtensionName(id, true), cText) != 0 &&
            std::strcmp(esExtensionName(id, false), cText) != 0)
            std::abort();
    }
    if (const GLExtensionID id = glExtensionFromName(cText)) {
        const std::string name = glExtensionName(id);
        if (name != cText && "GL_" + name != cText)
            std::abort();
    }

    const GLVersionID gl = glVersionFromString(cText);
    const GLSLVersionID glsl = glslVersionFromString(cText);
    if (gl == 0 || gl > 20 || glsl == 0 || glsl > 14)
        std::abort();
    return 0;
}
