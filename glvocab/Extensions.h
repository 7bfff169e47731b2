#pragma once

#include <cstdint>

#include "glvocab/Versions.h"

// Extension identifiers of the frame protocol with the emulation layer,
// numbered from 1; 0 means none or not recognised.
using ESExtensionID = std::uint32_t;
using GLExtensionID = std::uint32_t;

// OpenGL ES extensions, ids 1 to 133. With the "GL_" prefix or without it
// ("OES_depth24" for id 34); "<unknown extension>" for any other id.
const char* esExtensionName(ESExtensionID id, bool withPrefix) noexcept;

// Id whose bare or prefixed name equals `name` exactly; 0 when none does
// or `name` is null.
ESExtensionID esExtensionFromName(const char* name) noexcept;

// Id at a 1-based position of one OpenGL ES version's extension list;
// 0 for a position outside the list.
ESExtensionID es1ExtensionForIndex(int position) noexcept;
ESExtensionID es2ExtensionForIndex(int position) noexcept;
ESExtensionID es3ExtensionForIndex(int position) noexcept;
ESExtensionID es31ExtensionForIndex(int position) noexcept;

// ESVersionID of an OpenGL ES major.minor version: 1.x -> 1, 2.x -> 2,
// 3.0 -> 3, 3.1 -> 4, 3.2 -> 5; 0 for every other version.
ESVersionID esVersionFromNumbers(int major, unsigned minor) noexcept;

// Desktop OpenGL, GLX, WGL and GLU extensions, ids 1 to 642, with their own
// prefix ("GL_ARB_imaging" for id 1); "<unknown extension>" for any other id.
const char* glExtensionName(GLExtensionID id) noexcept;

// Id whose name equals `name`, or equals it once a leading "GL_" is taken
// off; 0 when none does or `name` is null.
GLExtensionID glExtensionFromName(const char* name) noexcept;
