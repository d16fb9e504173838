#!/usr/bin/env bash
# Start-up benchmark, side by side in one run under Xvfb: time from exec to the
# main window being mapped, and resident memory after three idle seconds, for
# quaverly and for the reference players that are installed (audacious, qmmp).
# Usage: bench/startup.sh BUILD [RUNS]
set -uo pipefail
build=${1:-build}
runs=${2:-5}
[ "${BENCH_QUICK:-0}" = 1 ] && runs=${2:-3}
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
export DISPLAY=$display QUAVERLY_AUDIO=null

# Prints the milliseconds from exec until a window whose name starts with the
# given text is mapped, then the resident set size in kB three seconds later.
# build/map_time watches the server's map events; without it (no xcb headers
# at build time) the window list is polled with xwininfo, which costs the
# starting program CPU and reads later.
measure() {
  local name=$1; shift
  local home; home=$(mktemp -d)
  # A runtime and a temporary folder of its own keep each player's
  # single-instance hand-over away from any other instance on the machine.
  mkdir -m 700 "$home/runtime"
  if [ -x "$build/map_time" ]; then
    HOME=$home XDG_CONFIG_HOME=$home XDG_RUNTIME_DIR=$home/runtime TMPDIR=$home \
      "$build/map_time" "$name" 3 "$@" 2>/dev/null
    rm -rf "$home"
    return
  fi
  local start; start=$(date +%s%N)
  HOME=$home XDG_CONFIG_HOME=$home XDG_RUNTIME_DIR=$home/runtime TMPDIR=$home "$@" \
    >/dev/null 2>&1 &
  local pid=$!
  local mapped=""
  for _ in $(seq 2000); do
    kill -0 $pid 2>/dev/null || break # it quit without a window
    if xwininfo -root -tree 2>/dev/null | grep -q "\"$name"; then
      mapped=$(( ($(date +%s%N) - start) / 1000000 )); break
    fi
    sleep 0.005
  done
  sleep 3
  local rss; rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status 2>/dev/null)
  kill $pid 2>/dev/null; wait $pid 2>/dev/null
  rm -rf "$home"
  echo "${mapped:-timeout} ${rss:-0}"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

report() {
  local label=$1 name=$2; shift 2
  command -v "$1" >/dev/null || { echo "$label: not installed"; return; }
  local times=() mems=()
  for _ in $(seq "$runs"); do
    read -r t m < <(measure "$name" "$@")
    times+=("$t"); mems+=("$m")
  done
  local t m
  t=$(printf '%s\n' "${times[@]}" | median)
  m=$(printf '%s\n' "${mems[@]}" | median)
  printf '%-10s window mapped after %5s ms (median of %d), idle RSS %6.1f MB\n' \
    "$label" "$t" "$runs" "$(echo "$m / 1024" | bc -l)"
  start_ms[$label]=$t
  rss_kb[$label]=$m
}

declare -A start_ms rss_kb

tmp=$(mktemp -d)
cp "$build/quaverly" "$build/libquaverly-codecs.so" "$tmp/"
report quaverly Quaverly "$tmp/quaverly"
report audacious Audacious audacious
report qmmp qmmp qmmp
rm -rf "$tmp"

# Summary lines for run-all.sh: quaverly against each reference that ran.
ratio() { awk "BEGIN {if ($2 > 0) printf \"%.2f\", $1 / $2; else print \"-\"}"; }
verdict() { awk "BEGIN {print ($1 <= $2) ? \"pass\" : \"FAIL\"}"; }
# Targets: the window within half of the reference's time, memory below it.
q_ms=${start_ms[quaverly]:-timeout}
q_kb=${rss_kb[quaverly]:-0}
for ref in audacious qmmp; do
  r_ms=${start_ms[$ref]:-}
  [[ $r_ms =~ ^[0-9]+$ && $q_ms =~ ^[0-9]+$ ]] || continue
  r_kb=${rss_kb[$ref]}
  echo "RESULT|3 start to visible window vs $ref|$q_ms ms|$r_ms ms|$(ratio "$q_ms" "$r_ms")|<= 0.5 x|$(verdict "$q_ms" "$((r_ms / 2))")|bench/startup.sh BUILD $runs"
  echo "RESULT|3 idle memory (RSS) vs $ref|$((q_kb / 1024)) MB|$((r_kb / 1024)) MB|$(ratio "$q_kb" "$r_kb")|<= 1.0 x|$(verdict "$q_kb" "$r_kb")|bench/startup.sh BUILD $runs"
done
