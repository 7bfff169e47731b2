#pragma once

#include <cstdint>
#include <string_view>

// The GL type; declared here so that no GL header is needed to use the names.
using GLuint64 = std::uint64_t;

// Registry name of a GL or OpenGL ES enum value, or "" when the value has none.
// The whole 64-bit value counts: upper bits set never name anything.
// Never null; the text lives for the whole run.
const char* glEnumName(GLuint64 value) noexcept;

// Value of an enum name, matched whole, byte for byte and case-sensitively;
// 0 for an unknown name (and for the names whose value is 0, such as "GL_NONE").
GLuint64 glEnumValueFromName(std::string_view name) noexcept;

// When all of `text` is a decimal number (leading white space and a sign
// allowed, nothing after the digits) whose 64 bits are the value of a known
// enum name, glEnumName() of that value (which may be ""); otherwise `text`
// itself. A null `text` is returned as it is.
const char* enumNameForNumericText(const char* text) noexcept;
