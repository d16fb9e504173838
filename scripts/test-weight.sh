#!/bin/bash
# Test weight per subsystem: lines of C++ under tests/<folder> per line of
# C++ under <folder>, for the folders whose tests carry the player's risk.
# Usage: scripts/test-weight.sh [checkout]
cd "${1:-$(dirname "$0")/..}" || exit 1
lines() { find "$1" \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null | xargs -0 cat 2>/dev/null | wc -l; }
for folder in app audio playback browser mpris platform settings tracklist; do
    product=$(lines "$folder")
    tests=$(lines "tests/$folder")
    awk -v f="$folder" -v p="$product" -v t="$tests" \
        'BEGIN { printf "%-10s product %6d  tests %6d  tests per product line %.2f\n", f, p, t, p ? t / p : 0 }'
done
