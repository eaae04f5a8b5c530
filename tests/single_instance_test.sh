#!/usr/bin/env bash
# Two stations started at once: the second only says it is already running and
# makes no window; once the first dies, even by a crash, a new one starts at once.
set -u
program=$1
source "$(dirname "$0")/support/in_xvfb.sh"
work=$(mktemp -d)
trap 'kill -9 $first $second $third 2>/dev/null; rm -rf "$work"' EXIT
export HOME="$work"  # D: is the home folder

waitFor() {  # folder, tries of 0.1 s
  for _ in $(seq "$2"); do [ -d "$1" ] && return 0; sleep 0.1; done
  return 1
}

ZORVIK_HOME="$work/one" "$program" & first=$!
waitFor "$work/one/数据文件" 100 || { echo "first station did not start"; exit 1; }

ZORVIK_HOME="$work/two" "$program" & second=$!
box=$(timeout 15 xdotool search --sync --all --onlyvisible --pid "$second" --name '^Error$' 2>/dev/null | head -1)
[ -n "$box" ] || { echo "second start showed no box"; exit 1; }
kill -0 "$second" 2>/dev/null || { echo "second start ended instead of showing its box"; exit 1; }
[ ! -e "$work/two/数据文件" ] || { echo "second start made a station"; exit 1; }
kill -9 "$second"

kill -9 "$first"
wait "$first" 2>/dev/null
ZORVIK_HOME="$work/three" "$program" & third=$!
waitFor "$work/three/数据文件" 50 || { echo "the guard was not freed by the crash"; exit 1; }
echo "single instance: ok"
