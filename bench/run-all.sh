#!/usr/bin/env bash
# Runs every benchmark; none of them is part of the test suite.
set -uo pipefail
build=${1:-build}
here=$(dirname "$0")
for script in "$here"/*.sh; do
  case $(basename "$script") in
    run-all.sh) continue ;;
    soak.sh) continue ;; # an hour by default: run it by itself
  esac
  echo "== $(basename "$script")"
  bash "$script" "$build"
done
