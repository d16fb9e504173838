#!/usr/bin/env bash
# Runs every benchmark (none of them is part of the test suite) and prints the
# summary table: each figure side by side with its reference from the same run.
# BENCH_QUICK=1 gives a shorter run (fewer repeats, shorter files and windows).
# Usage: bench/run-all.sh BUILD
set -uo pipefail
build=${1:-build}
here=$(dirname "$0")
[ -x "$build/cpu_time" ] || { echo "build the benchmarks first: cmake --build $build" >&2; exit 1; }

results=$(mktemp)
trap 'rm -f "$results"' EXIT
# soak.sh is left out: it runs for an hour by default; run it by itself.
for name in render playback_cpu startup folder_fill cue_list list responsiveness latency pulse_latency dsp \
    open_time; do
  echo "== $name.sh"
  bash "$here/$name.sh" "$build" 2>&1 | tee -a "$results" | grep -v '^RESULT|'
done

echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"
echo "$(awk '/MemTotal/ {printf "%.1f GB", $2 / 1048576}' /proc/meminfo) RAM, load average" \
  "$(cut -d' ' -f1-3 /proc/loadavg) at the end (shared with other work)."
[ "${BENCH_QUICK:-0}" = 1 ] && echo "Quick run (BENCH_QUICK=1): fewer repeats, shorter inputs."
echo
echo "| Figure | Quaverly | Reference | Ratio | Target | Result | Command |"
echo "|---|---|---|---|---|---|---|"
grep '^RESULT|' "$results" |
  awk -F'|' '{line = "|"; for (i = 2; i <= NF; i++) line = line " " $i " |"; print line}'
