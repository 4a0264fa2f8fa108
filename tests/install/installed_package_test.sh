#!/usr/bin/env bash
# The Debian package made from a build folder, unpacked into a scratch folder (dpkg -x) and moved
# there, runs the demo host while the build folder's libraries are hidden: the installed programs
# must find each other and their libraries by relative paths only.
# Usage: installed_package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
hidden=()
restore() {
  for lib in "${hidden[@]}"; do mv "$lib.hidden" "$lib"; done
  rm -rf "$scratch"
}
trap restore EXIT
fail() {
  cat "$scratch/runs.log" 2>/dev/null || true
  echo "FAILED: $*" >&2
  exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(echo "$scratch"/package/sondervik_*.deb)
dpkg-deb --field "$deb" Package Version Depends
dpkg -x "$deb" "$scratch/unpacked"
mv "$scratch/unpacked" "$scratch/moved"
usr=$scratch/moved/usr
for lib in "$build"/libsv_*.so "$build"/platform/libsv_tsql.so; do
  mv "$lib" "$lib.hidden"
  hidden+=("$lib")
done

runpath() { readelf -d "$1" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p'; }
for program in "$usr"/bin/sondervik "$usr"/bin/quorvant-host; do
  [[ $(runpath "$program") == '$ORIGIN/'* ]] || fail "$program has the RUNPATH '$(runpath "$program")'"
done
# An empty entry would make the loader search the working folder.
for file in "$usr"/bin/* $(find "$usr/lib" -name '*.so'); do
  path=$(runpath "$file")
  [[ -z $path || :$path: != *::* ]] || fail "$file has an empty entry in its RUNPATH '$path'"
done
[[ -f $usr/share/doc/sondervik/admin.md ]] || fail "no administrators' guide"

host=$scratch/host
tool() { timeout 60 "$usr/bin/quorvant-host" "$@" 2>>"$scratch/runs.log"; }
run() { tool "$@" >>"$scratch/runs.log"; }
active() { tool sql "$host" "select count(*) as n from BusinessProcessActive" | sed 's/[^0-9]//g'; }
export QT_QPA_PLATFORM=offscreen
run init "$host" --demo

before=$(active)
run start "$host" --steps 'select Combo_Process 1; click cmd_DoProcess; answer Yes' ||
  fail "manual start: status $?"
[[ $(active) == $((before + 1)) ]] || fail "the manual start started no process"

run set "$host" selected=AC000000-0000-4000-8000-000000000002
run start "$host" new || fail "automatic start: status $?"
[[ $(active) == $((before + 2)) ]] || fail "the automatic start started no process"

run start "$host" config --steps 'select lb_Process 0; click chk_AD; click btn_Close' ||
  fail "configurator: status $?"
grep -q " AD='1'" "$host/Addin/_Sondervik/SondervikConfig.xml" || fail "the configurator stored no click"

# The SQLite extension loads from the installed tree.
extension=$(find "$usr" -name libsv_tsql.so)
[[ $(sqlite3 :memory: ".load $extension" "select length(NewID())") == 36 ]] || fail "the SQLite extension"
echo "the installed package runs the demo host"
