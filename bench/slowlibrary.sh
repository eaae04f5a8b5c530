#!/usr/bin/env bash
# The counter while its library disk answers late, as root.
#
#   bench/slowlibrary.sh [DELAY_MS] [STEP_SECONDS]     (defaults 1500, 8)
#
# Mounts the tests' slow disk (zorvik_slowphone: every call answered DELAY_MS
# late, one at a time) as library drive E: (not below /media, so a fixed
# drive), with order lists 1 and 2 and a hot list naming its songs, and runs
# zorvik_slowlibrarybench: the real station and window, offscreen, through
# start-up, a list switch, an add, the hot ranking and a search. It prints the
# longest stall of the GUI thread against the 50 ms the counter may be held
# up. Then the real program is started on the same folder and sent SIGTERM
# once started: the time to its exit, against 2 s. Reported, not enforced.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ZORVIK_BUILD_DIR:-$repo/build}
delay=${1:-1500}
step=${2:-8}

if [[ $EUID -ne 0 ]]; then
    echo "slowlibrary.sh mounts a FUSE disk and must run as root" >&2
    exit 1
fi
if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$repo" -B "$build" -G Ninja >/dev/null
fi
ninja -C "$build" zorvik_slowlibrarybench zorvik_slowphone zorvik zorvik_copy >/dev/null

work=$(mktemp -d)
daemon=
station=
cleanup() {
    [[ -n $station ]] && kill -9 "$station" 2>/dev/null || true
    umount "$work/E" 2>/dev/null || umount -l "$work/E" 2>/dev/null || true
    [[ -n $daemon ]] && wait "$daemon" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

music="$work/back/Brask搜歌库/1-音乐"
mkdir -p "$music" "$work/E" "$work/D" "$work/prog/数据文件" "$work/xdg"
chmod 700 "$work/xdg"
for i in $(seq 1 20); do head -c 65536 /dev/urandom >"$music/$((3000 + i))慢歌.mp3"; done
printf '[Drives]\r\nD=%s\r\nE=%s\r\n[PanFu1]\r\nPanFu1=E\r\n' "$work/D" "$work/E" >"$work/prog/数据文件/Corlen.ini"
line() { printf 'E:\\Brask搜歌库\\1-音乐\\%s慢歌.mp3\r\n' "$1"; }
{ line 3001; line 3002; line 3003; } | iconv -f UTF-8 -t GB18030 >"$work/prog/数据文件/清单1.txt"
{ line 3004; line 3005; line 3006; } | iconv -f UTF-8 -t GB18030 >"$work/prog/数据文件/清单2.txt"
{ printf '005C,'; line 3001; printf '012C,'; line 3002; } | iconv -f UTF-8 -t GB18030 >"$work/prog/数据文件/热门推荐.txt"

"$build/bin/zorvik_slowphone" "$work/back" "$work/E" --delay-ms "$delay" & daemon=$!
for _ in $(seq 100); do grep -q " $work/E " /proc/self/mountinfo && break; sleep 0.05; done

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/xdg" ZORVIK_COPY_HELPER="$build/bin/zorvik_copy"
echo "library disk E: at $work/E, every call ${delay} ms late, one at a time"
"$build/bench/zorvik_slowlibrarybench" "$work/prog" "$step"

# The real program, ended by SIGTERM once its start-up is done.
ZORVIK_STARTUP_TRACE=1 ZORVIK_HOME="$work/prog" "$build/bin/zorvik" 2>"$work/trace" & station=$!
for _ in $(seq 600); do grep -q "start-up timer done" "$work/trace" && break; sleep 0.1; done
grep -q "start-up timer done" "$work/trace" || echo "the station's start-up did not end within 60 s"
sleep 2
t0=$(date +%s.%N)
kill -TERM "$station"
wait "$station" 2>/dev/null || true
t1=$(date +%s.%N)
station=
awk -v a="$t0" -v b="$t1" 'BEGIN { printf "sigterm_to_exit_s %.2f\nsigterm_over_target %.3f  (against 2 s)\n", b - a, (b - a) / 2 }'
