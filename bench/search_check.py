#!/usr/bin/env python3
"""Check a search's rows against find's lists, drive by drive.

Usage: search_check.py SEARCH_LIST LETTER:FIND_LIST:NATIVE_ROOT ...

SEARCH_LIST holds the result rows (drive paths, X:\\...), one a line.  Each
further argument names a library drive in the order the search walks them:
its letter, find's NUL-separated list for its library folder and the native
folder the letter maps to.  The rows must come drive by drive in that order,
each drive's rows in the walk's order (see check_walk_order.py), and name
exactly the files find listed.

Exits 0 when all holds; otherwise prints the first faults and exits 1.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_walk_order import order_key  # noqa: E402


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[1], "rb") as f:
        rows = f.read().split(b"\n")
    if rows and rows[-1] == b"":
        rows.pop()
    drives = []
    for arg in sys.argv[2:]:
        letter, find_list, root = arg.split(":", 2)
        drives.append((letter.encode(), find_list, root.rstrip("/").encode() + b"/"))

    at = 0
    total = 0
    for letter, find_list, root in drives:
        prefix = letter + b":\\"
        with open(find_list, "rb") as f:
            found = [p for p in f.read().split(b"\0") if p]
        find_set = set()
        for p in found:
            if not p.startswith(root):
                print(f"find printed a path outside {root.decode()}: {p!r}")
                return 1
            find_set.add(tuple(p[len(root):].split(b"/")))
        search_set = set()
        previous = None
        while at < len(rows) and rows[at].startswith(prefix):
            line = rows[at]
            components = tuple(line[len(prefix):].split(b"\\"))
            if components in search_set:
                print(f"row {at + 1}: listed twice: {line.decode(errors='replace')}")
                return 1
            search_set.add(components)
            key = order_key(components)
            if previous is not None and not previous[0] < key:
                print(f"row {at + 1}: out of order:\n  {previous[1].decode(errors='replace')}\n"
                      f"  {line.decode(errors='replace')}")
                return 1
            previous = (key, line)
            at += 1
        missing = find_set - search_set
        extra = search_set - find_set
        if missing or extra:
            for c in sorted(missing)[:5]:
                print(f"{letter.decode()}: found by find, not by the search: "
                      + b"/".join(c).decode(errors="replace"))
            for c in sorted(extra)[:5]:
                print(f"{letter.decode()}: found by the search, not by find: "
                      + b"/".join(c).decode(errors="replace"))
            print(f"{letter.decode()}: {len(missing)} missing, {len(extra)} extra")
            return 1
        total += len(search_set)
    if at != len(rows):
        print(f"row {at + 1}: not on the next drive in order: {rows[at].decode(errors='replace')}")
        return 1
    print(f"order ok, same {total} files as find on {len(drives)} drives")
    return 0


if __name__ == "__main__":
    sys.exit(main())
