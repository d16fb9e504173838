#!/usr/bin/env bash
# Listing a 2,000-item podcast feed and a 1,000-station radio list through the
# real browser code (see list_bench.cpp).
set -uo pipefail
build=${1:-build}
"$build/list_bench"
