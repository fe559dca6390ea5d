#!/usr/bin/env python3
"""Writes gl_entry_points.h and gl_entry_points.cpp, the Windows GlEntryPoints table.

opengl32.dll exports OpenGL 1.0 and 1.1 only; every later entry point the demo may call gets a
slot in one table filled through wglGetProcAddress. Which entry points get a slot follows one
rule over the Khronos registry:
  - every command the 1.3 to 3.3 core versions require, deprecated ones included, except
    glGetStringi, glBlendColor and glBlendEquation;
  - every command of the ARB extensions those versions absorbed (listed below);
  - glTexImage3D, the one 1.2 entry point.
The table must come to exactly TABLE_SIZE slots; any other count fails the build.
"""

import argparse
import os
import keyword
import re
import sys
import xml.etree.ElementTree as ET

TABLE_SIZE = 382
LEGACY_VERSIONS = ["1_0", "1_1"]
TABLE_VERSIONS = ["1_3", "1_4", "1_5", "2_0", "2_1", "3_0", "3_1", "3_2", "3_3"]
ENUM_VERSIONS = LEGACY_VERSIONS + ["1_2"] + TABLE_VERSIONS
ABSORBED_EXTENSIONS = [
    "GL_ARB_framebuffer_object",
    "GL_ARB_map_buffer_range",
    "GL_ARB_vertex_array_object",
    "GL_ARB_uniform_buffer_object",
    "GL_ARB_copy_buffer",
    "GL_ARB_draw_elements_base_vertex",
    "GL_ARB_provoking_vertex",
    "GL_ARB_sync",
    "GL_ARB_texture_multisample",
    "GL_ARB_blend_func_extended",
    "GL_ARB_sampler_objects",
    "GL_ARB_timer_query",
    "GL_ARB_vertex_type_2_10_10_10_rev",
]
EXTRA_COMMANDS = ["glTexImage3D"]
EXCLUDED_COMMANDS = ["glGetStringi", "glBlendColor", "glBlendEquation"]

# khrplatform.h's types as mingw-w64 defines them for 64-bit Windows, so the header needs no
# Khronos include.
KHRONOS_TYPES = {
    "khronos_int8_t": "signed char",
    "khronos_uint8_t": "unsigned char",
    "khronos_int16_t": "short",
    "khronos_uint16_t": "unsigned short",
    "khronos_int32_t": "std::int32_t",
    "khronos_uint32_t": "std::uint32_t",
    "khronos_int64_t": "std::int64_t",
    "khronos_uint64_t": "std::uint64_t",
    "khronos_float_t": "float",
    "khronos_intptr_t": "std::intptr_t",
    "khronos_ssize_t": "std::ptrdiff_t",
}
CALL = "QUORVANE_GLCALL"
VENDOR_SUFFIX = re.compile(r"(ARB|EXT|NV|OES|AMD|KHR|APPLE|SGIX?|INTEL|MESA)$")
# Comments and literals first, so that only identifiers in code are counted as calls.
CPP_TOKEN = re.compile(
    r'//[^\n]*|/\*.*?\*/|(?:u8|u|U|L)?R"([^(\s]*)\(.*?\)\1"|"(?:\\.|[^"\\\n])*"'
    r"|'(?:\\.|[^'\\\n])*'|([A-Za-z_]\w*)",
    re.S,
)


def fail(message):
    print(f"generate_gl_entry_points: {message}", file=sys.stderr)
    sys.exit(1)


def for_gl(element):
    return element.get("api") in (None, "gl")


def required(element, tag):
    """Names of one kind (command, enum) an api="gl" feature or extension requires, in order."""
    names = []
    for block in element.findall("require"):
        if for_gl(block):
            names += [item.get("name") for item in block.findall(tag) if for_gl(item)]
    return names


def text_with_call(element):
    """An element's C text, with the registry's <apientry/> marks as the calling convention."""
    parts = [element.text or ""]
    for child in element:
        parts.append(CALL if child.tag == "apientry" else "".join(child.itertext()))
        parts.append(child.tail or "")
    return "".join(parts)


class Registry:
    def __init__(self, path):
        root = ET.parse(path).getroot()
        self.features = {f.get("name"): f for f in root.findall("feature") if for_gl(f)}
        self.extensions = {e.get("name"): e for e in root.iter("extension")}
        self.commands = {}
        for command in root.find("commands").findall("command"):
            proto = command.find("proto")
            name = proto.find("name").text
            result = "".join(proto.itertext())[: -len(name)].strip()
            params = ["".join(p.itertext()).strip() for p in command.findall("param") if for_gl(p)]
            ptypes = {t.text for t in command.iter("ptype")}
            self.commands[name] = (result, ", ".join(params) or "void", ptypes)
        self.enums = {}
        for block in root.findall("enums"):
            for enum in block.findall("enum"):
                if for_gl(enum):
                    self.enums[enum.get("name")] = enum.get("value") + (enum.get("type") or "")
        self.types = [t for t in root.find("types").findall("type") if for_gl(t)]

    def feature(self, version):
        name = "GL_VERSION_" + version
        if name not in self.features:
            fail(f"the registry has no feature {name}")
        return self.features[name]

    def extension(self, name):
        if name not in self.extensions:
            fail(f"the registry has no extension {name}")
        return self.extensions[name]


def gathered(registry, tag, versions, extensions=()):
    """What the given versions and extensions require, each name once, in registry order."""
    elements = [registry.feature(v) for v in versions]
    elements += [registry.extension(e) for e in extensions]
    return list(dict.fromkeys(name for e in elements for name in required(e, tag)))


def table_commands(registry):
    names = gathered(registry, "command", TABLE_VERSIONS, ABSORBED_EXTENSIONS) + EXTRA_COMMANDS
    return sorted(set(names) - set(EXCLUDED_COMMANDS))


def legacy_commands(registry):
    return gathered(registry, "command", LEGACY_VERSIONS)


def enum_names(registry):
    return gathered(registry, "enum", ENUM_VERSIONS, ABSORBED_EXTENSIONS)


def type_definitions(registry, commands):
    """Every unsuffixed GL type plus those the emitted commands name, in registry order."""
    used = set().union(*(registry.commands[c][2] for c in commands))
    lines = []
    for element in registry.types:
        name_element = element.find("name")
        if name_element is None:
            if element.get("name") in used:
                fail(f"type {element.get('name')} has no plain typedef")
            continue
        name = name_element.text
        if VENDOR_SUFFIX.search(name) and name not in used:
            continue
        text = text_with_call(element)
        if not text.startswith("typedef"):
            continue
        for khronos, standard in KHRONOS_TYPES.items():
            text = re.sub(rf"\b{khronos}\b", standard, text)
        if "khronos_" in text:
            fail(f"type {name} uses a Khronos platform type not mapped here")
        lines.append(text)
    return lines


def called_names(paths):
    called = set()
    for path in paths:
        with open(path, encoding="utf-8") as source:
            for match in CPP_TOKEN.finditer(source.read()):
                if match.group(2):
                    called.add(match.group(2))
    return called


def member(command):
    name = command[2].lower() + command[3:]
    if keyword.iskeyword(name) or name in ("delete", "new", "register", "template"):
        fail(f"{command} would make a member named after a keyword")
    return name


def pointer_type(command):
    return f"PFN{command.upper()}PROC"


def write_header(path, registry, table, legacy):
    out = [
        "// Generated by platform/win32/generate_gl_entry_points.py from the Khronos registry.",
        "// OpenGL by its standard names without <windows.h>: 1.0 and 1.1 from opengl32.dll, the",
        "// rest through the GlEntryPoints table that loadGlEntryPoints fills.",
        "#pragma once",
        "",
        "#include <cstddef>",
        "#include <cstdint>",
        "",
        "#define QUORVANE_GLAPI __declspec(dllimport)",
        f"#define {CALL} __stdcall",
        "",
    ]
    out += type_definitions(registry, table + legacy)
    out.append("")
    for name in enum_names(registry):
        out.append(f"#define {name} {registry.enums[name]}")
    out += ["", 'extern "C" {']
    for command in legacy:
        result, params, _ = registry.commands[command]
        out.append(f"QUORVANE_GLAPI {result} {CALL} {command}({params});")
    out += ["}", ""]
    for command in table:
        result, params, _ = registry.commands[command]
        out.append(f"typedef {result}({CALL}* {pointer_type(command)})({params});")
    out += ["", f"// The {len(table)} entry points past OpenGL 1.1, null until loaded.",
            "struct GlEntryPoints {"]
    out += [f"    {pointer_type(c)} {member(c)};" for c in table]
    out += [
        "};",
        "extern GlEntryPoints quorvaneGl;",
        "",
        f"inline constexpr std::size_t glEntryPointCount = {len(table)};",
        "// The table's entry points by name, in slot order.",
        "extern const char* const glEntryPointNames[glEntryPointCount];",
        "",
        "using GlProc = void (*)();",
        "// Fills every slot with what resolve returns for its name (null where it has none).",
        "void loadGlEntryPoints(GlProc (*resolve)(const char* name));",
        "// The first entry point whose slot is null, or nullptr when all are there.",
        "const char* missingEntryPoint();",
        "// The same over the entry points the program's sources call.",
        "const char* missingCalledEntryPoint();",
        "",
    ]
    out += [f"#define {c} (quorvaneGl.{member(c)})" for c in table]
    with open(path, "w", encoding="utf-8") as header:
        header.write("\n".join(out) + "\n")


def write_source(path, table, called):
    out = [
        "// Generated by platform/win32/generate_gl_entry_points.py from the Khronos registry.",
        '#include "gl_entry_points.h"',
        "",
        "#include <array>",
        "",
        "GlEntryPoints quorvaneGl{};",
        "",
        "const char* const glEntryPointNames[glEntryPointCount] = {",
    ]
    out += [f'    "{c}",' for c in table]
    out += ["};", "", "namespace {", "", "// Indices of the slots the program's sources call.",
            f"constexpr std::array<std::size_t, {len(called)}> calledSlots = {{"]
    out += [f"    {table.index(c)}, // {c}" for c in called]
    out += [
        "};",
        "",
        "std::array<GlProc, glEntryPointCount> slots() {",
        "    return {",
    ]
    out += [f"        reinterpret_cast<GlProc>(quorvaneGl.{member(c)})," for c in table]
    out += [
        "    };",
        "}",
        "",
        "} // namespace",
        "",
        "void loadGlEntryPoints(GlProc (*resolve)(const char* name)) {",
    ]
    out += [
        f'    quorvaneGl.{member(c)} = reinterpret_cast<{pointer_type(c)}>(resolve("{c}"));'
        for c in table
    ]
    out += [
        "}",
        "",
        "const char* missingEntryPoint() {",
        "    const auto loaded = slots();",
        "    for (std::size_t i = 0; i < glEntryPointCount; ++i) {",
        "        if (!loaded[i])",
        "            return glEntryPointNames[i];",
        "    }",
        "    return nullptr;",
        "}",
        "",
        "const char* missingCalledEntryPoint() {",
        "    const auto loaded = slots();",
        "    for (std::size_t i : calledSlots) {",
        "        if (!loaded[i])",
        "            return glEntryPointNames[i];",
        "    }",
        "    return nullptr;",
        "}",
    ]
    with open(path, "w", encoding="utf-8") as source:
        source.write("\n".join(out) + "\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--registry", required=True, help="the Khronos gl.xml")
    parser.add_argument("--out", required=True, help="folder for the two generated files")
    parser.add_argument("sources", nargs="*", help="the program's sources, to find its calls")
    args = parser.parse_args()

    registry = Registry(args.registry)
    os.makedirs(args.out, exist_ok=True)
    table = table_commands(registry)
    print(f"GlEntryPoints: {len(table)} entry points")
    if len(table) != TABLE_SIZE:
        fail(f"the rule gives {len(table)} entry points, not {TABLE_SIZE}")
    legacy = legacy_commands(registry)
    identifiers = called_names(args.sources)
    called = [c for c in table if c in identifiers]
    unserved = sorted(
        i for i in identifiers if i in registry.commands and i not in table and i not in legacy
    )
    print(f"GlEntryPoints: the sources call {len(called)} of them")
    if unserved:
        print("GlEntryPoints: the sources name GL commands outside the table and OpenGL 1.1: "
              + ", ".join(unserved))

    write_header(f"{args.out}/gl_entry_points.h", registry, table, legacy)
    write_source(f"{args.out}/gl_entry_points.cpp", table, called)


if __name__ == "__main__":
    main()
