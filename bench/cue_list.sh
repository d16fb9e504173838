#!/usr/bin/env bash
# Listing a 24-track cue sheet of a 74-minute FLAC image (target: under
# 50 ms).
set -uo pipefail
build=${1:-build}
"$build/cue_list_bench"
