#!/usr/bin/env bash
# The sanitizer passes, each in a build folder of its own:
#   asan   ASan+UBSan build (build-asan/), every test
#   logic  the same build, the logic tests only (what .ci/run uses)
#   tsan   TSan build (build-tsan/), the tests whose code runs on several threads
#   all    asan, then tsan (the default)
# Suppressions (scripts/sanitize/*.supp) name only Qt and system libraries.
# The web view module is left out (-DZORVIK_WITH_WEBENGINE=OFF): Chromium is
# not built for the sanitizers. Builds run at nice 10, beside other work.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
mode=${1:-all}
jobs=$(nproc)

configure() {  # folder, flags
  if [ ! -f "$1/build.ninja" ]; then
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZORVIK_WITH_WEBENGINE=OFF \
      -DCMAKE_CXX_FLAGS="$2 -O1 -g -fno-omit-frame-pointer" >/dev/null
  fi
}

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Slow unwinding on malloc: the system libraries have no frame pointers, and
# the leak suppressions need the whole allocation stack to name their caller.
export ASAN_OPTIONS="suppressions=$root/scripts/sanitize/asan.supp:detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=0:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitize/lsan.supp:print_suppressions=0"
export TSAN_OPTIONS="suppressions=$root/scripts/sanitize/tsan.supp:halt_on_error=0:second_deadlock_stack=1:exitcode=66"

build() {  # folder, targets...
  local folder=$1
  shift
  nice -n 10 cmake --build "$folder" -j "$jobs" ${1:+--target "$@"} >"$folder/sanitize-build.log" 2>&1 ||
    { tail -30 "$folder/sanitize-build.log"; return 1; }
}

asan() {  # [targets to build, then -- and ctest arguments]
  local targets=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do targets+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  echo "== ASan+UBSan build (build-asan/)"
  configure build-asan "-fsanitize=address,undefined -fno-sanitize-recover=undefined"
  build build-asan "${targets[@]}"
  echo "== ASan+UBSan tests"
  (cd build-asan && nice -n 10 ctest --output-on-failure --timeout 900 -j "$jobs" "$@")
}

# The tests whose code runs on worker threads: jobs, copy lanes, walks and
# listings, the warm-up, the drive monitor, the picture loader, the player,
# the file manager and the local folder upkeep; and the whole program.
threaded='^(Jobs|Walk|OrderedWalk|Listings|Lanes|RealDrives|RemovableDrives|Pictures|PictureAdds|Preview|PreviewStation|Cues|FileManagerTest|LocalFolderUpkeep|Search|StationStart|StationSearch|EndToEnd)\.|^(picturewindow_test|filemanagerpanel_test|playerpanel_test|clean_kill)$'

tsan() {
  echo "== TSan build (build-tsan/)"
  configure build-tsan "-fsanitize=thread"
  build build-tsan zorvik_logic_tests picturewindow_test filemanagerpanel_test playerpanel_test zorvik_cleankill_saver
  echo "== TSan tests (threaded: $threaded)"
  (cd build-tsan && nice -n 10 ctest --output-on-failure --timeout 900 -j "$jobs" -R "$threaded")
}

case $mode in
  asan) asan ;;
  logic) asan zorvik_logic_tests -- -R '^[A-Z][A-Za-z0-9]*\.' -E '^(Sound|StationSound)\.' ;;  # Suite.Case
  tsan) tsan ;;
  all) asan; tsan ;;  # not `asan && tsan`: set -e would let a failed asan pass through
  *) echo "usage: $0 [asan|logic|tsan|all]"; exit 2 ;;
esac
echo "sanitize ($mode): clean"
