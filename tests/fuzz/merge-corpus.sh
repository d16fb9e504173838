#!/bin/bash
# Folds what run-fuzzers.sh found into the kept corpus of a harness: libFuzzer's
# -merge=1 picks, from the kept inputs and the working corpus, a small set with
# the same edge coverage (hit counts left out, which keeps the set to a few
# hundred inputs), written to a fresh folder that then replaces
# tests/fuzz/corpus/HARNESS. Inputs above 64 KiB are never kept.
#
# usage: tests/fuzz/merge-corpus.sh HARNESS...
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${QUAVERLY_FUZZ_BUILD:-$ROOT/build-libfuzzer}
for h in "$@"; do
    kept=$ROOT/tests/fuzz/corpus/$h
    fresh=$BUILD/fuzz-merge/$h
    rm -rf "$fresh"
    mkdir -p "$fresh"
    nice -n 10 "$BUILD/tests/fuzz/fuzz_$h" -merge=1 -use_counters=0 -max_len=65536 -timeout=30 "$fresh" "$kept" \
        "$BUILD/fuzz-work/$h/corpus" >"$BUILD/fuzz-merge/$h.log" 2>&1
    # Hand-made seeds keep their names; everything else is named by its hash.
    find "$kept" -type f ! -name 'seed_*' ! -name 'regression_*' -delete
    for f in "$fresh"/*; do
        [ -e "$kept/$(basename "$f")" ] || cp "$f" "$kept/"
    done
    find "$kept" -type f -size +64k -delete
    # Seeds and regressions whose coverage the merge kept under a hash name
    # would be kept twice: drop the hashed copy.
    for f in "$kept"/seed_* "$kept"/regression_*; do
        [ -e "$f" ] || continue
        sum=$(sha1sum "$f" | cut -d' ' -f1)
        rm -f "$kept/$sum"
    done
    echo "$h: $(find "$kept" -type f | wc -l) inputs, $(du -sh "$kept" | cut -f1)"
done
