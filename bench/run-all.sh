#!/usr/bin/env bash
# Runs every benchmark; none of them is part of the test suite.
set -uo pipefail
build=${1:-build}
here=$(dirname "$0")
for script in "$here"/*.sh; do
  [ "$(basename "$script")" = run-all.sh ] && continue
  echo "== $(basename "$script")"
  bash "$script" "$build"
done
