#!/usr/bin/env bash
# Builds the libFuzzer targets with ASan and UBSan (clang, in build-fuzz/) and
# runs each for the given seconds (default 60) from a small seed corpus made
# here. Prints the runs each made; a crash, hang or leak stops with its input
# kept in build-fuzz/fuzz/findings/<target>/.
#   bench/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
out=build-fuzz
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(settings orderlist hotlist playlist singers gb18030 wildcard keyword pinyin)

flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
if [ ! -f $out/build.ninja ]; then
  cmake -S . -B $out -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$flags" -DZORVIK_FUZZ=ON -DZORVIK_WITH_WEBENGINE=OFF >/dev/null
fi
nice -n 10 cmake --build $out --target "${targets[@]/%/_fuzz}" -j "$(nproc)" >/dev/null

seeds=$out/fuzz/seeds
rm -rf "$seeds"
python3 - "$seeds" <<'PY'
import os, sys
root = sys.argv[1]
gb = lambda s: s.replace("\n", "\r\n").encode("gb18030")
lib = "E:\\Brask搜歌库\\"
seeds = {
    "settings": [b"Sec\x00Key\x00Val\x00" + gb("[PanFu1]\nPanFu1=E\n[DanJa]\nyy=0.5\n; note\n[Drives]\nD=/home/shop\n"),
                 gb("[ShuRuFa]\nshurufa1=中文 - 拼音\n[PiFu]\nPiFu=3\n")],
    "orderlist": [gb(lib + "1-音乐\\新增歌曲\\月亮代表我的心.mp3\n" + lib + "2-MTV\\老歌.mpg\n" + lib + "7-游戏\\Java游戏\\x.jar\n"),
                  gb("D:\\歌曲下载\\a.wma\n\n" + lib + "9-电子书\\书.txt\n")],
    "hotlist": [gb("012C," + lib + "1-音乐\\新增歌曲\\朋友.mp3\n009C," + lib + "2-MTV\\b.mp4\n001C,x\n")],
    "playlist": [gb(lib + "1-音乐\\新增歌曲\\朋友.mp3\n" + lib + "1-音乐\\分类歌曲\\伤感情歌\\a.wma\n")],
    "singers": [b"ZY\x00" + gb("周杰伦\n 刘德华 \n张学友\nBeyond\n王菲\n")],
    "gb18030": [gb("月亮代表我的心\n"), "€😀".encode("gb18030"), b"\x81\x30\x81\x30\xfe\xfe\x80"],
    "wildcard": [b"*\xe4\xb8\xad*\xe5\x9b\xbd**.mp3\x00\xe4\xb8\xad\xe5\x9b\xbd\xe4\xba\xba.MP3",
                 b"a*b*c\x00AxxBxxC"],
    "keyword": ["月亮代表".encode(), b"123", b"2009", "a中b".encode()],
    "pinyin": ["周杰伦".encode(), gb("刘德华"), "Beyond乐队".encode()],
}
for target, items in seeds.items():
    os.makedirs(os.path.join(root, target), exist_ok=True)
    for i, data in enumerate(items):
        open(os.path.join(root, target, "seed%d" % i), "wb").write(data)
PY

status=0
for t in "${targets[@]}"; do
  corpus=$out/fuzz/corpus/$t findings=$out/fuzz/findings/$t
  mkdir -p "$corpus" "$findings"
  log=$out/fuzz/$t.log
  if nice -n 10 "$out/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$seeds/$t" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    printf '%-10s %10s runs in %ss, no crash\n' "$t" "$runs" "$seconds"
  else
    status=1
    printf '%-10s FAILED: %s\n' "$t" "$(ls "$findings" | head -3 | tr '\n' ' ')"
    grep -m3 -E 'ERROR|SUMMARY|runtime error' "$log" || tail -5 "$log"
  fi
done
exit $status
