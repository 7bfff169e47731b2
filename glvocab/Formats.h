#pragma once

#include <set>

#include "glvocab/EnumNames.h"

// The image (texture internal) formats a profile may list: 95 values, each
// with a name from glEnumName(). Filled before main() and never changed.
extern const std::set<GLuint64> knownImageFormats;

// The shader binary formats a profile may list: 6 values, each named.
extern const std::set<GLuint64> knownShaderBinaryFormats;
