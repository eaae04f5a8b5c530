#!/usr/bin/env bash
# Closing the station while a copy runs, the real program under Xvfb:
#   1. a 1 GB song on its way to an exFAT card (D: lies on the card): the
#      station ends within 2 s of the close, and the card holds neither the
#      song nor a temporary file;
#   2. the same onto a phone that has hung in the middle of a write (a FUSE
#      file system of the tests' own whose writes never return): the station
#      still ends within 2 s.
# The operator keys the number in with "编号查找" and "同步下载" on; the close
# is SIGTERM, which the station takes as the operator closing its window.
# No exit sound lies beside the program, so it lingers for nothing.
set -u
program=$1
slowphone=${2:-}
for tool in Xvfb xdotool losetup mkfs.exfat mount.exfat-fuse; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "needs root to mount a card: skipped"; exit 77; }
[ -e /dev/fuse ] || { echo "no /dev/fuse: skipped"; exit 77; }

work=$(mktemp -d)
card=/media/root/zorvik-close-card-$$
phone=/media/root/zorvik-close-phone-$$
loop=
station=
xserver=
phoned=
cleanup() {
  [ -n "$station" ] && kill -9 "$station" 2>/dev/null
  [ -n "$xserver" ] && kill "$xserver" 2>/dev/null
  umount "$card" 2>/dev/null || umount -l "$card" 2>/dev/null
  [ -n "$phoned" ] && kill -9 "$phoned" 2>/dev/null
  umount -l "$phone" 2>/dev/null
  umount -l "$work/back" 2>/dev/null
  if [ -n "$loop" ]; then for _ in $(seq 50); do losetup -d "$loop" 2>/dev/null && break; sleep 0.1; done; fi
  rmdir "$card" "$phone" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + $$ % 100))
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 & xserver=$!
export DISPLAY=$display QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work/run HOME=$work
mkdir -m 700 "$work/run"

# The library: song 3021, 1 GB (sparse: quick to read, long to write).
mkdir -p "$work/E/Brask搜歌库/1-音乐"
truncate -s 1G "$work/E/Brask搜歌库/1-音乐/3021大歌.mp3"

# Runs the station with D: on $1, keys in 3021, waits for the song's
# temporary file to grow below $2 (native), closes the station and prints how
# many milliseconds it took to end; 1 when it did not end within 10 s.
close_mid_copy() {
  local d=$1 watch=$2 prog=$work/prog-$RANDOM
  mkdir -p "$prog/数据文件"
  printf '[Drives]\r\nD=%s\r\nE=%s\r\n[PanFu1]\r\nPanFu1=E\r\n[TongBuXZ]\r\nTongBuXZ=true\r\n[BianHaoCZ]\r\nBianHaoCZ=true\r\n' \
    "$d" "$work/E" >"$prog/数据文件/Corlen.ini"
  ZORVIK_STARTUP_TRACE=1 ZORVIK_HOME=$prog "$program" >"$prog/out.txt" 2>&1 & station=$!
  local window
  window=$(timeout 20 xdotool search --sync --pid "$station" --class zorvik | head -1)
  [ -n "$window" ] || { echo "no station window"; return 1; }
  # The keys go to the search box once start-up has given it the focus.
  for _ in $(seq 200); do grep -q 'start-up timer done' "$prog/out.txt" && break; sleep 0.05; done
  xdotool windowfocus --sync "$window"
  xdotool key ctrl+a
  xdotool type --delay 20 3021
  xdotool key Return
  local temporary=
  for _ in $(seq 400); do
    temporary=$(find "$watch" -maxdepth 1 -name '.zorvik-*.part' -size +1k 2>/dev/null | head -1)
    [ -n "$temporary" ] && break
    sleep 0.025
  done
  [ -n "$temporary" ] || { echo "the song was not on its way"; cat "$prog/out.txt"; return 1; }
  local t0 t1
  t0=$(date +%s%N)
  kill -TERM "$station"
  for _ in $(seq 1000); do kill -0 "$station" 2>/dev/null || break; sleep 0.01; done
  t1=$(date +%s%N)
  if kill -0 "$station" 2>/dev/null; then
    echo "the station did not end"
    for t in /proc/$station/task/*; do echo "thread $(basename "$t"): $(cat "$t/wchan")"; done
    return 1
  fi
  wait "$station" 2>/dev/null
  local ended=$?
  station=
  [ "$ended" -eq 0 ] || { echo "the station ended with status $ended"; cat "$prog/out.txt"; return 1; }
  elapsed=$(((t1 - t0) / 1000000))
}

status=0

# 1. An exFAT card on a loop device.
truncate -s 1536M "$work/card.img"
mkfs.exfat "$work/card.img" >/dev/null
loop=$(losetup -f --show "$work/card.img" 2>/dev/null) || { echo "no loop device: skipped"; exit 77; }
mkdir -p "$card"
mount.exfat-fuse "$loop" "$card" >/dev/null 2>&1 || { echo "cannot mount exFAT: skipped"; exit 77; }
mkdir -p "$card/d"
if close_mid_copy "$card/d" "$card/d/歌曲下载"; then
  echo "exFAT card: the station ended ${elapsed} ms after the close"
  [ "$elapsed" -le 2000 ] || { echo "FAIL: more than 2 s"; status=1; }
  left=$(find "$card" -name '3021大歌.mp3' -o -name '.zorvik-*.part')
  [ -z "$left" ] || { echo "FAIL: left on the card: $left"; status=1; }
else
  status=1
fi

# 2. A phone that hangs in the middle of a write.
if [ -n "$slowphone" ] && [ -x "$slowphone" ]; then
  mkdir -p "$work/back" "$phone"
  mount -t tmpfs -o size=64m tmpfs "$work/back"
  mkdir -p "$work/back/d"
  "$slowphone" "$work/back" "$phone" --delay-ms 0 --hang-writes-after 1048576 >/dev/null 2>&1 & phoned=$!
  for _ in $(seq 100); do grep -q " $phone " /proc/self/mountinfo && break; sleep 0.05; done
  if close_mid_copy "$phone/d" "$work/back/d/歌曲下载"; then
    echo "hung phone: the station ended ${elapsed} ms after the close"
    [ "$elapsed" -le 2000 ] || { echo "FAIL: more than 2 s"; status=1; }
    [ ! -e "$work/back/d/歌曲下载/3021大歌.mp3" ] || { echo "FAIL: the song's name is on the phone"; status=1; }
  else
    status=1
  fi
else
  echo "no zorvik_slowphone (libfuse3-dev missing at build time): the hung phone is not tried"
fi
exit $status
