#!/usr/bin/env bash
# Installs the Debian packages Quaverly needs to build, run and test.
# Does nothing when every package is already present.
# usage: install-deps.sh [fuzz]   (fuzz: also clang and libFuzzer, for `make fuzz`)
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  qt6-base-dev libgl-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libcurl4-openssl-dev libtag1-dev libtinyxml2-dev
  libpulse-dev libasound2-dev
  libgtest-dev
  ffmpeg icecast2 pulseaudio pulseaudio-utils
  xvfb xauth x11-utils fonts-ipafont-gothic fonts-noto-cjk trayer xdotool openbox fluxbox
  qt6-translations-l10n
  dpkg-dev desktop-file-utils
  dbus-daemon playerctl
)
# The libFuzzer harnesses need clang and its runtime; only `make fuzz` asks.
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
