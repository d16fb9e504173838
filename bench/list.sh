#!/usr/bin/env bash
# Listing a 2,000-item podcast feed, a 1,000-station radio list and a
# 200,000-item feed through the real browser code (see list_bench.cpp).
set -uo pipefail
build=${1:-build}
"$build/list_bench"
