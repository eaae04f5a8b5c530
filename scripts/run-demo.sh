#!/usr/bin/env bash
# Installs what is needed, builds the station and starts it on the demo library.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
demo="$PWD/build/demo"
python3 tools/make_demo.py "$demo"
# The demo folder is the program folder: it needs the cue sounds beside it,
mkdir -p "$demo/按键音乐"
cp -n build/bin/按键音乐/*.wav "$demo/按键音乐/"
# and the maker's web pages that the links open.
mkdir -p "$demo/网页"
cp -n build/bin/网页/* "$demo/网页/"
# The operator tutorial, with whatever screenshots scripts/make-tutorial.sh took.
mkdir -p "$demo/操作教程"
cp -rn build/bin/操作教程/. "$demo/操作教程/"
ZORVIK_HOME="$demo" exec build/bin/zorvik "$@"
