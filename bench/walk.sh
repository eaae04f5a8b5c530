#!/usr/bin/env bash
# Times the library walk against find over the same large library.
#
#   bench/walk.sh [ROUNDS]        (default 5)
#
# Builds zorvik_walkbench in build/ if needed, generates the library once
# under ${ZORVIK_BENCH_DIR:-/tmp/zorvik-bench}, warms the cache, then times
# both (the best of 3 x ROUNDS runs each), checks that the walk finds what find
# finds in the walk's order, and ends with the line "ratio <walk/find>".
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_dir=${ZORVIK_BENCH_DIR:-/tmp/zorvik-bench}
rounds=${1:-5}
pattern='*中*国**.mp3'
build="$repo/build"
walkbench="$build/bench/zorvik_walkbench"

if [[ ! -f "$build/build.ninja" ]]; then
    cmake -S "$repo" -B "$build" -G Ninja >/dev/null
fi
ninja -C "$build" zorvik_walkbench >/dev/null

python3 "$repo/bench/make_bench_library.py" "$bench_dir"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Warm the dentry and inode caches for both, and keep find's list for the check.
LC_ALL=C find "$bench_dir" -iname "$pattern" -print0 >"$work/find.list"
"$walkbench" "$bench_dir" "$pattern" 1 --list "$work/walk.list" >/dev/null

# Rounds alternate the two, so that a noisy spell on the machine hits both
# alike; each round runs the walk three times in one process and find three
# times, each find timed as a whole process with its output thrown away.
echo "== timing ($rounds rounds: walk x3 in-process, find x3 wall clock)"
python3 - "$walkbench" "$bench_dir" "$pattern" "$rounds" <<'EOF' | tee "$work/times.out"
import os, subprocess, sys, time
walkbench, root, pattern, rounds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
env = dict(os.environ, LC_ALL="C")
walk_best = find_best = float("inf")
walk_hits = None
for r in range(1, rounds + 1):
    out = subprocess.run([walkbench, root, pattern, "3"], capture_output=True, text=True, check=True).stdout
    fields = {}
    for line in out.splitlines():
        words = line.split()
        if len(words) == 2:
            fields[words[0]] = words[1]
    walk = float(fields["best"])
    walk_hits = fields["hits"]
    finds = []
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run(["find", root, "-iname", pattern], stdout=subprocess.DEVNULL, env=env, check=True)
        finds.append(time.perf_counter() - start)
    walk_best, find_best = min(walk_best, walk), min(find_best, *finds)
    print(f"round {r}: walk {walk:.6f} s, find {' '.join(f'{t:.6f}' for t in finds)} s", flush=True)
print(f"walk_best {walk_best:.6f}")
print(f"walk_hits {walk_hits}")
print(f"find_best {find_best:.6f}")
EOF
walk_best=$(awk '$1 == "walk_best" {print $2}' "$work/times.out")
walk_hits=$(awk '$1 == "walk_hits" {print $2}' "$work/times.out")
find_best=$(awk '$1 == "find_best" {print $2}' "$work/times.out")
find_hits=$(tr -cd '\0' <"$work/find.list" | wc -c)

echo "== check"
if [[ "$walk_hits" != "$find_hits" ]]; then
    echo "hit counts differ: walk $walk_hits, find $find_hits" >&2
    exit 1
fi
python3 "$repo/bench/check_walk_order.py" "$work/walk.list" "$work/find.list" "$bench_dir"

echo "walk best $walk_best s, find best $find_best s, hits: walk $walk_hits, find $find_hits"
python3 -c "import sys; print(f'ratio {float(sys.argv[1]) / float(sys.argv[2]):.3f}')" "$walk_best" "$find_best"
