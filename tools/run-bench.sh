#!/usr/bin/env bash
# Runs every benchmark of a release build folder and prints its results.
set -euo pipefail
build=${1:-build-release}
for bench in "$build"/bench/*_bench; do
  echo "== $(basename "$bench")"
  "$bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
done
