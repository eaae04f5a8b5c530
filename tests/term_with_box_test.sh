#!/usr/bin/env bash
# A session ending while an error box waits for the operator (here: order
# list 1's file cannot be read at start-up): the station still closes, at once.
set -u
program=$1
source "$(dirname "$0")/support/in_xvfb.sh"  # no window manager: the box has no active window to sit on
work=$(mktemp -d)
trap 'kill -9 ${station:-} 2>/dev/null; rm -rf "$work"' EXIT
export HOME="$work" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 ZORVIK_STARTUP_TRACE=1
mkdir -p "$work/prog/数据文件/清单1.txt" "$work/d"
printf '[Drives]\r\nD=%s\r\n' "$work/d" > "$work/prog/数据文件/Corlen.ini"

ZORVIK_HOME="$work/prog" "$program" 2> "$work/trace" & station=$!
for _ in $(seq 100); do grep -q "main window shown" "$work/trace" && break; sleep 0.1; done
grep -q "main window shown" "$work/trace" || { echo "the station did not start"; exit 1; }
for _ in $(seq 100); do grep -q "error box" "$work/trace" && break; sleep 0.1; done
grep -q "error box" "$work/trace" || { echo "no error box was shown (was 清单1.txt read?)"; exit 1; }
# The box waits until the operation that failed has returned: start-up ran to its end first.
if ! grep -A1000 "start-up timer done" "$work/trace" | grep -q "error box"; then
  echo "the error box opened in the middle of the start-up"; exit 1
fi
kill -TERM "$station"
for _ in $(seq 100); do kill -0 "$station" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$station" 2>/dev/null; then
  echo "SIGTERM did not end the station within 10 s while its error box was open"; exit 1
fi
echo "SIGTERM with an error box open: ok"
