#include "glvocab/EnumNames.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "glvocab/generated/VocabularyTables.h"

using glvocab_tables::NameValue;
using glvocab_tables::ValueName;

namespace {

template <std::size_t N> const ValueName* findValue(const ValueName (&table)[N], GLuint64 value)
{
    const ValueName* entry =
        std::lower_bound(std::begin(table), std::end(table), value,
                         [](const ValueName& e, GLuint64 v) { return e.value < v; });
    return entry != std::end(table) && entry->value == value ? entry : nullptr;
}

// The white space strtol skips in the "C" locale; spelled out so that the
// result never depends on the process locale.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

const char* glEnumName(GLuint64 value) noexcept
{
    const ValueName* entry = findValue(glvocab_tables::kEnumNames, value);
    return entry ? entry->name : "";
}

GLuint64 glEnumValueFromName(std::string_view name) noexcept
{
    const auto& table = glvocab_tables::kEnumValues;
    const NameValue* entry =
        std::lower_bound(std::begin(table), std::end(table), name,
                         [](const NameValue& e, std::string_view n) { return e.name < n; });
    return entry != std::end(table) && entry->name == name ? entry->value : 0;
}

const char* enumNameForNumericText(const char* text) noexcept
{
    if (!text)
        return text;

    // Read as a signed 64-bit decimal the way strtoll does, saturating at the
    // ends of the range, but without depending on the width of long or errno.
    const char* p = text;
    while (isBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (!isDigit(*p))
        return text;

    constexpr GLuint64 maxMagnitude = GLuint64{1} << 63; // |INT64_MIN|
    GLuint64 magnitude = 0;
    for (; isDigit(*p); ++p) {
        // Beyond 2^63 the result is pinned to an end of the range, so the
        // magnitude only has to stay above that: saturate instead of wrapping.
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (magnitude > (std::numeric_limits<GLuint64>::max() - digit) / 10)
            magnitude = std::numeric_limits<GLuint64>::max();
        else
            magnitude = magnitude * 10 + digit;
    }
    if (*p != '\0')
        return text;

    GLuint64 value;
    if (negative)
        value = magnitude >= maxMagnitude ? maxMagnitude : GLuint64{0} - magnitude;
    else
        value = std::min<GLuint64>(magnitude, std::numeric_limits<std::int64_t>::max());

    const ValueName* known = findValue(glvocab_tables::kKnownValues, value);
    return known ? known->name : text;
}
