#!/usr/bin/env bash
# CPU used by one minute of real-time playback of an MP3, side by side in one
# run, every player started once before it is timed (warm): the real player
# (QUAVERLY_AUDIO=null, paced in real time) with its full effect chain and
# without effects, against mpv (--no-video --ao=null, plain and with the
# equivalent ffmpeg filter chain) and qmmp (its null output); and the path
# users take: the player with its effects through PulseAudio into a null sink
# of a private server (which keeps real time), right beside audacious on the
# same sink. The GUI players run under Xvfb. CPU is read from the scheduler's
# run time of every thread (/proc/PID/task/*/schedstat, in nanoseconds; the
# 10 ms ticks of /proc/PID/stat are sampled and move such a small figure by a
# tenth between runs) over the window after a short settling time.
# Usage: bench/playback_cpu.sh BUILD
set -uo pipefail
build=${1:-build}
. "$(dirname "$0")/common.sh"

# Seconds measured, and of settling before; shorter with BENCH_QUICK=1.
if [ "$quick" = 1 ]; then window=15 settle=3; else window=60 settle=5; fi
# A ten-minute MP3: longer than the window, and a seek bar moves about a pixel
# every second or two, as it does for a long track.
file=$(make_fixture mp3 600) || exit 1

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((80 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
export DISPLAY=$display

# A private PulseAudio server with a null sink, for the player without a null output.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pulseaudio --daemonize=no --exit-idle-time=-1 -n -L "module-null-sink sink_name=bench" \
  -L "module-native-protocol-unix auth-anonymous=1" >/dev/null 2>&1 &
pids+=($!)
export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done

# Nanoseconds on a CPU, summed over the process's threads (all of them live
# through the window in these players).
cpu_ns() {
  [ -d "/proc/$1" ] || return
  cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{sum += $1} END {printf "%d", sum}'
}

# Starts a player in its own home folder (its own temporary folder keeps its
# single-instance socket apart).
start_in() {
  local home=$1; shift
  HOME=$home XDG_CONFIG_HOME=$home/.config TMPDIR=$home "$@" >/dev/null 2>&1 &
}

# Starts a player once in its home and closes it, so that its first-run
# set-up is done; then starts it again, lets it settle, and prints the
# percentage of one core it used over the window.
measure() {
  local home=$1
  mkdir -p "$home"
  start_in "$@"
  local warm=$!
  sleep "$settle"
  kill $warm 2>/dev/null; wait $warm 2>/dev/null
  start_in "$@"
  local pid=$!
  sleep "$settle"
  local before; before=$(cpu_ns $pid)
  sleep "$window"
  local after; after=$(cpu_ns $pid)
  kill $pid 2>/dev/null; wait $pid 2>/dev/null
  if [ -z "$before" ] || [ -z "$after" ]; then echo "exited"; return; fi
  awk "BEGIN {printf \"%.2f\", 100 * ($after - $before) / 1e9 / $window}"
}

quaverly_home() {
  local home=$work/quaverly-$1
  mkdir -p "$home"
  cp "$build/quaverly" "$build/libquaverly-codecs.so" "$home/"
  if [ "$1" = fx ]; then
    printf '[Quaverly]\nDSP_EnableEq=1\nDSP_EnableComp=1\nDSP_EnableReverb=1\n%s\n' \
      "DSP_EqBand1=4
DSP_EqBand2=2
DSP_EqBand3=-2
DSP_EqBand4=-4
DSP_EqBand5=-2
DSP_EqBand6=2
DSP_EqBand7=4
DSP_CompGain=0
DSP_CompThreshold=-20
DSP_ReverbMix=0
DSP_ReverbTime=1000" >"$home/quaverly.ini"
  fi
  echo "$home"
}

qmmp_home() {
  local home=$work/qmmp
  mkdir -p "$home/.config/qmmp"
  printf '[Output]\ncurrent_plugin=null\n' >"$home/.config/qmmp/qmmprc"
  echo "$home"
}

declare -A percent
home=$(quaverly_home fx)
percent[quaverly_fx]=$(QUAVERLY_AUDIO=null measure "$home" "$home/quaverly" "$file")
home=$(quaverly_home plain)
percent[quaverly]=$(QUAVERLY_AUDIO=null measure "$home" "$home/quaverly" "$file")
# The same player with its effects through PulseAudio, and audacious on the
# same sink right after it.
home=$(quaverly_home fx)
percent[quaverly_fx_pulse]=$(QUAVERLY_AUDIO=pulse measure "$home" "$home/quaverly" "$file")
command -v audacious >/dev/null &&
  percent[audacious]=$(measure "$work/audacious" audacious "$file")
if command -v mpv >/dev/null; then
  percent[mpv]=$(measure "$work" mpv --no-config --no-video --ao=null "$file")
  percent[mpv_fx]=$(measure "$work" mpv --no-config --no-video --ao=null \
    "--af=lavfi=[$ff_effects]" "$file")
fi
command -v qmmp >/dev/null && percent[qmmp]=$(measure "$(qmmp_home)" qmmp "$file")

for name in quaverly_fx quaverly quaverly_fx_pulse audacious mpv mpv_fx qmmp; do
  printf '%-18s %8s %% of a core\n' "$name" "${percent[$name]:-not run}"
done
# The floor under a player that paces its output in 20 ms blocks, as the null output does.
if [ -x "$build/wake_cost" ]; then
  wake_us=$("$build/wake_cost")
  echo "one timed wake-up costs ${wake_us} us of CPU here; 50 a second are" \
    "$(awk "BEGIN {printf \"%.2f\", $wake_us * 50 / 1e4}") % of a core"
fi

cmd="bench/playback_cpu.sh BUILD (${window} s window)"
fx=${percent[quaverly_fx]}
if [[ $fx =~ ^[0-9.]+$ ]]; then
  for ref in mpv mpv_fx qmmp; do
    value=${percent[$ref]:-}
    [[ $value =~ ^[0-9.]+$ ]] || continue
    ratio=$( holds "$value > 0" && calc "$fx / $value" || echo "-")
    target="< 0.5 %"
    verdict=$(pass_if "$fx < 0.5")
    # Against plain mpv the ratio has a target of its own: under a third.
    if [ "$ref" = mpv ] && [ "$ratio" != "-" ]; then
      target="< 0.5 % and < 0.33 of mpv"
      verdict=$(pass_if "$fx < 0.5 && $ratio < 1 / 3")
    fi
    result "2 playback CPU, all effects, vs $ref" "${fx} %" "${value} %" "$ratio" "$target" \
      "$verdict" "$cmd"
  done
  plain=${percent[quaverly]}
  mpv=${percent[mpv]:-0}
  ratio=$( holds "$mpv > 0" && calc "$plain / $mpv" || echo "-")
  result "2 playback CPU, no effects, vs mpv" "${plain} %" "${mpv} %" "$ratio" "-" "-" "$cmd"
  pulse=${percent[quaverly_fx_pulse]:-}
  aud=${percent[audacious]:-0}
  if [[ $pulse =~ ^[0-9.]+$ ]] && holds "$aud > 0"; then
    ratio=$(calc "$pulse / $aud")
    result "2 playback CPU, all effects, PulseAudio null sink, vs audacious (same sink)" \
      "${pulse} %" "${aud} %" "$ratio" "<= 0.5 x" "$(pass_if "$ratio <= 0.5")" "$cmd"
  fi
fi
