#!/usr/bin/env bash
# One configurator start on an emulated host with N process definitions (default 100,000), each in
# a process of its own, against a floor program that only parses the same configuration file with
# pugixml and reads the definitions once. The host is made once beforehand, in a process of its own
# too. Tells the median times in ms and peak resident memory in MB of both, and their ratios, and
# prints them as name value pairs.
set -euo pipefail
build=${1:-build-release}
definitions=${2:-100000}
runs=${3:-5}
program=$build/bench/configurator_one_start
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "making a host with $definitions definitions ..." >&2
"$program" prepare "$work/host" "$definitions"

measure() {  # mode; prints "ms KiB"
  local out
  out=$(env QT_QPA_PLATFORM=offscreen "$program" "$1" "$work/host")
  [[ $out =~ ^[0-9.]+\ [0-9]+$ ]] || { echo "$program $1 printed '$out', not a time and a size" >&2; return 1; }
  echo "$out"
}

median() {  # column, divisor; one measurement a line on stdin
  awk -v c="$1" '{ print $c }' | sort -n |
    awk -v d="$2" '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] / d }'
}

# Taken in turns, so that whatever else the machine does falls on both alike.
start=() floor=()
for i in $(seq "$runs"); do
  echo "one start at $definitions definitions, run $i of $runs: floor, start ..." >&2
  floor+=("$(measure floor)")
  start+=("$(measure start)")
done
start_ms=$(printf '%s\n' "${start[@]}" | median 1 1)
floor_ms=$(printf '%s\n' "${floor[@]}" | median 1 1)
start_mb=$(printf '%s\n' "${start[@]}" | median 2 1024)
floor_mb=$(printf '%s\n' "${floor[@]}" | median 2 1024)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "one configurator start at $definitions definitions (median of $runs): time start $start_ms ms, floor $floor_ms ms, ratio $(ratio "$start_ms" "$floor_ms"); peak memory start $start_mb MB, floor $floor_mb MB, ratio $(ratio "$start_mb" "$floor_mb")" >&2
# For tools/run-bench.sh: name value pairs.
echo "start_ms $start_ms floor_ms $floor_ms start_mb $start_mb floor_mb $floor_mb"
