#!/usr/bin/env python3
"""Writes the constant tables of the graphics API vocabulary.

Joins the name lists in this folder with the enum values of the Khronos
registry (gl.xml) and writes C++ sources into glvocab/generated/.  Every count
the vocabulary promises is checked first; any mismatch stops the run with an
error and nothing is written.

    generate.py [--registry PATH] [--check]

--check regenerates in memory and compares with the committed sources; it
exits non-zero when they differ.  Standard library only.
"""

import argparse
import collections
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
OUT = ROOT / "glvocab" / "generated"
DEFAULT_REGISTRY = "/usr/share/khronos-api/gl.xml"

MAX_DENSE = 0x9688
INVALID_INDEX = 0xFFFFFFFF
ALL_ONES_64 = 0xFFFFFFFFFFFFFFFF
VENDORS = {"TWX", "EXT", "KHR", "OES", "NV", "AMD", "QCOM", "DMP", "ARM", "APPLE", "VIV",
           "FJ", "ANGLE", "INTEL", "OVR", "ARB"}

# Counts the vocabulary promises; the generator refuses to write anything else.
EXPECT_NAME_TABLE = 1216
EXPECT_NAME_SUFFIXES = {"": 916, "TWX": 76, "EXT": 67, "KHR": 63, "OES": 41, "NV": 14, "AMD": 13,
                        "QCOM": 12, "DMP": 4, "ARM": 4, "APPLE": 3, "VIV": 1, "FJ": 1, "ANGLE": 1}
EXPECT_VALUE_TABLE = 2432
EXPECT_DISTINCT_VALUES = 1711
EXPECT_SHARED_VALUES = 436
EXPECT_NAMES_OF_ONE = 14
EXPECT_DENSE_NAMES = 2396
EXPECT_DENSE_VALUES = 1693
EXPECT_ZERO_NAMES = 7
EXPECT_VALUE_SUFFIXES = {"": 1200, "NV": 324, "EXT": 321, "OES": 251, "KHR": 99, "TWX": 83,
                         "QCOM": 51, "APPLE": 41, "INTEL": 20, "ANGLE": 15, "AMD": 13, "ARM": 4,
                         "DMP": 4, "OVR": 3, "ARB": 1, "VIV": 1, "FJ": 1}
EXPECT_RENAMED = 541
EXPECT_UNNAMED_NAMES = 675
EXPECT_UNNAMED_VALUES = 495
EXPECT_ES_EXTENSIONS = 133
EXPECT_GL_EXTENSIONS = 642
EXPECT_GL_PREFIXES = {"GL_": 533, "GLX_": 56, "WGL_": 50, "GLU_": 3}
EXPECT_IMAGE_FORMATS = 95
EXPECT_SHADER_BINARY_FORMATS = 6

NAME_PATTERN = re.compile(r"GL_[A-Z0-9_x]+")
EXTENSION_PATTERN = re.compile(r"[A-Za-z0-9_]+")


class Failure(Exception):
    pass


def require(condition, message):
    if not condition:
        raise Failure(message)


def expect_count(what, actual, expected):
    require(actual == expected, f"{what}: expected {expected}, found {actual}")


def suffix(name):
    last = name.rsplit("_", 1)[-1]
    return last if last in VENDORS else ""


def data_lines(filename):
    path = HERE / filename
    return [line.strip() for line in path.read_text(encoding="ascii").splitlines() if line.strip()]


def parse_entry(token):
    """NAME or NAME=0xVALUE (a value that overrides the registry)."""
    name, _, value = token.partition("=")
    return name, (int(value, 16) if value else None)


def read_registry(path):
    """Name -> value; where a name has API-specific values the OpenGL ES one wins."""
    candidates = collections.defaultdict(dict)
    for enums in ET.parse(path).getroot().iter("enums"):
        for enum in enums.findall("enum"):
            candidates[enum.get("name")][enum.get("api", "")] = int(enum.get("value"), 0)
    values = {}
    for name, by_api in candidates.items():
        for api in ("gles2", "gles1", ""):
            if api in by_api:
                values[name] = by_api[api]
                break
        else:
            values[name] = next(iter(by_api.values()))
    return values


def read_formats(filename):
    formats = []
    for line in data_lines(filename):
        value, name = line.split()
        formats.append((int(value, 16), name))
    return formats


def resolve(name, override, registry, fallback):
    if override is not None:
        return override
    if name in registry:
        return registry[name]
    require(name in fallback, f"{name}: no value in the registry and none given")
    return fallback[name]


def build(registry_path):
    registry = read_registry(registry_path)
    image_formats = read_formats("image_formats.txt")
    shader_formats = read_formats("shader_binary_formats.txt")
    # Names the registry lacks take the value their format table gives them.
    fallback = {name: value for value, name in image_formats + shader_formats}

    # Name -> value table: one line per value, ascending.
    by_name = {}
    groups = []
    for line in data_lines("enum_values.txt"):
        group = []
        for token in line.split():
            name, override = parse_entry(token)
            require(name not in by_name, f"{name} listed twice")
            require(NAME_PATTERN.fullmatch(name) and 5 <= len(name) <= 72, f"bad name {name!r}")
            value = resolve(name, override, registry, fallback)
            by_name[name] = value
            group.append(value)
        require(len(set(group)) == 1, f"names of different values on one line: {line}")
        groups.append(group[0])
    require(groups == sorted(set(groups)), "value lines are not in strictly ascending order")
    values = set(groups)
    names_per_value = collections.Counter(by_name.values())
    expect_count("name->value entries", len(by_name), EXPECT_VALUE_TABLE)
    expect_count("distinct values", len(values), EXPECT_DISTINCT_VALUES)
    expect_count("values with several names", sum(1 for c in names_per_value.values() if c > 1),
                 EXPECT_SHARED_VALUES)
    expect_count("names of the value 1", names_per_value[1], EXPECT_NAMES_OF_ONE)
    expect_count("names of the value 0", names_per_value[0], EXPECT_ZERO_NAMES)
    expect_count("names up to 0x9688", sum(1 for v in by_name.values() if v <= MAX_DENSE),
                 EXPECT_DENSE_NAMES)
    expect_count("values up to 0x9688", sum(1 for v in values if v <= MAX_DENSE), EXPECT_DENSE_VALUES)
    high = sorted(v for v in values if v > MAX_DENSE)
    require(high == [1 << b for b in range(16, 32)] + [INVALID_INDEX, ALL_ONES_64],
            f"values above 0x9688: {[hex(v) for v in high]}")
    require(sorted(n for n, v in by_name.items() if v > INVALID_INDEX)
            == ["GL_TIMEOUT_IGNORED", "GL_TIMEOUT_IGNORED_APPLE"], "64-bit names")
    require(dict(collections.Counter(map(suffix, by_name))) == EXPECT_VALUE_SUFFIXES,
            f"name->value suffixes: {collections.Counter(map(suffix, by_name))}")

    # Value -> name table: one name per value, ascending.
    names = []
    for line in data_lines("enum_names.txt"):
        name, override = parse_entry(line)
        require(name in by_name, f"{name} has no entry in the name->value table")
        require(override is None or override == by_name[name], f"{name}: values disagree")
        names.append((by_name[name], name))
    expect_count("value->name entries", len(names), EXPECT_NAME_TABLE)
    require([v for v, _ in names] == sorted({v for v, _ in names}),
            "value->name table is not strictly ascending")
    require(sum(1 for v, _ in names if v <= MAX_DENSE) == EXPECT_NAME_TABLE - 1
            and names[-1] == (INVALID_INDEX, "GL_INVALID_INDEX"), "value->name range")
    require(dict(collections.Counter(suffix(n) for _, n in names)) == EXPECT_NAME_SUFFIXES,
            f"value->name suffixes: {collections.Counter(suffix(n) for _, n in names)}")
    named = {v for v, _ in names}
    listed = {n for _, n in names}
    others = [n for n in by_name if n not in listed]
    expect_count("other names of named values", sum(1 for n in others if by_name[n] in named),
                 EXPECT_RENAMED)
    expect_count("names of unnamed values", sum(1 for n in others if by_name[n] not in named),
                 EXPECT_UNNAMED_NAMES)
    expect_count("known values without a name", len(values - named), EXPECT_UNNAMED_VALUES)

    # Extensions.
    es = data_lines("es_extensions.txt")
    expect_count("OpenGL ES extensions", len(es), EXPECT_ES_EXTENSIONS)
    require(all(EXTENSION_PATTERN.fullmatch(n) and not n.startswith("GL_") for n in es),
            "OpenGL ES extension names must be bare")
    es_forms = es + ["GL_" + n for n in es]
    require(len(set(es_forms)) == len(es_forms), "OpenGL ES extension names collide")

    gl = data_lines("gl_extensions.txt")
    expect_count("desktop extensions", len(gl), EXPECT_GL_EXTENSIONS)
    require(all(EXTENSION_PATTERN.fullmatch(n) for n in gl), "bad desktop extension name")
    prefixes = collections.Counter(n.split("_", 1)[0] + "_" for n in gl)
    require(dict(prefixes) == EXPECT_GL_PREFIXES, f"desktop extension prefixes: {prefixes}")
    require(len({n.lower() for n in gl}) == len(gl), "desktop extension names collide")
    require([i + 1 for i, n in enumerate(gl) if n.startswith("GLU_")] == [264, 273, 284],
            "GLU extension ids")
    gl_forms = gl + ["GL_" + n for n in gl]
    require(len(set(gl_forms)) == len(gl_forms), "desktop extension forms collide")

    # Format sets: every member is named, by the name its table gives.
    name_of = dict(names)
    for what, formats, expected in (("image formats", image_formats, EXPECT_IMAGE_FORMATS),
                                    ("shader binary formats", shader_formats,
                                     EXPECT_SHADER_BINARY_FORMATS)):
        expect_count(what, len({v for v, _ in formats}), expected)
        for value, name in formats:
            require(name_of.get(value) == name, f"{what}: {hex(value)} is not named {name}")

    return {
        "names": names,
        "by_name": sorted(by_name.items()),
        "known": sorted((v, name_of.get(v, "")) for v in values),
        "es": es,
        "gl": gl,
        "es_forms": sorted((n, i % len(es) + 1) for i, n in enumerate(es_forms)),
        "gl_forms": sorted((n, i % len(gl) + 1) for i, n in enumerate(gl_forms)),
        "image_formats": [v for v, _ in image_formats],
        "shader_formats": [v for v, _ in shader_formats],
    }


BANNER = """\
// Generated by tools/glvocab/generate.py from the lists in tools/glvocab/ and the
// Khronos registry. Do not edit: change the lists and run the generator again.
"""


def hexval(value):
    return f"0x{value:X}ull" if value > INVALID_INDEX else f"0x{value:X}"


def array(decl, rows):
    # constinit: the tables must be constant data, never built at start-up.
    return f"constinit {decl} = {{\n" + "".join(f"    {r},\n" for r in rows) + "};\n"


def render(t):
    header = BANNER + f"""\
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace glvocab_tables {{

struct ValueName {{
    std::uint64_t value;
    const char* name;
}};

struct NameValue {{
    std::string_view name;
    std::uint64_t value;
}};

struct NameId {{
    std::string_view name;
    std::uint32_t id;
}};

inline constexpr std::size_t kEnumNameCount = {len(t["names"])};
inline constexpr std::size_t kEnumValueCount = {len(t["by_name"])};
inline constexpr std::size_t kKnownValueCount = {len(t["known"])};
inline constexpr std::size_t kESExtensionCount = {len(t["es"])};
inline constexpr std::size_t kGLExtensionCount = {len(t["gl"])};
inline constexpr std::size_t kImageFormatCount = {len(t["image_formats"])};
inline constexpr std::size_t kShaderBinaryFormatCount = {len(t["shader_formats"])};

// Ascending by value: the one display name of each named value.
extern const ValueName kEnumNames[kEnumNameCount];
// Byte-wise ascending by name: every known name with its value.
extern const NameValue kEnumValues[kEnumValueCount];
// Ascending by value: every value that has a name, with its display name or "".
extern const ValueName kKnownValues[kKnownValueCount];

// Indexed by id - 1.
extern const char* const kESExtensionNames[kESExtensionCount];
extern const char* const kESExtensionPrefixedNames[kESExtensionCount];
extern const char* const kGLExtensionNames[kGLExtensionCount];
// Byte-wise ascending: every accepted spelling of an extension with its id.
extern const NameId kESExtensionForms[2 * kESExtensionCount];
extern const NameId kGLExtensionForms[2 * kGLExtensionCount];

extern const std::uint64_t kImageFormats[kImageFormatCount];
extern const std::uint64_t kShaderBinaryFormats[kShaderBinaryFormatCount];

}} // namespace glvocab_tables
"""
    include = '#include "glvocab/generated/VocabularyTables.h"\n\nnamespace glvocab_tables {\n\n'
    end = "\n} // namespace glvocab_tables\n"

    enums = BANNER + include
    enums += array("const ValueName kEnumNames[kEnumNameCount]",
                   (f'{{{hexval(v)}, "{n}"}}' for v, n in t["names"]))
    enums += "\n" + array("const NameValue kEnumValues[kEnumValueCount]",
                          (f'{{"{n}", {hexval(v)}}}' for n, v in t["by_name"]))
    enums += "\n" + array("const ValueName kKnownValues[kKnownValueCount]",
                          (f'{{{hexval(v)}, "{n}"}}' for v, n in t["known"]))
    enums += end

    ext = BANNER + include
    ext += array("const char* const kESExtensionNames[kESExtensionCount]",
                 (f'"{n}"' for n in t["es"]))
    ext += "\n" + array("const char* const kESExtensionPrefixedNames[kESExtensionCount]",
                        (f'"GL_{n}"' for n in t["es"]))
    ext += "\n" + array("const char* const kGLExtensionNames[kGLExtensionCount]",
                        (f'"{n}"' for n in t["gl"]))
    ext += "\n" + array("const NameId kESExtensionForms[2 * kESExtensionCount]",
                        (f'{{"{n}", {i}}}' for n, i in t["es_forms"]))
    ext += "\n" + array("const NameId kGLExtensionForms[2 * kGLExtensionCount]",
                        (f'{{"{n}", {i}}}' for n, i in t["gl_forms"]))
    ext += end

    formats = BANNER + include
    formats += array("const std::uint64_t kImageFormats[kImageFormatCount]",
                     (hexval(v) for v in t["image_formats"]))
    formats += "\n" + array("const std::uint64_t kShaderBinaryFormats[kShaderBinaryFormatCount]",
                            (hexval(v) for v in t["shader_formats"]))
    formats += end

    return {
        "VocabularyTables.h": header,
        "EnumTables.cpp": enums,
        "ExtensionTables.cpp": ext,
        "FormatTables.cpp": formats,
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--registry", default=DEFAULT_REGISTRY, help="path of gl.xml")
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed sources instead of writing")
    args = parser.parse_args()
    try:
        files = render(build(args.registry))
    except (Failure, OSError, ET.ParseError, ValueError) as error:
        print(f"generate.py: {error}", file=sys.stderr)
        return 1
    if args.check:
        stale = [name for name, text in files.items()
                 if not (OUT / name).is_file() or (OUT / name).read_text(encoding="ascii") != text]
        for name in stale:
            print(f"generate.py: glvocab/generated/{name} differs from a fresh run", file=sys.stderr)
        return 1 if stale else 0
    OUT.mkdir(parents=True, exist_ok=True)
    for name, text in files.items():
        (OUT / name).write_text(text, encoding="ascii")
    return 0


if __name__ == "__main__":
    sys.exit(main())
