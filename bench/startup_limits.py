#!/usr/bin/env python3
"""Fill a copy of the demo program folder with data files at their limits.

Usage: bench/startup_limits.py PROGRAM_FOLDER

Five order lists of 200 entries, a playlist of 1,000 entries and a hot list of
10,000 lines, all naming files of the folder's library drive E: (GB18030,
CR LF, as the station writes them). The drive table is pointed at the copy.
"""

import os
import re
import sys

home = sys.argv[1]
data = os.path.join(home, "数据文件")
ini = os.path.join(data, "Corlen.ini")

# The copy's drives are its own folders, not those of the demo it came from.
text = open(ini, encoding="gb18030").read()
text = re.sub(r"^([DE])=.*$", lambda m: f"{m.group(1)}={os.path.join(home, m.group(1))}", text, flags=re.M)
with open(ini, "w", encoding="gb18030", newline="\r\n") as f:
    f.write(text)

library = os.path.join(home, "E")
files = []
for folder, subfolders, names in os.walk(library):
    subfolders.sort()
    for name in sorted(n for n in names if not n.lower().endswith(".lrc")):
        native = os.path.relpath(os.path.join(folder, name), library)
        files.append("E:\\" + native.replace("/", "\\"))
if not files:
    sys.exit(f"no library files below {library}")


def pick(count, offset):
    return [files[(offset + i) % len(files)] for i in range(count)]


def write(name, lines):
    with open(os.path.join(data, name), "w", encoding="gb18030", newline="\r\n") as f:
        f.write("".join(line + "\n" for line in lines))


for n in range(1, 6):
    write(f"清单{n}.txt", pick(200, n * 37))
write("播放列表.txt", pick(1000, 11))
# Hot lines must name distinct files to stay distinct lines: the library's own
# files first, then names in its folders that a busy shop would have copied.
hot = []
for i in range(10000):
    path = files[i] if i < len(files) else files[i % len(files)][:-4] + f"-{i}" + files[i % len(files)][-4:]
    hot.append(f"{(i * 7919) % 5000 + 1:03d}C,{path}")
write("热门推荐.txt", hot)
