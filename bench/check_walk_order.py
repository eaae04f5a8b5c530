#!/usr/bin/env python3
"""Check a walk's hit list against find's, independently of the walk's code.

Usage: check_walk_order.py WALK_LIST FIND_LIST NATIVE_ROOT

WALK_LIST holds the walk's drive paths (E:\\...), one a line; FIND_LIST holds
find's native paths, NUL-separated (-print0).  The two must name the same
files, and the walk's list must follow the walk's order: in every folder its
files first, then the contents of its subfolders, subfolder by subfolder;
names compared with ASCII letters folded to upper case, then as bytes, and
names equal after folding in plain byte order.

Exits 0 when both hold; otherwise prints the first fault and exits 1.
"""

import sys

UPPER = bytes.maketrans(b"abcdefghijklmnopqrstuvwxyz", b"ABCDEFGHIJKLMNOPQRSTUVWXYZ")


def order_key(components):
    """Sort key of a file given its path components below the root."""
    *folders, name = components
    # 1 for a folder and 0 for the file itself: where two paths first differ,
    # the file that sits directly in that folder comes before any subfolder.
    return tuple((1, f.translate(UPPER), f) for f in folders) + ((0, name.translate(UPPER), name),)


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    walk_list, find_list, root = sys.argv[1:]
    with open(walk_list, "rb") as f:
        walk = f.read().split(b"\n")
    if walk and walk[-1] == b"":
        walk.pop()
    with open(find_list, "rb") as f:
        found = [p for p in f.read().split(b"\0") if p]

    root_bytes = root.rstrip("/").encode() + b"/"
    find_set = set()
    for p in found:
        if not p.startswith(root_bytes):
            print(f"find printed a path outside the root: {p!r}")
            return 1
        find_set.add(tuple(p[len(root_bytes):].split(b"/")))

    faults = 0
    previous = None
    walk_set = set()
    for i, line in enumerate(walk):
        if not line.startswith(b"E:\\"):
            print(f"line {i + 1}: not a path on drive E: {line!r}")
            return 1
        components = tuple(line[3:].split(b"\\"))
        if components in walk_set:
            print(f"line {i + 1}: listed twice: {line.decode(errors='replace')}")
            return 1
        walk_set.add(components)
        key = order_key(components)
        if previous is not None and not previous[0] < key:
            print(f"line {i + 1}: out of order:\n  {previous[1].decode(errors='replace')}\n"
                  f"  {line.decode(errors='replace')}")
            faults += 1
            if faults >= 5:
                break
        previous = (key, line)
    if faults:
        return 1

    missing = find_set - walk_set
    extra = walk_set - find_set
    if missing or extra:
        for c in sorted(missing)[:5]:
            print("found by find, not by the walk: " + b"/".join(c).decode(errors="replace"))
        for c in sorted(extra)[:5]:
            print("found by the walk, not by find: " + b"/".join(c).decode(errors="replace"))
        print(f"{len(missing)} missing, {len(extra)} extra")
        return 1
    print(f"order ok, same {len(walk_set)} files as find")
    return 0


if __name__ == "__main__":
    sys.exit(main())
