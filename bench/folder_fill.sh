#!/usr/bin/env bash
# Filling the track list from folders of 10,000 and 100,000 files, in name
# order (targets: under 50 ms and under 400 ms).
set -uo pipefail
build=${1:-build}
"$build/folder_fill_bench"
