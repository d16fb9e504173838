#!/usr/bin/env bash
# Installs what the benchmarks need besides the build (not needed to build,
# run or test Quaverly): the players they compare against (audacious, qmmp,
# mpv), Xvfb and its tools, a PulseAudio server for the player without a null
# output, ffmpeg for fixtures and references, and perf for profiling.
# Installs only what is missing.
set -euo pipefail
packages=(audacious qmmp mpv x11-utils xvfb bc ffmpeg pulseaudio pulseaudio-utils linux-perf libxcb1-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
