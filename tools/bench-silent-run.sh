#!/usr/bin/env bash
# Whole-process time of `sondervik update` on an activity whose type has no process (the host
# fires it on every change of an activity) against two floor programs that link only Qt Core and Qt
# Sql, open the same database and run the same three queries: one registers ICU's root collation
# untailored, the other compiles the server collation's rule as the program once did. Prints median
# times and the ratios. The programs are started directly by bench/process_timer, in turns; no
# display is used: DISPLAY and WAYLAND_DISPLAY are removed from the environment.
set -euo pipefail
build=${1:-build-release}
runs=${2:-41}
host=$(mktemp -d)/host
trap 'rm -rf "$(dirname "$host")"' EXIT
activity=AC000000-0000-4000-8000-000000000003   # type "Telefonat": no process
type=A7000000-0000-4000-8000-000000000003
"$build/quorvant-host" init "$host" --demo >/dev/null
"$build/quorvant-host" set "$host" selected=$activity pane=F_AKT

unset DISPLAY WAYLAND_DISPLAY
export QUORVANT_HOST_DIR=$host
floor=("$build/bench/silent_run_floor" "$host/sql/host.sqlite" $activity $type)
mapfile -t medians < <("$build/bench/process_timer" "$runs" "$build/sondervik" update \
  -- "${floor[@]}" root -- "${floor[@]}" rules)
[[ ${#medians[@]} == 3 ]] || { echo "bench/process_timer gave no times" >&2; exit 1; }
addin=${medians[0]} root=${medians[1]} rules=${medians[2]}
ratio() { awk -v a="$addin" -v f="$1" 'BEGIN { printf "%.2f", a / f }'; }
echo "silent automatic run (median of $runs, ms): sondervik update $addin, floor $root, ratio $(ratio "$root"), floor compiling the rule $rules, ratio $(ratio "$rules")"
