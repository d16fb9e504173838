#!/usr/bin/env bash
# Render speed of the audio library, side by side with ffmpeg in one run, for
# each format: the whole file decoded through the library's BASS API to the
# null:fast output (qvrender), with the player's full effect chain and without
# effects, against `ffmpeg -i FILE -f null -` and against ffmpeg with the
# equivalent filter chain. CPU time (user + system), median of several runs.
# Both programs spend a fixed time starting (mostly the dynamic loader binding
# FFmpeg's many libraries); that start-up, measured as the same command that
# opens the file and stops at once, is also taken off to give the net speed.
# Usage: bench/render.sh BUILD
set -uo pipefail
build=${1:-build}
here=$(dirname "$0")
. "$here/common.sh"

seconds=60; runs=5
[ "$quick" = 1 ] && { seconds=20; runs=3; }
quiet=(-nostdin -hide_banner -loglevel error)
s3() { awk "BEGIN {printf \"%.3f s\", $1}"; } # seconds, three decimals

printf '%-5s %9s %9s %9s %9s %9s %9s %8s %8s %8s %8s\n' format "qv fx" "ff chain" "qv plain" \
  "ff null" "qv start" "ff start" "fx xRT" "net xRT" "fx/chain" "plain/ff"
formats=${BENCH_FORMATS:-mp3 flac ogg opus m4a wma}
for ext in $formats; do
  file=$(make_fixture "$ext" "$seconds") || { echo "$ext: no fixture"; continue; }
  qv_fx=$(cpu_median "$runs" "$build/qvrender" --out null:fast "${qv_effects[@]}" "$file")
  ff_fx=$(cpu_median "$runs" ffmpeg "${quiet[@]}" -i "$file" -af "$ff_effects" -f null -)
  qv_plain=$(cpu_median "$runs" "$build/qvrender" --out null:fast "$file")
  ff_plain=$(cpu_median "$runs" ffmpeg "${quiet[@]}" -i "$file" -f null -)
  qv_start=$(cpu_median "$runs" "$build/qvrender" --out null:fast --seconds 0 "$file")
  ff_start=$(cpu_median "$runs" ffmpeg "${quiet[@]}" -i "$file" -t 0.001 -f null -)
  speed=$(awk "BEGIN {printf \"%.0f\", $seconds / $qv_fx}")
  net_speed=$(awk "BEGIN {d = $qv_fx - $qv_start; printf \"%.0f\", (d > 0 ? $seconds / d : 0)}")
  net_ratio=$(awk "BEGIN {q = $qv_fx - $qv_start; f = $ff_fx - $ff_start; printf \"%.2f\", (f > 0 ? q / f : 0)}")
  fx_ratio=$(awk "BEGIN {printf \"%.2f\", $qv_fx / $ff_fx}")
  plain_ratio=$(awk "BEGIN {printf \"%.2f\", $qv_plain / $ff_plain}")
  printf '%-5s %8.3fs %8.3fs %8.3fs %8.3fs %8.3fs %8.3fs %7.0fx %7.0fx %8.2f %8.2f\n' "$ext" \
    "$qv_fx" "$ff_fx" "$qv_plain" "$ff_plain" "$qv_start" "$ff_start" "$speed" "$net_speed" \
    "$fx_ratio" "$plain_ratio"
  cmd="bench/render.sh BUILD ($ext, ${seconds} s, CPU s median of $runs)"
  result "1 render $ext, all effects, speed" "${speed}x real time" "-" "-" ">= 250x" \
    "$(pass_if "$speed >= 250")" "$cmd"
  result "1 render $ext, all effects, speed net of process start" "${net_speed}x real time" \
    "-" "-" ">= 250x" "$(pass_if "$net_speed >= 250")" "$cmd"
  result "1 render $ext, all effects vs ffmpeg chain" "$(s3 "$qv_fx")" "$(s3 "$ff_fx")" "$fx_ratio" \
    "<= 0.5" "$(pass_if "$fx_ratio <= 0.5")" "$cmd"
  result "1 render $ext, all effects vs ffmpeg chain, net of process start" \
    "$(s3 "$qv_fx - $qv_start")" "$(s3 "$ff_fx - $ff_start")" "$net_ratio" "<= 0.5" \
    "$(pass_if "$net_ratio <= 0.5")" "$cmd"
  result "1 render $ext, no effects vs ffmpeg -f null" "$(s3 "$qv_plain")" "$(s3 "$ff_plain")" \
    "$plain_ratio" "<= 1.2" "$(pass_if "$plain_ratio <= 1.2")" "$cmd"
done
echo "ffmpeg chain: 7 x equalizer (t=o, w=1), acompressor (threshold -20 dB, ratio 3, 10/200 ms),"
echo "aecho with 8 taps as the reverb; ffmpeg -f null converts to 16-bit like the library's output."
