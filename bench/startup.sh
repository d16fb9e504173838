#!/usr/bin/env bash
# Start-up benchmark, side by side in one run under Xvfb: time from exec to the
# main window being mapped, and resident memory after three idle seconds, for
# the floor (build/floor_window: a bare Qt 6 window of the player's shape),
# quaverly and the reference players that are installed (audacious, qmmp).
# Every program is started once before timing, with a home of its own that is
# kept between rounds, so each is measured warm (no first-run set-up); the
# rounds are interleaved so that the load of the machine falls on all alike.
# Usage: bench/startup.sh BUILD [ROUNDS]
set -uo pipefail
build=${1:-build}
runs=${2:-7}
[ "${BENCH_QUICK:-0}" = 1 ] && runs=${2:-3}
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
export DISPLAY=$display QUAVERLY_AUDIO=null

# Prints "MS RSS_KB" for one start of a program whose window name starts with
# the given text (build/map_time watches the server's map events; without it,
# no xcb headers at build time, the window list is polled with xwininfo,
# which costs the starting program CPU and reads later).
measure() {
  local label=$1 name=$2; shift 2
  local home=$work/$label
  # A runtime and a temporary folder of its own keep each program's
  # single-instance hand-over away from any other instance on the machine.
  mkdir -p "$home/runtime" && chmod 700 "$home/runtime"
  local env=(env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache"
             XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime" TMPDIR="$home")
  if [ -x "$build/map_time" ]; then
    "$build/map_time" "$name" 3 "${env[@]}" "$@" 2>/dev/null
    return
  fi
  local start; start=$(date +%s%N)
  "${env[@]}" "$@" >/dev/null 2>&1 &
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
  echo "${mapped:-timeout} ${rss:-0}"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# The programs: label, window name, command. Those not installed are left out.
mkdir -p "$work/bin"
cp "$build/quaverly" "$build/libquaverly-codecs.so" "$work/bin/"
labels=() names=() commands=()
add() {
  command -v "$3" >/dev/null || { echo "$1: not installed"; return; }
  labels+=("$1"); names+=("$2"); commands+=("$3")
}
add floor Floor "$build/floor_window"
add quaverly Quaverly "$work/bin/quaverly"
add audacious Audacious audacious
add qmmp qmmp qmmp

declare -A times mems
for i in "${!labels[@]}"; do # warm-up: first-run set-up, caches
  measure "${labels[$i]}" "${names[$i]}" "${commands[$i]}" >/dev/null
done
for _ in $(seq "$runs"); do
  for i in "${!labels[@]}"; do
    read -r t m < <(measure "${labels[$i]}" "${names[$i]}" "${commands[$i]}")
    times[${labels[$i]}]+="$t "; mems[${labels[$i]}]+="$m "
  done
done

declare -A start_ms rss_kb
for label in "${labels[@]}"; do
  start_ms[$label]=$(printf '%s\n' ${times[$label]} | median)
  rss_kb[$label]=$(printf '%s\n' ${mems[$label]} | median)
  printf '%-10s window mapped after %5s ms (median of %d, warm), idle RSS %6.1f MB\n' \
    "$label" "${start_ms[$label]}" "$runs" "$(echo "${rss_kb[$label]} / 1024" | bc -l)"
done

# Summary lines for run-all.sh. Targets: the window within 1.15 x the floor's
# time, memory within the floor + 4 MB and below warm audacious's.
ratio() { awk "BEGIN {if ($2 > 0) printf \"%.2f\", $1 / $2; else print \"-\"}"; }
verdict() { awk "BEGIN {print ($1 <= $2) ? \"pass\" : \"FAIL\"}"; }
mb() { awk "BEGIN {printf \"%.1f MB\", $1 / 1024}"; }
q_ms=${start_ms[quaverly]:-timeout}
q_kb=${rss_kb[quaverly]:-0}
f_ms=${start_ms[floor]:-timeout}
f_kb=${rss_kb[floor]:-0}
command="bench/startup.sh BUILD $runs"
if [[ $q_ms =~ ^[0-9]+$ && $f_ms =~ ^[0-9]+$ ]]; then
  echo "RESULT|3 start to visible window vs the floor|$q_ms ms|$f_ms ms|$(ratio "$q_ms" "$f_ms")|<= 1.15 x|$(verdict "$q_ms" "$(awk "BEGIN {print $f_ms * 1.15}")")|$command"
  echo "RESULT|3 idle memory (RSS) vs the floor|$(mb "$q_kb")|$(mb "$f_kb")|+$(mb "$((q_kb - f_kb))")|<= floor + 4 MB|$(verdict "$q_kb" "$((f_kb + 4096))")|$command"
fi
for ref in audacious qmmp; do
  r_ms=${start_ms[$ref]:-}
  [[ $r_ms =~ ^[0-9]+$ && $q_ms =~ ^[0-9]+$ ]] || continue
  r_kb=${rss_kb[$ref]}
  target="-"; pass="-"
  [ "$ref" = audacious ] && { target="< 1.0 x"; pass=$(verdict "$q_kb" "$((r_kb - 1))"); }
  echo "RESULT|3 start to visible window vs warm $ref|$q_ms ms|$r_ms ms|$(ratio "$q_ms" "$r_ms")|-|-|$command"
  echo "RESULT|3 idle memory (RSS) vs warm $ref|$(mb "$q_kb")|$(mb "$r_kb")|$(ratio "$q_kb" "$r_kb")|$target|$pass|$command"
done
