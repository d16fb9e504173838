# Helpers shared by the benchmark scripts (sourced, not run).
# BENCH_QUICK=1 shortens every measurement (fewer runs, shorter fixtures).

quick=${BENCH_QUICK:-0}

# Median of the numbers on standard input, one per line.
median() { sort -g | awk '{a[NR]=$1} END {if (NR) print a[int((NR+1)/2)]}'; }

# Arithmetic on decimals: calc "1.5 / 3" prints 0.5000.
calc() { awk "BEGIN {printf \"%.4f\", $*}"; }

# True when awk finds the comparison true: holds "0.3 < 0.5".
holds() { awk "BEGIN {exit !($*)}"; }

# One line of the summary table that run-all.sh gathers:
# result FIGURE MEASURED REFERENCE RATIO TARGET PASS COMMAND
result() {
  printf 'RESULT|%s|%s|%s|%s|%s|%s|%s\n' "$@"
}

pass_if() { if holds "$1"; then echo pass; else echo FAIL; fi; }

# Median CPU seconds (user + system) of RUNS runs of a command, measured by
# the cpu_time helper from the build folder. Also sets last_wall to the median
# wall time.
cpu_median() {
  local runs=$1; shift
  local cpus=() walls=() cpu wall code
  for _ in $(seq "$runs"); do
    read -r cpu wall code < <("$build/cpu_time" "$@")
    if [ "$code" != 0 ]; then echo "command failed ($code): $*" >&2; fi
    cpus+=("$cpu"); walls+=("$wall")
  done
  last_wall=$(printf '%s\n' "${walls[@]}" | median)
  printf '%s\n' "${cpus[@]}" | median
}

# Fixtures for the benchmarks: a chord over pink noise, stereo, 44.1 kHz, in
# each format, made by ffmpeg into $build/bench-fixtures (once per length).
fixture_dir() { echo "$build/bench-fixtures"; }

make_fixture() {
  local ext=$1 seconds=$2
  local dir; dir=$(fixture_dir)
  local out="$dir/music-${seconds}s.$ext"
  [ -s "$out" ] && { echo "$out"; return; }
  mkdir -p "$dir"
  local codec
  case $ext in
    mp3) codec="-c:a libmp3lame -b:a 192k" ;;
    flac) codec="-c:a flac" ;;
    ogg) codec="-c:a libvorbis -q:a 5" ;;
    opus) codec="-c:a libopus -b:a 128k" ;;
    m4a) codec="-c:a aac -b:a 192k" ;;
    wma) codec="-c:a wmav2 -b:a 192k" ;;
    wav) codec="-c:a pcm_s16le" ;;
  esac
  # shellcheck disable=SC2086
  ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "sine=f=220:d=$seconds:r=44100" -f lavfi -i "sine=f=277:d=$seconds:r=44100" \
    -f lavfi -i "anoisesrc=c=pink:a=0.1:d=$seconds:r=44100:seed=1" \
    -f lavfi -i "anoisesrc=c=pink:a=0.1:d=$seconds:r=44100:seed=2" \
    -filter_complex "[0][2]amix=2[l];[1][3]amix=2[r];[l][r]join=inputs=2:channel_layout=stereo" \
    $codec "$out" || { rm -f "$out"; return 1; }
  echo "$out"
}

# The effect settings every effects figure uses, as qvrender arguments and as
# the equivalent ffmpeg filter chain (seven peaking bands one octave wide, the
# DirectX 8 compressor defaults, and aecho with eight taps standing in for the
# reverb).
qv_effects=(--eq 1:4 --eq 2:2 --eq 3:-2 --eq 4:-4 --eq 5:-2 --eq 6:2 --eq 7:4
            --comp 0:-20 --reverb 0:1000)
ff_effects="equalizer=f=125:t=o:w=1:g=4,equalizer=f=250:t=o:w=1:g=2,\
equalizer=f=500:t=o:w=1:g=-2,equalizer=f=1000:t=o:w=1:g=-4,\
equalizer=f=2000:t=o:w=1:g=-2,equalizer=f=4000:t=o:w=1:g=2,\
equalizer=f=8000:t=o:w=1:g=4,\
acompressor=threshold=-20dB:ratio=3:attack=10:release=200,\
aecho=0.8:0.9:29|37|43|53|61|71|79|89:0.3|0.27|0.24|0.21|0.18|0.15|0.12|0.1"

# The latency fixtures, FLAC (exact lengths, so any gap is the player's own):
# a 10 s tone, a 1.5 s tone and 4 s of silence before a tone, in
# $build/bench-fixtures as tone.flac, short.flac and lead.flac.
latency_fixtures() {
  local dir; dir=$(fixture_dir)
  mkdir -p "$dir"
  latency_tone() { # NAME SECONDS EXPRESSION
    [ -s "$dir/$1.flac" ] && return
    ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi \
      -i "aevalsrc=$3|$3:s=44100:d=$2" -c:a flac "$dir/$1.flac"
  }
  latency_tone tone 10 '0.5*sin(2*PI*440*t)'
  latency_tone short 1.5 '0.5*sin(2*PI*440*t)'
  latency_tone lead 30 'if(gte(t\,4)\,0.5*sin(2*PI*440*t)\,0)'
}
