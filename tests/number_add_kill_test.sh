#!/usr/bin/env bash
# The counter's fastest road, in the real program: started in number mode, the
# operator types 3021 and Enter without touching the mouse; the first hit is
# added to order list 1, and a kill -9 right after finds the add in the list file.
set -u
program=$1
source "$(dirname "$0")/support/in_xvfb.sh"

work=$(mktemp -d)
trap 'kill -9 ${station:-} 2>/dev/null; rm -rf "$work"' EXIT
export HOME="$work" LC_ALL=C.UTF-8
song='3021歌手-歌名.mp3'
mkdir -p "$work/prog/数据文件" "$work/d" "$work/e/Brask搜歌库/1-音乐"
head -c 20480 /dev/zero > "$work/e/Brask搜歌库/1-音乐/$song"
printf '[PanFu1]\r\nPanFu1=E\r\n[BianHaoCZ]\r\nBianHaoCZ=true\r\n[Drives]\r\nD=%s\r\nE=%s\r\n' \
  "$work/d" "$work/e" > "$work/prog/数据文件/Corlen.ini"
list="$work/prog/数据文件/清单1.txt"
expected=$(printf 'E:\\Brask搜歌库\\1-音乐\\%s\r\n' "$song" | iconv -f UTF-8 -t GB18030 | od -An -tx1)

ZORVIK_STARTUP_TRACE=1 ZORVIK_HOME="$work/prog" "$program" 2>"$work/trace" & station=$!
window=$(xdotool search --sync --onlyvisible --name 'Zorvik' | head -1)
[ -n "$window" ] || { echo "no station window"; exit 1; }
# Start-up ends with the search box holding the focus and the prompt "这里输入查找编号".
for _ in $(seq 100); do grep -q 'start-up timer done' "$work/trace" && break; sleep 0.1; done
grep -q 'start-up timer done' "$work/trace" || { echo "the start-up did not end"; cat "$work/trace"; exit 1; }
xdotool windowfocus --sync "$window"
xdotool type --delay 40 3021
xdotool key Return

for _ in $(seq 100); do
  [ -s "$list" ] && [ "$(od -An -tx1 < "$list")" = "$expected" ] && break
  sleep 0.1
done
kill -9 "$station"
wait "$station" 2>/dev/null
[ -f "$list" ] || { echo "no order list file"; exit 1; }
actual=$(od -An -tx1 < "$list")
if [ "$actual" != "$expected" ]; then
  echo "order list 1 after kill -9:"; iconv -f GB18030 -t UTF-8 < "$list"
  echo "(expected the typed number's hit: was the prompt replaced, and the add saved at once?)"
  exit 1
fi
echo "number add survives kill -9: ok"
