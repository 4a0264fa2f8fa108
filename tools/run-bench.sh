#!/usr/bin/env bash
# Runs every benchmark of a release build folder and prints one table: each operation's median
# beside the median of its floor (the least any implementation has to do) and their ratio; the
# table's one memory row says so in its label.
set -euo pipefail
build=${1:-build-release}
repetitions=${BENCH_REPETITIONS:-5}
here=$(dirname "$0")
medians=$(mktemp)
trap 'rm -f "$medians"' EXIT

# Lines "name<TAB>median ms" from the Google Benchmark programs.
for bench in "$build"/bench/*_bench; do
  echo "running $(basename "$bench") ..." >&2
  "$bench" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_format=csv 2>/dev/null |
    awk -F, '$1 ~ /_median"?$/ { name = $1; gsub(/"/, "", name); sub(/_median$/, "", name);
                                 unit = $5; gsub(/"/, "", unit); t = $3;
                                 if (unit == "us") t /= 1000; else if (unit == "ns") t /= 1e6; else if (unit == "s") t *= 1000;
                                 printf "%s\t%.3f\n", name, t }' >>"$medians"
done

echo "running the silent automatic run ..." >&2
silent=$(bash "$here/bench-silent-run.sh" "$build")
printf 'Silent/update\t%s\nFloor/silent_run\t%s\nFloor/silent_run_compiling_rule\t%s\n' \
  "$(sed -E 's/.*sondervik update ([0-9.]+),.*/\1/' <<<"$silent")" \
  "$(sed -E 's/.*floor ([0-9.]+),.*/\1/' <<<"$silent")" \
  "$(sed -E 's/.*floor compiling the rule ([0-9.]+),.*/\1/' <<<"$silent")" >>"$medians"

# The value after a name in a line of name value pairs.
value() { awk -v n="$1" '{ for (i = 1; i < NF; i += 2) if ($i == n) print $(i + 1) }' <<<"$2"; }
for size in 1000 10000 100000; do
  echo "running one configurator start at $size definitions ..." >&2
  one=$(bash "$here/bench-one-start.sh" "$build" "$size")
  printf 'Configurator/start_own_process/%s\t%s\nFloor/parse+query_own_process/%s\t%s\n' \
    "$size" "$(value start_ms "$one")" "$size" "$(value floor_ms "$one")" >>"$medians"
  # Peak memory at the largest size only: below it, the libraries both load outweigh the data.
  [[ $size != 100000 ]] ||
    printf 'Configurator/start_peak_memory/%s\t%s\nFloor/parse+query_peak_memory/%s\t%s\n' \
      "$size" "$(value start_mb "$one")" "$size" "$(value floor_mb "$one")" >>"$medians"
done

# operation label, benchmark, floor benchmark, target (a ratio, or how the cost may grow)
rows=(
  "silent automatic run (whole process)|Silent/update|Floor/silent_run|1.3"
  "silent automatic run, floor compiling the rule|Silent/update|Floor/silent_run_compiling_rule|–"
  "configurator: one stored click|Configurator/stored_click|Floor/parse+save+query|2"
  "configurator: start|Configurator/start|Floor/parse+query|3"
  "configurator: first start of a process|Configurator/start_own_process|Floor/parse+query_own_process|–"
  "configurator start, peak memory (MB)|Configurator/start_peak_memory|Floor/parse+query_peak_memory|1.3"
  "configuration store: open from file|Store/open|Floor/parse|2.5"
  "configuration store: filter by every DSN|Store/filter_every_dsn|Floor/lookup_every_dsn|linear"
  "configuration store: save|Store/save|Floor/serialize+write|3"
)
printf '| operation | definitions | median ms | floor ms | ratio | target |\n|---|---|---|---|---|---|\n'
for row in "${rows[@]}"; do
  IFS='|' read -r label op floor target <<<"$row"
  for size in "" 1000 10000 100000; do
    key=${size:+/$size}
    median=$(awk -F'\t' -v n="$op$key" '$1 == n { print $2 }' "$medians")
    base=$(awk -F'\t' -v n="$floor$key" '$1 == n { print $2 }' "$medians")
    [[ -n $median && -n $base ]] || continue
    ratio=$(awk -v a="$median" -v b="$base" 'BEGIN { printf "%.2f", a / b }')
    [[ $target =~ ^[0-9.]+$ ]] && shown="≤ ${target}×" || shown=$target
    printf '| %s | %s | %s | %s | %s | %s |\n' "$label" "${size:--}" "$median" "$base" "$ratio" "$shown"
  done
done
