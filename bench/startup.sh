#!/usr/bin/env bash
# Start-up of the station built with the web engine against the same station
# built without it (the reference): the web search window must start the
# engine only when it is first shown, so start-up time and memory stay as
# they are without it.
#
#   bench/startup.sh [ROUNDS]      (default 7; run it inside /work/isolated or
#                                   wherever no other station holds the lock)
#
# Builds build/ and build-noweb/ (-DZORVIK_WITH_WEBENGINE=OFF) if needed, then
# starts each program ROUNDS times in turn under Xvfb on an empty program
# folder and prints the medians of: milliseconds until the main window is
# mapped, CPU milliseconds and resident memory two seconds later, and the
# number of web engine processes running then. Ends with the ratios.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=${1:-7}

if [[ -z "${ZORVIK_BENCH_INNER:-}" ]]; then
    [[ -f "$repo/build/build.ninja" ]] || cmake -S "$repo" -B "$repo/build" -G Ninja >/dev/null
    [[ -f "$repo/build-noweb/build.ninja" ]] ||
        cmake -S "$repo" -B "$repo/build-noweb" -G Ninja -DZORVIK_WITH_WEBENGINE=OFF >/dev/null
    ninja -C "$repo/build" zorvik >/dev/null
    ninja -C "$repo/build-noweb" zorvik >/dev/null
    ZORVIK_BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$rounds"
fi

tick_ms=$((1000 / $(getconf CLK_TCK)))

# One start: "shown_ms cpu_ms rss_kb engines".
measure() {
    local program=$1 home start pid shown rss cpu engines
    home=$(mktemp -d)
    start=$(date +%s%N)
    ZORVIK_HOME=$home "$program" >"$home.log" 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name '手机下载系统2015' >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "$program ended at start-up:" >&2; cat "$home.log" >&2; exit 1; }
        sleep 0.005
    done
    shown=$((($(date +%s%N) - start) / 1000000))
    sleep 2
    rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
    cpu=$(awk -v t="$tick_ms" '{print ($14 + $15) * t}' "/proc/$pid/stat")
    engines=$(pgrep -c -f QtWebEngineProcess || true)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    rm -rf "$home" "$home.log"
    echo "$shown $cpu $rss $engines"
}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

with=$(mktemp)
without=$(mktemp)
trap 'rm -f "$with" "$without"' EXIT
for ((i = 0; i < rounds; i++)); do
    measure "$repo/build-noweb/bin/zorvik" >>"$without"
    measure "$repo/build/bin/zorvik" >>"$with"
done

printf '%-26s %12s %10s %10s %8s\n' "program (median of $rounds)" "shown ms" "cpu ms" "rss KiB" "engines"
for pair in "without web engine:$without" "with web engine:$with"; do
    file=${pair#*:}
    printf '%-26s %12s %10s %10s %8s\n' "${pair%%:*}" "$(cut -d' ' -f1 "$file" | median)" \
        "$(cut -d' ' -f2 "$file" | median)" "$(cut -d' ' -f3 "$file" | median)" "$(cut -d' ' -f4 "$file" | median)"
done
awk -v a="$(cut -d' ' -f1 "$with" | median)" -v b="$(cut -d' ' -f1 "$without" | median)" \
    -v c="$(cut -d' ' -f3 "$with" | median)" -v d="$(cut -d' ' -f3 "$without" | median)" \
    'BEGIN {printf "ratio shown %.2f  ratio rss %.2f  (with / without web engine)\n", a / b, c / d}'
