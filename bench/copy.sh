#!/usr/bin/env bash
# Times the copy engine against cp, onto a device in memory, as root.
#
#   sudo bench/copy.sh [ROUNDS]        (default 5)
#
# Builds zorvik_copybench (in ${ZORVIK_BUILD_DIR:-build}), makes the library
# files once under ${ZORVIK_COPY_BENCH_DIR:-/var/tmp/zorvik-bench-copy}/E (on
# the real disk: a 512 MiB file of random bytes, the same bytes behind a
# 407,552-byte block as a "bk2009" file, and five 100 MiB files), mounts a
# 1200 MiB tmpfs below /media/root as the customer's device and puts the
# staging folders (D:\歌曲下载\清单N) in a scratch folder on the real disk.
# Where exfat-fuse and a loop device are at hand it also formats a 1.2 GiB
# exFAT image on the real disk and mounts it below /media/root as a card.
# In one run it prints:
#   1. the 512 MiB file through the engine (list 1) against cp + sync of the
#      file and its folder, as the engine flushes both; best of ROUNDS each,
#      alternating, the copy deleted between runs;
#   2. the prefixed file through the engine (one pass, straight from the
#      library file) against cp + sync of the plain bytes and dd skipping the
#      block + sync;
#   3. five lists started at once, one 100 MiB file each, against five
#      cp + sync in parallel: the total and each list's end;
#   3b. the plain file onto the exFAT card, engine against cp + sync onto
#      the same card;
#   4. the longest gap of a 2 ms GUI timer while the engine copies run.
# The last two lines are "prefixed_ratio <engine / cp of the same bytes>" and
# "ratio <engine time / cp time>" for the plain file.
# The devices are unmounted at the end, whatever happens. Targets are
# reported, not enforced. Copies run in the helper process zorvik_copy, as in
# the station.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_dir=${ZORVIK_COPY_BENCH_DIR:-/var/tmp/zorvik-bench-copy}
build=${ZORVIK_BUILD_DIR:-$repo/build}
rounds=${1:-5}
copybench="$build/bench/zorvik_copybench"
block=407552

if [[ $EUID -ne 0 ]]; then
    echo "copy.sh mounts a tmpfs device and must run as root" >&2
    exit 1
fi

if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$repo" -B "$build" -G Ninja >/dev/null
fi
ninja -C "$build" zorvik_copybench zorvik_copy >/dev/null
export ZORVIK_COPY_HELPER="$build/bin/zorvik_copy"

# The library and the staging folders must be on a disk, not in memory.
mkdir -p "$bench_dir"
if [[ $(stat -f -c %T "$bench_dir") == tmpfs ]]; then
    echo "$bench_dir is on a tmpfs; set ZORVIK_COPY_BENCH_DIR to a folder on a disk" >&2
    exit 1
fi

films="$bench_dir/E/Brask搜歌库/3-电影"
mkdir -p "$films"
# Made once; a file of the wrong size (an interrupted run) is made again.
make_file() {  # PATH MIB
    local path=$1 mib=$2
    if [[ -f "$path" && $(stat -c %s "$path") -eq $((mib << 20)) ]]; then return; fi
    head -c "${mib}M" /dev/urandom >"$path.tmp"
    mv "$path.tmp" "$path"
}
make_file "$films/plain512.mp4" 512
prefixed="$films/pref512bk2009.mp4"
if [[ ! -f "$prefixed" || $(stat -c %s "$prefixed") -ne $(((512 << 20) + block)) ||
      "$prefixed" -ot "$films/plain512.mp4" ]]; then
    { head -c "$block" /dev/urandom; cat "$films/plain512.mp4"; } >"$prefixed.tmp"
    mv "$prefixed.tmp" "$prefixed"
fi
for n in 1 2 3 4 5; do make_file "$films/list$n.mp4" 100; done

work=$(mktemp -d "$bench_dir/run.XXXXXX")
mkdir -p /media/root
device=$(mktemp -d /media/root/zorvik-copybench.XXXXXX)
mounted=0
card=
loop=
cleanup() {
    if [[ $mounted == 1 ]]; then
        umount "$device" 2>/dev/null || umount -l "$device" || true
    fi
    rmdir "$device" 2>/dev/null || true
    if [[ -n $card ]]; then
        umount "$card" 2>/dev/null || umount -l "$card" 2>/dev/null || true
        rmdir "$card" 2>/dev/null || true
    fi
    if [[ -n $loop ]]; then
        for _ in $(seq 50); do losetup -d "$loop" 2>/dev/null && break; sleep 0.1; done
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mount -t tmpfs -o size=1200m,mode=0755 zorvik-copybench "$device"
mounted=1

# The exFAT card: an image on the real disk, through a loop device.
if command -v mount.exfat-fuse >/dev/null && command -v mkfs.exfat >/dev/null; then
    truncate -s 1200M "$work/card.img"
    mkfs.exfat "$work/card.img" >/dev/null
    if loop=$(losetup -f --show "$work/card.img" 2>/dev/null); then
        card=$(mktemp -d /media/root/zorvik-copybench-exfat.XXXXXX)
        mount.exfat-fuse "$loop" "$card" >/dev/null 2>&1 || { echo "cannot mount the exFAT card" >&2; exit 1; }
    else
        loop=
        echo "no loop device: no exFAT row" >&2
    fi
else
    echo "no exfat-fuse (scripts/install-deps.sh installs it): no exFAT row" >&2
fi

mkdir -p "$work/D" "$work/xdg"
chmod 700 "$work/xdg"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/xdg"
"$copybench" "$bench_dir/E" "$work/D" "$device" "$rounds" ${card:+"$card"}
