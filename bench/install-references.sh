#!/usr/bin/env bash
# Installs the players the benchmarks compare against (not needed to build,
# run or test Quaverly).
set -euo pipefail
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  audacious qmmp mpv x11-utils xvfb bc >/dev/null
