#!/usr/bin/env bash
# Render speed of the audio library against ffmpeg on one thread, side by side
# in one run, for each format: a ten-minute file decoded through the library's
# BASS API to the null:fast output (qvrender), with the player's full effect
# chain and without effects, against
#   ffmpeg -threads 1 -filter_threads 1 -i FILE -af CHAIN -ar 44100 -f null -
#   ffmpeg -threads 1 -i FILE -ar 44100 -f null -
# (the library decodes and mixes on threads of its own, one at a time; ffmpeg
# would otherwise spread its filters and decoder over both cores and spend
# more CPU for the same work). Both give 44.1 kHz as the library does for
# its device: Opus, decoded at 48 kHz, is resampled by both. CPU time (user
# + system), median of several interleaved rounds; every command runs once
# before the rounds, so that each starts warm.
# Usage: bench/render.sh BUILD
set -uo pipefail
build=${1:-build}
here=$(dirname "$0")
. "$here/common.sh"

seconds=600; rounds=5
[ "$quick" = 1 ] && { seconds=120; rounds=3; }
quiet=(-nostdin -hide_banner -loglevel error)
s3() { awk "BEGIN {printf \"%.3f s\", $1}"; } # seconds, three decimals

# The four commands of one format; run NAME measures one of them.
run() {
  case $1 in
    qv_fx) "$build/cpu_time" "$build/qvrender" --out null:fast "${qv_effects[@]}" "$file" ;;
    ff_fx) "$build/cpu_time" ffmpeg "${quiet[@]}" -threads 1 -filter_threads 1 -i "$file" \
             -af "$ff_effects" -ar 44100 -f null - ;;
    qv_plain) "$build/cpu_time" "$build/qvrender" --out null:fast "$file" ;;
    ff_plain) "$build/cpu_time" ffmpeg "${quiet[@]}" -threads 1 -i "$file" -ar 44100 -f null - ;;
  esac
}
commands=(qv_fx ff_fx qv_plain ff_plain)

printf '%-5s %9s %9s %9s %9s %8s %8s %8s\n' format "qv fx" "ff chain" "qv plain" "ff null" \
  "fx xRT" "fx/chain" "plain/ff"
formats=${BENCH_FORMATS:-mp3 flac ogg opus m4a wma}
for ext in $formats; do
  file=$(make_fixture "$ext" "$seconds") || { echo "$ext: no fixture"; continue; }
  declare -A cpu=()
  for name in "${commands[@]}"; do run "$name" >/dev/null; done
  for _ in $(seq "$rounds"); do
    for name in "${commands[@]}"; do
      read -r seconds_used _ code < <(run "$name")
      [ "$code" = 0 ] || echo "$name failed ($code) on $file" >&2
      cpu[$name]+="$seconds_used "
    done
  done
  for name in "${commands[@]}"; do
    cpu[$name]=$(printf '%s\n' ${cpu[$name]} | median)
  done
  speed=$(awk "BEGIN {printf \"%.0f\", $seconds / ${cpu[qv_fx]}}")
  fx_ratio=$(awk "BEGIN {printf \"%.2f\", ${cpu[qv_fx]} / ${cpu[ff_fx]}}")
  plain_ratio=$(awk "BEGIN {printf \"%.2f\", ${cpu[qv_plain]} / ${cpu[ff_plain]}}")
  printf '%-5s %8.3fs %8.3fs %8.3fs %8.3fs %7.0fx %8.2f %8.2f\n' "$ext" "${cpu[qv_fx]}" \
    "${cpu[ff_fx]}" "${cpu[qv_plain]}" "${cpu[ff_plain]}" "$speed" "$fx_ratio" "$plain_ratio"
  cmd="bench/render.sh BUILD ($ext, ${seconds} s, CPU s median of $rounds)"
  result "1 render $ext, all effects, speed" "${speed}x real time" "-" "-" ">= 250x" \
    "$(pass_if "$speed >= 250")" "$cmd"
  result "1 render $ext, all effects vs ffmpeg chain on one thread" "$(s3 "${cpu[qv_fx]}")" \
    "$(s3 "${cpu[ff_fx]}")" "$fx_ratio" "<= 0.5" "$(pass_if "$fx_ratio <= 0.5")" "$cmd"
  result "1 render $ext, no effects vs ffmpeg -threads 1 -f null" "$(s3 "${cpu[qv_plain]}")" \
    "$(s3 "${cpu[ff_plain]}")" "$plain_ratio" "<= 1.0" "$(pass_if "$plain_ratio <= 1.0")" "$cmd"
  unset cpu
done
echo "ffmpeg chain: 7 x equalizer (t=o, w=1), acompressor (threshold -20 dB, ratio 3, 10/200 ms),"
echo "aecho with 8 taps as the reverb; ffmpeg -f null converts to 16-bit like the library's output."
