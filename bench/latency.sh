#!/usr/bin/env bash
# Play-to-first-sample, the gap between tracks and seek latency of the real
# player on the null output (see latency_bench.cpp). Fixtures: a 10 s tone,
# a 1.5 s tone for the track changes, and 4 s of silence before a tone for
# the seeks, all FLAC (exact lengths, so the gap is the player's own).
set -uo pipefail
build=${1:-build}
dir="$build/bench-fixtures"
mkdir -p "$dir"
tone() { # NAME SECONDS EXPRESSION
  [ -s "$dir/$1.flac" ] && return
  ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi \
    -i "aevalsrc=$3|$3:s=44100:d=$2" -c:a flac "$dir/$1.flac"
}
tone tone 10 '0.5*sin(2*PI*440*t)'
tone short 1.5 '0.5*sin(2*PI*440*t)'
tone lead 30 'if(gte(t\,4)\,0.5*sin(2*PI*440*t)\,0)'
"$build/latency_bench" "$dir"
