#!/usr/bin/env bash
# Start-up of the station, timed from exec, in one run against two references:
#
# - a bare Qt Widgets window (bench/barewindow.cpp, built here): the station's
#   main window should show within twice the time the bare window takes;
# - the same station built without the web engine: the web search window must
#   start the engine only when it is first shown, so start-up time and memory
#   stay as they are without it.
#
#   bench/startup.sh [ROUNDS]      (default 7; run it inside /work/isolated or
#                                   wherever no other station holds the lock)
#
# The stations run on a copy of the demo program folder (tools/make_demo.py,
# made once in build/demo) whose data files are at their limits: five order
# lists of 200 entries, a playlist of 1,000, a hot list of 10,000 lines
# (bench/startup_limits.py). Each round starts the three programs in turn under
# Xvfb; bench/startwatch.cpp sees the X server map the main window and reads
# the station's start-up trace for "就绪！" (the warm-up walk's end), then takes
# CPU time, resident memory and the web engine processes two seconds later.
# Prints the medians, then the ratios.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=${1:-7}

if [[ -z "${ZORVIK_BENCH_INNER:-}" ]]; then
    [[ -f "$repo/build/build.ninja" ]] ||
        cmake -S "$repo" -B "$repo/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    [[ -f "$repo/build-noweb/build.ninja" ]] ||
        cmake -S "$repo" -B "$repo/build-noweb" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DZORVIK_WITH_WEBENGINE=OFF >/dev/null
    ninja -C "$repo/build" zorvik zorvik_barewindow zorvik_startwatch >/dev/null
    ninja -C "$repo/build-noweb" zorvik >/dev/null
    python3 "$repo/tools/make_demo.py" "$repo/build/demo" >/dev/null
    ZORVIK_BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$rounds"
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
home=$scratch/station
cp -a "$repo/build/demo" "$home"
python3 "$repo/bench/startup_limits.py" "$home"

watch="$repo/build/bench/zorvik_startwatch"
title='手机下载系统2015'

# One start: "shown_ms ready_ms cpu_ms rss_kb engines" into FILE.
measure() {
    local file=$1 ready=$2
    shift 2
    if ! ZORVIK_HOME=$home ZORVIK_STARTUP_TRACE=1 "$watch" "$title" "$ready" 2000 "$scratch/log" -- "$@" >>"$file"; then
        cat "$scratch/log" >&2
        exit 1
    fi
}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
column() { cut -d' ' -f"$2" "$1" | median; }

for ((i = 0; i < rounds; i++)); do
    measure "$scratch/bare" - "$repo/build/bench/zorvik_barewindow"
    measure "$scratch/without" 就绪！ "$repo/build-noweb/bin/zorvik"
    measure "$scratch/with" 就绪！ "$repo/build/bin/zorvik"
done

printf '%-26s %9s %9s %9s %10s %8s\n' "program (median of $rounds)" "shown ms" "就绪！ ms" "cpu ms" "rss KiB" "engines"
for pair in "bare Qt window:bare" "without web engine:without" "with web engine:with"; do
    file=$scratch/${pair#*:}
    ready=$(column "$file" 2)
    [[ ${pair#*:} == bare ]] && ready=-
    printf '%-26s %9s %9s %9s %10s %8s\n' "${pair%%:*}" "$(column "$file" 1)" "$ready" \
        "$(column "$file" 3)" "$(column "$file" 4)" "$(column "$file" 5)"
done
# Ratios of medians; and the median of the per-round ratios, which a load
# that changes during the run sways less.
per_round() { paste -d' ' "$1" "$2" | awk -v a="$3" -v b="$4" '{printf "%.4f\n", $a / $b}' | median; }
awk -v a="$(column "$scratch/with" 1)" -v b="$(column "$scratch/without" 1)" \
    -v c="$(column "$scratch/with" 4)" -v d="$(column "$scratch/without" 4)" \
    'BEGIN {printf "ratio shown %.2f  ratio rss %.2f  (with / without web engine)\n", a / b, c / d}'
awk -v a="$(column "$scratch/with" 1)" -v r="$(column "$scratch/with" 2)" -v b="$(column "$scratch/bare" 1)" \
    -v pa="$(per_round "$scratch/with" "$scratch/bare" 1 6)" -v pr="$(per_round "$scratch/with" "$scratch/bare" 2 6)" \
    'BEGIN {printf "ratio first window %.2f (per round %.2f)  ratio 就绪！ %.2f (per round %.2f)  (station / bare Qt window; target first window 2.0)\n", a / b, pa, r / b, pr}'
