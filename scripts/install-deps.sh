#!/usr/bin/env bash
# Installs the Debian packages Quaverly needs. Does nothing when every
# package is already present.
# usage: install-deps.sh [test|fuzz]
#   (none)  what the player needs to build and run (`make run`)
#   test    also the test suite's tools: servers, window managers, a virtual
#           display, desktop tools (`make test`, `make build`)
#   fuzz    also clang and libFuzzer (`make fuzz`)
set -euo pipefail

# The player: compiler, libraries, ffmpeg for the demo, the Japanese fonts and
# Qt's Japanese texts of its interface, pactl to find a sound server.
packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libcurl4-openssl-dev libtag1-dev libtinyxml2-dev
  libpulse-dev libasound2-dev
  ffmpeg pulseaudio-utils
  fonts-ipafont-gothic fonts-noto-cjk qt6-translations-l10n
)
test_packages=(
  clang-format libgtest-dev
  icecast2 pulseaudio
  xvfb xauth x11-utils trayer xdotool openbox fluxbox
  dpkg-dev desktop-file-utils
  dbus-daemon playerctl
)
case "${1:-}" in
  "") ;;
  test) packages+=("${test_packages[@]}") ;;
  # The libFuzzer harnesses need clang and its runtime.
  fuzz) packages+=("${test_packages[@]}" clang libclang-rt-14-dev) ;;
  *)
    echo "usage: $0 [test|fuzz]" >&2
    exit 2
    ;;
esac

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
