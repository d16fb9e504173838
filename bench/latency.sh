#!/usr/bin/env bash
# Play-to-first-sample, the gap between tracks and seek latency of the real
# player on the null output, and the gap in samples on the wav: output (see
# latency_bench.cpp). Fixtures: a 10 s tone,
# a 1.5 s tone for the track changes, and 4 s of silence before a tone for
# the seeks, all FLAC (exact lengths, so the gap is the player's own).
set -uo pipefail
build=${1:-build}
. "$(dirname "$0")/common.sh"
latency_fixtures
dir=$(fixture_dir)
"$build/latency_bench" "$dir"
# The gap at a track change in samples, through the wav: output's file.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QUAVERLY_AUDIO=wav:$work/gap.wav "$build/latency_bench" --gap "$dir" "$work/gap.wav" "wav output"
