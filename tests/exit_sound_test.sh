#!/usr/bin/env bash
# The exit sound is heard: a sound server with a null sink records what the
# station plays between its close and its end. Only the exit cue file exists,
# so anything recorded is that sound.
set -u
program=$1
cues=$2
command -v pulseaudio >/dev/null && command -v parecord >/dev/null && command -v sox >/dev/null \
  || { echo "no pulseaudio/parecord/sox: skipped"; exit 77; }

work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run" HOME="$work" QT_QPA_PLATFORM=offscreen
mkdir -m 700 "$XDG_RUNTIME_DIR"
cleanup() {
  kill -9 ${station:-} ${recorder:-} 2>/dev/null
  pactl exit 2>/dev/null
  kill ${server:-} 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no -L module-native-protocol-unix \
  -L "module-null-sink sink_name=nullsink" -L module-always-sink >"$work/pa.log" 2>&1 & server=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "sound server did not start: skipped"; cat "$work/pa.log"; exit 77; }

mkdir -p "$work/prog/按键音乐"
cp "$cues/退出.wav" "$work/prog/按键音乐/"
parecord -d nullsink.monitor --file-format=wav "$work/rec.wav" & recorder=$!
# The close is asked for once the start-up timer has run: the station takes
# SIGTERM as a close from before its window shows.
ZORVIK_STARTUP_TRACE=1 ZORVIK_HOME="$work/prog" "$program" 2>"$work/trace" & station=$!
for _ in $(seq 400); do grep -q "start-up timer done" "$work/trace" && break; sleep 0.1; done
grep -q "start-up timer done" "$work/trace" || { echo "the station did not start"; cat "$work/trace"; exit 1; }
kill -TERM "$station"
wait "$station"; status=$?
# The monitor hands the sound on after the station ends; nothing says when it has all arrived.
sleep 0.3
kill "$recorder"; wait "$recorder" 2>/dev/null

[ "$status" -eq 0 ] || { echo "station ended with $status"; exit 1; }
peak=$(sox "$work/rec.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
echo "peak of the recording: $peak"
awk -v p="$peak" 'BEGIN { exit !(p > 0.1) }' || { echo "the exit sound was not heard"; exit 1; }
echo "exit sound: ok"
