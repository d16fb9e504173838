#!/usr/bin/env bash
# Cost of each effect and of the whole chain per stereo frame.
set -uo pipefail
build=${1:-build}
"$build/dsp_bench"
