#!/usr/bin/env bash
# The longest stall of the window (a 5 ms timer on its thread) and the time to
# the rows, while stations, feeds, a large folder and a dead stream load (see
# responsiveness_bench.cpp). With the real network deadlines: a blocking
# player takes about eleven minutes here.
# Usage: bench/responsiveness.sh BUILD [SCENARIOS]
set -uo pipefail
build=${1:-build}
[ -n "${XDG_RUNTIME_DIR:-}" ] || export XDG_RUNTIME_DIR=$(mktemp -d)
QT_QPA_PLATFORM=offscreen QUAVERLY_AUDIO=null "$build/responsiveness_bench" ${2:+"$2"}
