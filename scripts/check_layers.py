#!/usr/bin/env python3
"""Fails when a source file under src/ includes from a layer above its own.

    check_layers.py [SRC_DIR]

The table below is the one statement of which folder may use which. A folder
may include from itself and from everything it reaches through the table.
The folders' CMake link lines must reach exactly as far as the table does, so
the link line and this check cannot drift apart.
"""
import pathlib
import re
import sys

# Folder -> the folders it builds on directly (ui -> app -> subsystems -> core -> platform).
LAYERS = {
    "platform": [],
    "core": ["platform"],
    "library": ["core"],
    "search": ["library"],
    "storage": ["library"],
    "orders": ["library", "storage"],
    "player": ["core"],
    "app": ["search", "orders", "storage", "player"],
    "ui": ["app"],
}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
LINK = re.compile(r"target_link_libraries\(\s*zorvik_(\w+)\s+([^)]*)\)")
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc", ".c"}


def reach(graph, start):
    seen, todo = set(), list(graph.get(start, []))
    while todo:
        name = todo.pop()
        if name not in seen:
            seen.add(name)
            todo.extend(graph.get(name, []))
    return seen


def layer_of(include, source, src):
    """The folder an include names, or None for a file outside src/."""
    first = include.split("/", 1)[0]
    if first in LAYERS:
        return first
    target = (source.parent / include).resolve()
    try:
        return target.relative_to(src.resolve()).parts[0]
    except (ValueError, IndexError):
        return None


def link_lines(src):
    """Each folder's zorvik_* link targets, from its CMakeLists.txt."""
    links = {}
    for folder in LAYERS:
        text = (src / folder / "CMakeLists.txt").read_text(encoding="utf-8")
        names = []
        for target, args in LINK.findall(text):
            if target == folder:
                names += [a[len("zorvik_"):] for a in args.split() if a.startswith("zorvik_")]
        links[folder] = [n for n in names if n in LAYERS]
    return links


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    faults = []

    links = link_lines(src)
    for folder in LAYERS:
        table, cmake = reach(LAYERS, folder), reach(links, folder)
        if table != cmake:
            faults.append(f"src/{folder}/CMakeLists.txt reaches {sorted(cmake)}, the layer table {sorted(table)}")

    for folder in LAYERS:
        allowed = reach(LAYERS, folder) | {folder}
        for source in sorted((src / folder).rglob("*")):
            if source.suffix not in SOURCE_SUFFIXES:
                continue
            text = source.read_text(encoding="utf-8", errors="replace")
            for match in INCLUDE.finditer(text):
                layer = layer_of(match.group(1), source, src)
                if layer is not None and layer not in allowed:
                    line = text.count("\n", 0, match.start()) + 1
                    faults.append(f"{source.relative_to(src.parent)}:{line}: {folder} includes "
                                  f"\"{match.group(1)}\" from {layer}")

    for fault in faults:
        print(fault)
    if faults:
        print(f"layers: {len(faults)} fault(s); the allowed graph is LAYERS in {pathlib.Path(__file__).name}")
        return 1
    print("layers: every include and link line points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
