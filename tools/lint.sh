#!/usr/bin/env bash
# Checks the project's own code: clang-format's layout and clang-tidy's checks (.clang-tidy), on the
# compile commands of a configured build folder.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
report=$(mktemp)
status=0
git ls-files 'src/*.cpp' 'platform/*.cpp' 'emulator/*.cpp' \
  | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet >"$report" 2>&1 || status=$?
grep -v -E '^[0-9]+ warnings generated\.$' "$report" || true
rm -f "$report"
exit "$status"
