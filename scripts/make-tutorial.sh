#!/usr/bin/env bash
# Takes the operator tutorial's screenshots of the real program, on the demo
# library, under a virtual X server: run it again whenever the window changes.
#   scripts/make-tutorial.sh [program folder]    (default: build/bin)
# The pictures go to <program folder>/操作教程/images/. Needs a built program
# (scripts/build.sh). Run as root (e.g. inside a private mount namespace) to
# get the picture of a copy onto a customer's card: a small tmpfs mounted
# below /media/root stands in for it; without root that picture is left out.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${ZORVIK_TUTORIAL_X:-}" ]; then
  export ZORVIK_TUTORIAL_X=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
program=$(realpath "${1:-build/bin}")
images="$program/操作教程/images"
mkdir -p "$images"
python3 tools/make_demo.py build/demo >/dev/null

# A copy of the demo program folder, so the demo keeps its own lists.
home=$(mktemp -d)
card=""
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  [ -n "$card" ] && umount "$card" 2>/dev/null && rmdir "$card"
  rm -rf "$home"
}
trap cleanup EXIT
cp -a build/demo/. "$home/"
mkdir -p "$home/按键音乐"
cp -n build/bin/按键音乐/*.wav "$home/按键音乐/" 2>/dev/null || true

ZORVIK_HOME="$home" "$program/zorvik" >/dev/null 2>&1 &
pid=$!
main=""
for _ in $(seq 100); do
  main=$(xdotool search --name "Zorvik影音 手机下载系统2015" 2>/dev/null | head -1) && [ -n "$main" ] && break
  sleep 0.2
done
[ -n "$main" ] || { echo "the program did not open its window" >&2; exit 1; }
xdotool windowmove "$main" 0 0
sleep 4  # the warm-up walk

# Client coordinates of the designed window (no frame under a bare X server).
at() { xdotool mousemove --sync "$1" "$2"; }
click() { at "$1" "$2"; xdotool click "${3:-1}"; sleep "${4:-0.6}"; }
shot() { import -window root -crop "${2:-1010x685+0+0}" +repage "$images/$1.png"; }
# The side windows in view besides the main window.
others() { xdotool search --onlyvisible --name . 2>/dev/null | grep -vx "$main" || true; }
shotside() { import -window "$(others | tail -1)" "$images/$1.png"; }
closeside() { for w in $(others); do xdotool windowunmap "$w"; done; sleep 0.3; }

shot 01-start
# Find a song: the keyword into the search box, Enter.
click 300 68
xdotool key ctrl+a
xdotool type --delay 60 "周杰伦"
xdotool key Return
sleep 2
shot 02-search
# Fill the customer's list: a double-click adds a hit.
click 400 190 1 0.2; xdotool click --repeat 2 --delay 80 1; sleep 0.8
click 400 214 1 0.2; xdotool click --repeat 2 --delay 80 1; sleep 0.8
click 400 238 1 0.2; xdotool click --repeat 2 --delay 80 1; sleep 1
shot 03-order
shot 05-tally 257x150+732+452
# Copy to the customer's card.
if [ "$(id -u)" -eq 0 ]; then
  card=/media/root/zorvik-tutorial-$$
  mkdir -p "$card" && mount -t tmpfs -o size=64m tmpfs "$card"
  sleep 2.5
  click 979 82          # the device selector of 清单1, its arrow
  xdotool key Down Return
  sleep 1.5
  click 762 633         # 全选
  click 826 633 1 3     # 下载
  shot 04-copy
fi
# Preview: a hit, then 播放.
click 400 190
click 26 128 1 2
shot 06-preview
# The device's files.
click 688 633 1 1.5
shot 08-device
# Pictures: the 图片 tab opens the picture browser.
click 492 18 1 3
shotside 07-pictures
closeside
click 236 18 1 1      # back to 1音乐
# Settings: the window menu on the window's background, then its entries.
click 724 655 3 0.8
shot 09-menu
xdotool key Escape; sleep 0.3
click 724 655 3 0.8
xdotool key Down Down Down Return; sleep 1.5   # 参数设置
shotside 10-parameters
closeside
click 724 655 3 0.8
xdotool key Down Down Down Down Return; sleep 1.5   # 基本设置
shot 11-drives
echo "tutorial pictures in $images"
