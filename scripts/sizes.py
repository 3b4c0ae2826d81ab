#!/usr/bin/python3
"""scripts/sizes.py BUILD_DIR [FOLDER...]

The five largest source files (non-blank, non-comment lines) and functions
(lines from the opening to the closing brace) under the folders (default:
src bench), the functions read with libclang over the build's
compile_commands.json. Needs python3-clang-14.
"""
import json
import os
import re
import shlex
import sys

import clang.cindex as ci

ci.Config.set_library_file("/usr/lib/llvm-14/lib/libclang-14.so.1")
FUNCTIONS = {ci.CursorKind.FUNCTION_DECL, ci.CursorKind.CXX_METHOD, ci.CursorKind.CONSTRUCTOR,
             ci.CursorKind.DESTRUCTOR, ci.CursorKind.FUNCTION_TEMPLATE,
             ci.CursorKind.CONVERSION_FUNCTION}


def code_lines(path):
    text = re.sub(r"/\*.*?\*/", "", open(path, encoding="utf-8", errors="replace").read(),
                  flags=re.S)
    return sum(1 for l in text.splitlines() if l.strip() and not l.strip().startswith("//"))


def definitions(cursor, ours):
    # Only our own files are walked: the Qt headers would take minutes.
    for node in cursor.get_children():
        path = node.location.file and os.path.realpath(node.location.file.name)
        if not ours(path):
            continue
        if node.kind in FUNCTIONS and node.is_definition():
            yield node, path
        elif node.kind not in FUNCTIONS:
            yield from definitions(node, ours)


def main():
    build = os.path.abspath(sys.argv[1])
    with open(os.path.join(build, "compile_commands.json")) as f:
        commands = json.load(f)
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        top = re.search(r"^CMAKE_HOME_DIRECTORY:INTERNAL=(.*)$", f.read(), re.M).group(1)
    folders = [os.path.join(top, d) + os.sep for d in (sys.argv[2:] or ["src", "bench"])]
    ours = lambda p: p and any(p.startswith(d) for d in folders)

    files = [os.path.join(d, f) for root in folders for d, _, fs in os.walk(root) for f in fs
             if f.endswith((".cpp", ".h"))]
    for path in sorted(files, key=code_lines, reverse=True)[:5]:
        print(f"file: {os.path.relpath(path, top)} {code_lines(path)} lines")

    index = ci.Index.create()
    seen = {}  # (file, line) -> (lines, name): a header's functions count once
    for c in commands:
        if not ours(c["file"]):
            continue
        args = shlex.split(c["command"]) if "command" in c else c["arguments"]
        keep, skip = [], False
        for a in args[1:]:
            if skip:
                skip = False
            elif a in ("-o", "-c"):
                skip = a == "-o"
            elif a != c["file"]:
                keep.append(a)
        os.chdir(c["directory"])
        for node, path in definitions(index.parse(c["file"], keep).cursor, ours):
            body = next((k for k in node.get_children()
                         if k.kind == ci.CursorKind.COMPOUND_STMT), None)
            if body is None:
                continue
            lines = body.extent.end.line - body.extent.start.line + 1
            seen[(path, node.location.line)] = (lines, node.spelling)
    for (path, line), (lines, name) in sorted(seen.items(), key=lambda kv: -kv[1][0])[:5]:
        print(f"function: {name} at {os.path.relpath(path, top)}:{line} {lines} lines")


if __name__ == "__main__":
    main()
