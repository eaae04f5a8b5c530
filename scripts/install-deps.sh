#!/usr/bin/env bash
# Installs every Debian package that building, testing and running the demo need.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config git ccache
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-webengine-dev
  libgtest-dev libglib2.0-dev libjpeg-dev libicu-dev
  # bench/startup.sh watches the X server for the first window
  libxcb1-dev
  libgtest-dev libglib2.0-dev libjpeg-dev
  # system volume: the sound server's default sink, else ALSA's mixer
  libpulse-dev libasound2-dev
  # media playback: mp3, wma, mid
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-plugins-bad gstreamer1.0-libav timgm6mb-soundfont
  # Chinese text on screen, and Qt's own texts in Chinese (确定, 取消, 撤消)
  fonts-wqy-zenhei qt6-translations-l10n
  # demo library generator, screenshots, headless runs
  python3 ffmpeg xvfb xauth x11-utils imagemagick xdotool xdg-utils dbus-daemon
  # the printed CD catalogue read back from PDF by the tests
  poppler-utils
  # a sound server with a null sink, so tests can hear what the station plays
  pulseaudio pulseaudio-utils sox
  # customers' cards and sticks: FAT32, exFAT and NTFS through FUSE and loop
  # devices, and a slow phone of the tests' own on libfuse3
  fusefat dosfstools exfat-fuse exfatprogs ntfs-3g mtools fuse3 libfuse3-dev
  # file types and the desktop's programs registered for them
  shared-mime-info
  # glibc's Chinese messages: the reasons the error boxes give
  locales libc-l10n
  # the Debian package: icon sizes, its dependencies, checks of its desktop entry and metainfo
  librsvg2-bin dpkg-dev file appstream desktop-file-utils
  # fuzzing (libFuzzer) and the sanitizer builds
  clang libclang-rt-14-dev
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The error boxes take glibc's zh_CN messages through this locale.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  $SUDO localedef -i zh_CN -c -f UTF-8 zh_CN.UTF-8
fi
