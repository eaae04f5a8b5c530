#!/usr/bin/env bash
# Builds the Debian package, installs it with apt, starts the installed station
# under Xvfb as a new ordinary user, checks its main window and its data folder
# in the user's home, closes it and removes the package and the user.
# Run as root. The station's single-instance lock is machine-wide (/tmp): run
# this where no other station runs (on the build machine: /work/isolated).
# ZORVIK_SHOTS=<folder> keeps a screenshot of the window.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "package-test: run as root (apt, useradd)"; exit 1; }

step() { echo "== $*"; }
fail() { echo "package-test: FAIL: $*"; exit 1; }

step "build the package"
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
rm -f build/zorvik_*.deb
cmake --build build --target package -j "$(nproc)" >build/package.log 2>&1 || { tail -30 build/package.log; fail "package build"; }
debs=(build/zorvik_*_amd64.deb)
[ -f "${debs[0]}" ] || fail "no zorvik_<version>_amd64.deb"
deb=${debs[0]}
echo "$deb"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for want in ./usr/lib/zorvik/zorvik ./usr/bin/zorvik ./usr/lib/zorvik/zorvik_copy ./usr/lib/zorvik/zorvik_sound.so \
            ./usr/lib/zorvik/按键音乐/启动.wav \
            ./usr/lib/zorvik/网页/主页.html ./usr/lib/zorvik/网页/资源网.html ./usr/lib/zorvik/操作教程/index.html \
            ./usr/share/applications/org.zorvik.Station.desktop \
            ./usr/share/metainfo/org.zorvik.Station.metainfo.xml \
            ./usr/share/icons/hicolor/scalable/apps/org.zorvik.Station.svg \
            ./usr/share/icons/hicolor/48x48/apps/org.zorvik.Station.png \
            ./usr/share/icons/hicolor/256x256/apps/org.zorvik.Station.png; do
  grep -qxF "$want" <<<"$contents" || fail "the package lacks $want"
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no library dependencies (dpkg-shlibdeps)"
# The sound module's libraries count too.
dpkg-deb -f "$deb" Depends | grep -q libqt6multimedia6 || fail "the sound module's libraries are not among the dependencies"

user=zorvikpt$$
cleanup() {
  if [ -f "${home:-/nonexistent}/station.pid" ]; then kill -9 "$(cat "$home/station.pid")" 2>/dev/null || true; fi
  if dpkg -s zorvik >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq --purge zorvik >/dev/null || true
  fi
  if id "$user" >/dev/null 2>&1; then
    # The display server of the run may still be on its way out.
    for _ in $(seq 100); do pgrep -u "$user" >/dev/null || break; sleep 0.1; done
    for pid in $(pgrep -u "$user"); do kill -9 "$pid" 2>/dev/null || true; done
    userdel -r "$user" 2>/dev/null || true
  fi
}
trap cleanup EXIT

step "install with apt"
dpkg -s zorvik >/dev/null 2>&1 && fail "zorvik is already installed here; remove it first"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >build/package-install.log 2>&1 ||
  { tail -20 build/package-install.log; fail "apt-get install"; }
dpkg -s zorvik | grep -E '^(Status|Version):'

step "validate the desktop entry and the metainfo"
desktop-file-validate /usr/share/applications/org.zorvik.Station.desktop && echo "desktop-file-validate: clean"
appstreamcli validate --no-net /usr/share/metainfo/org.zorvik.Station.metainfo.xml

step "start it as a new user"
useradd -m -s /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
shots=${ZORVIK_SHOTS:-}
log="$home/station.log"
# xvfb-run runs as the user too, so that the user owns the display.
runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
    zorvik >"$HOME/station.log" 2>&1 & station=$!
    echo $station >"$HOME/station.pid"
    for i in $(seq 300); do
      xdotool search --name "Zorvik影音 手机下载系统" >/dev/null 2>&1 && break
      kill -0 $station 2>/dev/null || break
      sleep 0.1
    done
    if xdotool search --name "Zorvik影音 手机下载系统" >/dev/null 2>&1; then echo window >"$HOME/shown"; fi
    sleep 1  # the first paint, for the screenshot only
    import -window root "$HOME/window.png" 2>/dev/null || true
    kill -TERM $station
    wait $station; echo $? >"$HOME/exit"
  '
[ -f "$home/shown" ] || { cat "$log"; fail "the main window did not show"; }
echo "main window shown: Zorvik影音 手机下载系统"
[ -n "$shots" ] && mkdir -p "$shots" && cp "$home/window.png" "$shots/package-window.png" 2>/dev/null || true
[ "$(cat "$home/exit")" = 0 ] || { cat "$log"; fail "the station ended with $(cat "$home/exit") on SIGTERM"; }
echo "closed on SIGTERM with exit status 0"

step "check the data folder"
data="$home/.local/share/zorvik/数据文件"
[ -d "$data" ] || fail "no data folder $data"
[ "$(stat -c %U "$data")" = "$user" ] || fail "the data folder is not the user's"
[ ! -e /usr/lib/zorvik/数据文件 ] || fail "the station wrote into the program folder"
echo "data folder: ~/.local/share/zorvik/数据文件 ($(ls "$data" | wc -l) files: $(ls "$data" | tr '\n' ' '))"

step "remove the package"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq --purge zorvik >/dev/null
[ ! -e /usr/lib/zorvik ] || fail "/usr/lib/zorvik left behind"
[ ! -e /usr/bin/zorvik ] || fail "/usr/bin/zorvik left behind"
echo "removed"
cleanup
id "$user" >/dev/null 2>&1 && fail "the test user is still there"
echo "package-test: ok"
