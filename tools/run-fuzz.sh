#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for the given number of seconds, seeded from the project's
# samples; a crash fails the script.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-10}
root=$(cd "$(dirname "$0")/.." && pwd)

declare -A seeds=(
  [persist_reader_fuzz]="$root/tests/data/persist"
  [filter_parser_fuzz]="$root/fuzz/corpus/filter"
)
for target in "${!seeds[@]}"; do
  work=$(mktemp -d)
  cp -r "${seeds[$target]}/." "$work/"
  echo "== $target: ${seconds}s"
  "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 "$work" 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' || true
  status=${PIPESTATUS[0]}
  rm -rf "$work"
  [ "$status" -eq 0 ] || { echo "$target failed with status $status"; exit 1; }
done
