#!/usr/bin/env bash
# The counter while a slow phone is served, as root.
#
#   bench/slowphone.sh [DELAY_MS]        (default 300)
#
# Mounts the tests' slow phone (zorvik_slowphone: every call answered
# DELAY_MS late) below /media/root over a 64 MiB tmpfs, makes a program folder
# whose library holds 20 songs of 64 KiB, and runs zorvik_slowphonebench: the
# real station and main window, offscreen. It prints each step's time and the
# longest stall of the GUI thread meanwhile; "stall_over_target" is the
# longest stall over the 50 ms the counter may be held up. Reported, not
# enforced.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ZORVIK_BUILD_DIR:-$repo/build}
delay=${1:-300}
files=20

if [[ $EUID -ne 0 ]]; then
    echo "slowphone.sh mounts a FUSE phone and must run as root" >&2
    exit 1
fi
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$repo" -B "$build" -G Ninja >/dev/null
fi
ninja -C "$build" zorvik_slowphonebench zorvik_slowphone zorvik_copy >/dev/null
export ZORVIK_COPY_HELPER="$build/bin/zorvik_copy"

work=$(mktemp -d)
mkdir -p /media/root
phone=$(mktemp -d /media/root/zorvik-slowphone.XXXXXX)
daemon=
cleanup() {
    umount "$phone" 2>/dev/null || umount -l "$phone" 2>/dev/null || true
    [[ -n $daemon ]] && wait "$daemon" 2>/dev/null || true
    umount "$work/back" 2>/dev/null || true
    rmdir "$phone" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/back" "$work/prog/数据文件" "$work/D" "$work/E/Brask搜歌库/1-音乐" "$work/xdg"
chmod 700 "$work/xdg"
mount -t tmpfs -o size=64m zorvik-slowphone-back "$work/back"
for i in $(seq 1 $files); do head -c 65536 /dev/urandom >"$work/E/Brask搜歌库/1-音乐/$((3000 + i))慢歌.mp3"; done
printf '[Drives]\r\nD=%s\r\nE=%s\r\n[PanFu1]\r\nPanFu1=E\r\n' "$work/D" "$work/E" >"$work/prog/数据文件/Corlen.ini"

"$build/bin/zorvik_slowphone" "$work/back" "$phone" --delay-ms "$delay" & daemon=$!
for _ in $(seq 100); do grep -q " $phone " /proc/self/mountinfo && break; sleep 0.05; done

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/xdg"
echo "slow phone at $phone, every call ${delay} ms late, ${files} songs of 64 KiB"
"$build/bench/zorvik_slowphonebench" "$work/prog" "$phone" "$work/back" "$files"
