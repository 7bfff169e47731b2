#pragma once

#include <cstdint>

// Version identifiers of the frame protocol with the emulation layer,
// numbered from 1; 0 means no version. The numbering is fixed by the
// name functions below.
using ESVersionID = std::uint32_t;
using GLSLESVersionID = std::uint32_t;
using GLSLVersionID = std::uint32_t;
using GLVersionID = std::uint32_t;

// "1.1", "2.0", "3.0", "3.1", "3.2" for ids 1 to 5;
// "<Failed to query OpenGL ES version>" otherwise.
const char* esVersionName(ESVersionID id) noexcept;

// "GLSL ES 1.0", "GLSL ES 3.0", "GLSL ES 3.1", "GLSL ES 3.2" for ids 1 to 4;
// "<Failed to query GLSL ES version>" otherwise.
const char* glslESVersionName(GLSLESVersionID id) noexcept;

// "GLSL 1.10" .. "GLSL 4.60" (or "110" .. "460" when numericOnly) for ids 1 to 13;
// "<Failed to query GLSL version>" otherwise.
const char* glslVersionName(GLSLVersionID id, bool numericOnly) noexcept;

// "1.0" .. "4.6" for ids 1 to 19; "unknown" otherwise.
const char* glVersionName(GLVersionID id) noexcept;

// Id whose "d.dd" text equals the first four characters of `text`;
// 0 for a null pointer, 14 when nothing matches.
GLSLVersionID glslVersionFromString(const char* text) noexcept;

// Id whose "d.d" text equals the first three characters of `text`;
// 0 for a null pointer, 20 when nothing matches.
GLVersionID glVersionFromString(const char* text) noexcept;
