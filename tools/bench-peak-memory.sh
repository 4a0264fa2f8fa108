#!/usr/bin/env bash
# Peak resident memory of the configurator start on an emulated host with N process definitions
# (default 100,000) against a floor program that only parses the same configuration file with
# pugixml and reads the definitions once. Each is a process of its own; the host is made once
# beforehand, in a process of its own too. Prints the median peaks in MB and their ratio.
set -euo pipefail
build=${1:-build-release}
definitions=${2:-100000}
runs=${3:-3}
program=$build/bench/configurator_peak_memory
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "making a host with $definitions definitions ..." >&2
"$program" prepare "$work/host" "$definitions"

peak_kib() {  # mode
  local kib
  kib=$(env QT_QPA_PLATFORM=offscreen "$program" "$1" "$work/host")
  [[ $kib =~ ^[0-9]+$ ]] || { echo "$program $1 printed '$kib', not a size" >&2; return 1; }
  echo "$kib"
}

median_mb() {  # KiB, one a line
  sort -n | awk '{ a[NR] = $1 } END { printf "%.1f", a[int((NR + 1) / 2)] / 1024 }'
}

# Taken in turns, as the timings are.
start_kib=() floor_kib=()
for i in $(seq "$runs"); do
  echo "peak memory run $i of $runs: floor, start ..." >&2
  floor_kib+=("$(peak_kib floor)")
  start_kib+=("$(peak_kib start)")
done
start=$(printf '%s\n' "${start_kib[@]}" | median_mb)
floor=$(printf '%s\n' "${floor_kib[@]}" | median_mb)
echo "configurator start, peak memory at $definitions definitions (median of $runs, MB): start $start, floor $floor, ratio $(awk -v a="$start" -v f="$floor" 'BEGIN { printf "%.2f", a / f }')"
