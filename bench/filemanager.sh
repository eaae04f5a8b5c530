#!/usr/bin/env bash
# How long the window stalls while the file manager opens a folder of 20,000
# files on a removable drive, as root (inside /work/isolated on the shared
# build machine, so no other program's drives interfere).
#
#   bench/filemanager.sh [ROUNDS] [FILES]        (defaults 5 and 20000)
#
# Mounts a tmpfs below /media/root as the customer's device, fills its root
# with FILES media files (Chinese and numbered names) and a few folders, then
# runs zorvik_filemanagerbench (in ${ZORVIK_BUILD_DIR:-build}) twice:
#   1. the station: the real main window, headless, "U盘管理" pressed until
#      the file list holds every item and is painted, ROUNDS times;
#   2. the reference: Qt's QFileSystemModel with a report-style view opening
#      the same folder, ROUNDS times, each with a fresh model.
# Each prints, per round, the longest gap of a 2 ms GUI timer (the stall as
# the operator sees it, waits for a busy machine's cores included) and the
# GUI thread's CPU time in its longest event (the stall the program causes).
# The last lines are "ratio <station gap / QFileSystemModel gap>" and
# "event_ratio" for the CPU figures. The target (a window never held up more
# than 50 ms) is reported, not enforced; the load average is printed so a
# gap measured on a busy machine can be read as such.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ZORVIK_BUILD_DIR:-$repo/build}
rounds=${1:-5}
files=${2:-20000}
bench="$build/bench/zorvik_filemanagerbench"

if [[ $(id -u) -ne 0 ]]; then
    echo "bench/filemanager.sh: mounting the device needs root" >&2
    exit 77
fi
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$repo" -B "$build" -G Ninja >/dev/null
fi
ninja -C "$build" zorvik_filemanagerbench >/dev/null

work=$(mktemp -d)
mkdir -p /media/root
device=$(mktemp -d /media/root/zorvik-bench-XXXXXX)
cleanup() {
    umount "$device" 2>/dev/null || true
    rmdir "$device" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mount -t tmpfs -o size=256m tmpfs "$device"

python3 - "$device" "$files" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
singers = ["刘德华", "张学友", "周杰伦", "王菲", "邓丽君", "陈奕迅", "Beyond", "林俊杰"]
for d in ["My Music", "video", "Photos", "Ebook", "Games"]:
    os.makedirs(os.path.join(root, d))
for n in range(count):
    name = f"{3000 + n}{singers[n % len(singers)]}-歌曲{n}.mp3"
    with open(os.path.join(root, name), "wb") as f:
        f.write(b"x" * (n % 2048))
PY

# D: in a scratch folder, so "本地磁盘" touches nothing real.
mkdir -p "$work/prog/数据文件" "$work/d"
printf '[Drives]\r\nD=%s\r\n' "$work/d" > "$work/prog/数据文件/Corlen.ini"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

echo "== station: the file manager on $files files"
station=$(ZORVIK_HOME="$work/prog" "$bench" station "$rounds" 2>/dev/null)
echo "$station"
echo "== reference: QFileSystemModel on the same folder"
reference=$("$bench" qfsm "$device" "$rounds" 2>/dev/null)
echo "$reference"

ours=$(awk '/^longest_gap/ {print $2}' <<<"$station")
theirs=$(awk '/^longest_gap/ {print $2}' <<<"$reference")
ours_cpu=$(awk '/^longest_event_cpu/ {print $2}' <<<"$station")
theirs_cpu=$(awk '/^longest_event_cpu/ {print $2}' <<<"$reference")
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
awk -v a="$ours" -v b="$theirs" -v c="$ours_cpu" -v d="$theirs_cpu" 'BEGIN {
    printf "station longest stall %.1f ms (target 50 ms), longest event %.1f ms CPU\n", a * 1000, c * 1000
    printf "QFileSystemModel longest stall %.1f ms, longest event %.1f ms CPU\n", b * 1000, d * 1000
    printf "ratio %.3f\nevent_ratio %.3f\n", a / b, c / d
}'
