#!/bin/bash
# Builds the libFuzzer harnesses (clang, ASan and UBSan) into build-libfuzzer/
# and runs each for SECONDS over its kept corpus, two at a time at low
# priority. New inputs go to a working corpus in the build folder; crashes are
# saved there too. build-libfuzzer/fuzz-report.txt gets each harness's
# executions and result.
#
# usage: tests/fuzz/run-fuzzers.sh SECONDS [HARNESS...]
#   QUAVERLY_FUZZ_BUILD  build folder (default build-libfuzzer)
#   QUAVERLY_FUZZ_JOBS   harnesses run at the same time (default 2)
set -euo pipefail

SECONDS_EACH=${1:?usage: run-fuzzers.sh SECONDS [HARNESS...]}
shift
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${QUAVERLY_FUZZ_BUILD:-$ROOT/build-libfuzzer}
JOBS=${QUAVERLY_FUZZ_JOBS:-2}
CORPUS=$ROOT/tests/fuzz/corpus
ALL=(playlist list_rewrite rss_feed icy_stream ini_file tag_format code_page audio_decode)
if [ $# -gt 0 ]; then HARNESSES=("$@"); else HARNESSES=("${ALL[@]}"); fi

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUAVERLY_FUZZ=ON >/dev/null
targets=()
for h in "${HARNESSES[@]}"; do targets+=(--target "fuzz_$h"); done
cmake --build "$BUILD" -j"$(nproc)" "${targets[@]}"

# Options per harness: the audio files are larger and slower to decode. The
# timeouts are generous because the machine may be shared and loaded.
options_for() {
    case $1 in
    audio_decode) echo "-max_len=65536 -timeout=60 -rss_limit_mb=4096" ;;
    *) echo "-max_len=8192 -timeout=30" ;;
    esac
    local dict=$ROOT/tests/fuzz/dict/$1.dict
    if [ -f "$dict" ]; then echo "-dict=$dict"; fi
}

run_one() {
    local h=$1 work=$BUILD/fuzz-work/$1 log=$BUILD/fuzz-logs/$1.log
    mkdir -p "$work/corpus" "$work/crashes" "$(dirname "$log")"
    # shellcheck disable=SC2046
    nice -n 10 "$BUILD/tests/fuzz/fuzz_$h" $(options_for "$h") -max_total_time="$SECONDS_EACH" \
        -print_final_stats=1 -artifact_prefix="$work/crashes/" \
        "$work/corpus" "$CORPUS/$h" >"$log" 2>&1
}

summary() {
    local h=$1 rc=$2 log=$BUILD/fuzz-logs/$1.log runs result
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    [ -n "$runs" ] || runs=$(grep -o '#[0-9]*' "$log" | tail -1 | tr -d '#' || true)
    if [ "$rc" -eq 0 ]; then result=ok; else result="FAILED (exit $rc, see $log)"; fi
    printf '%-14s %6ss  %12s executions  %s\n' "$h" "$SECONDS_EACH" "${runs:-0}" "$result"
}

REPORT=$BUILD/fuzz-report.txt
{
    echo "Quaverly fuzzing, $(date -u '+%Y-%m-%d %H:%M UTC'), $SECONDS_EACH s per harness"
} >"$REPORT"
failed=0
for ((i = 0; i < ${#HARNESSES[@]}; i += JOBS)); do
    batch=("${HARNESSES[@]:i:JOBS}")
    pids=()
    for h in "${batch[@]}"; do run_one "$h" & pids+=($!); done
    for k in "${!batch[@]}"; do
        rc=0
        wait "${pids[$k]}" || rc=$?
        [ "$rc" -eq 0 ] || failed=1
        summary "${batch[$k]}" "$rc" | tee -a "$REPORT"
    done
done
echo "Report: $REPORT"
exit $failed
