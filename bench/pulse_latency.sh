#!/usr/bin/env bash
# Start-of-sound and seek latency heard through PulseAudio (see
# pulse_latency_bench.cpp): a private server with a null sink, the library on
# its pulse back-end, a recorder on the sink's monitor. Then the gap at a
# track change in samples, the real player playing through the same sink
# (latency_bench --gap). Fixtures as for
# latency.sh: a 10 s tone and 4 s of silence before a tone, FLAC.
set -uo pipefail
build=${1:-build}
runs=15
[ "${BENCH_QUICK:-0}" = 1 ] && runs=7
. "$(dirname "$0")/common.sh"
latency_fixtures
dir=$(fixture_dir)

work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$work/runtime HOME=$work
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pulseaudio --daemonize=no --exit-idle-time=-1 -n -L "module-null-sink sink_name=bench" \
  -L "module-native-protocol-unix auth-anonymous=1" >/dev/null 2>&1 &
server=$!
export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink bench

"$build/pulse_latency_bench" bench.monitor "$dir/tone.flac" "$dir/lead.flac" "$runs"

# The gap at a track change in samples, heard through the sink: the real
# player plays short tones through while the monitor is recorded.
parec -d bench.monitor --latency-msec=20 --raw --format=s16le --rate=44100 --channels=2 \
  >"$work/gap.raw" &
recorder=$!
sleep 1 # the recorder is running before the first sound
QUAVERLY_AUDIO=pulse "$build/latency_bench" --gap "$dir" "$work/gap.raw" "the PulseAudio null sink"
kill "$recorder"
