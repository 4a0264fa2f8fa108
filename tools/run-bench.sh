#!/usr/bin/env bash
# Runs every benchmark of a release build folder: the Google Benchmark programs (medians of three
# repetitions, each beside its floor) and the whole-process timing of the silent automatic run.
set -euo pipefail
build=${1:-build-release}
here=$(dirname "$0")
for bench in "$build"/bench/*_bench; do
  echo "== $(basename "$bench")"
  "$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>&1 | grep -E '_median|^Run on'
done
echo "== silent automatic run"
bash "$here/bench-silent-run.sh" "$build"
