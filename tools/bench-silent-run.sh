#!/usr/bin/env bash
# Whole-process time of `sondervik update` on an activity whose type has no process (the host
# fires it on every change of an activity) against two floor programs that link only Qt Core and Qt
# Sql, open the same database and run the same three queries: one registers ICU's root collation
# untailored, the other compiles the server collation's rule as the program once did. Prints median
# times and the ratios. No display is used: DISPLAY and WAYLAND_DISPLAY are removed from the environment.
set -euo pipefail
build=${1:-build-release}
runs=${2:-41}
host=$(mktemp -d)/host
activity=AC000000-0000-4000-8000-000000000003   # type "Telefonat": no process
type=A7000000-0000-4000-8000-000000000003
"$build/quorvant-host" init "$host" --demo >/dev/null
"$build/quorvant-host" set "$host" selected=$activity pane=F_AKT

elapsed_us() {  # command...
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $(( (end - start) / 1000 ))
}

median_ms() {  # microseconds, one a line
  sort -n | awk '{ a[NR] = $1 } END { printf "%.2f", a[int((NR + 1) / 2)] / 1000 }'
}

run_addin() { env -u DISPLAY -u WAYLAND_DISPLAY QUORVANT_HOST_DIR="$host" "$build/sondervik" update; }
run_floor() {  # root|rules
  env -u DISPLAY -u WAYLAND_DISPLAY "$build/bench/silent_run_floor" "$host/sql/host.sqlite" $activity $type "$1"
}

run_addin && run_floor root && run_floor rules   # all must succeed before they are timed
# Taken in turns, so that a change of the machine's load meets them alike.
addin_times=() root_times=() rules_times=()
for _ in $(seq "$runs"); do
  addin_times+=("$(elapsed_us run_addin)")
  root_times+=("$(elapsed_us run_floor root)")
  rules_times+=("$(elapsed_us run_floor rules)")
done
addin=$(printf '%s\n' "${addin_times[@]}" | median_ms)
root=$(printf '%s\n' "${root_times[@]}" | median_ms)
rules=$(printf '%s\n' "${rules_times[@]}" | median_ms)
ratio() { awk -v a="$addin" -v f="$1" 'BEGIN { printf "%.2f", a / f }'; }
echo "silent automatic run (median of $runs, ms): sondervik update $addin, floor $root, ratio $(ratio "$root"), floor compiling the rule $rules, ratio $(ratio "$rules")"
rm -rf "$(dirname "$host")"
