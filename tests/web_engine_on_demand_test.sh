#!/usr/bin/env bash
# The real station maps the web engine only once the web search window is
# opened: nothing of it at start-up, the module and its engine after a click
# on "网上搜索".
set -u
program=$1
source "$(dirname "$0")/support/in_xvfb.sh"

work=$(mktemp -d)
export HOME="$work" XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
trap 'kill -9 ${station:-} 2>/dev/null; rm -rf "$work"' EXIT
# One library drive, so that the basic-settings panel does not cover the window.
mkdir -p "$work/prog/数据文件" "$work/e"
printf '[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nE=%s\r\n' "$work/e" >"$work/prog/数据文件/Corlen.ini"

engine_mapped() { grep -q 'libQt6WebEngineCore' "/proc/$station/maps"; }

ZORVIK_STARTUP_TRACE=1 ZORVIK_HOME="$work/prog" "$program" >"$work/out.log" 2>&1 & station=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '手机下载系统2015' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not show"; cat "$work/out.log"; exit 1; }
# Start-up is over once its timer has run and the warm-up walk is done.
for _ in $(seq 100); do
  grep -q 'start-up timer done' "$work/out.log" && grep -q '就绪！' "$work/out.log" && break
  sleep 0.1
done
grep -q '就绪！' "$work/out.log" || { echo "the start-up did not end"; cat "$work/out.log"; exit 1; }
if engine_mapped; then echo "the web engine is mapped at start-up"; exit 1; fi

# "网上搜索" in the search group, beside the search box.
xdotool mousemove --window "$window" 469 96 click 1
for _ in $(seq 100); do
  engine_mapped && xdotool search --onlyvisible --name '网  络  搜  索' >/dev/null 2>&1 && break
  sleep 0.1
done
engine_mapped || { echo "the web engine did not start with the web search window"; cat "$work/out.log"; exit 1; }
xdotool search --onlyvisible --name '网  络  搜  索' >/dev/null || { echo "no web search window"; exit 1; }
grep -q 'zorvik_webview' "/proc/$station/maps" || { echo "the engine came without the module"; exit 1; }
echo "web engine on demand: ok"
