#!/usr/bin/env bash
# Pictures of what a person sees: the real program, started by the emulated host on a demo host,
# shows its two windows and its main message boxes on a virtual X display, and UI-script snapshot
# steps write them to docs/img/ (or the folder given second), with pictures.json, which names what
# each shows (tools/picture_manifest.py). Installs nothing (tools/install-deps.sh brings Xvfb); the
# pictures replace those in the folder only when every scenario ran.
set -euo pipefail
build=${1:-build}
tool="$build/quorvant-host"
tools="$(cd "$(dirname "$0")" && pwd)"
img=${2:-"$tools/../docs/img"}
work=$(mktemp -d)
host="$work/host"
shots="$work/img"
xvfb=""

cleanup() {
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

command -v Xvfb >/dev/null || { echo "screenshots: Xvfb is missing; run tools/install-deps.sh" >&2; exit 1; }
[ -x "$tool" ] || { echo "screenshots: $tool is missing; build first" >&2; exit 1; }

# Xvfb picks a free display itself and names it on the pipe once it accepts clients. It must not
# reset when its last client leaves: a run starting at that moment would find no display.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset 3>"$work/displayfd" 2>"$work/xvfb.log" &
xvfb=$!
if ! read -r display <"$work/displayfd"; then
  echo "screenshots: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi

# run NAME WORD STEP...: the host starts the add-in with WORD (empty: a manual run), and the steps
# stand in for the person at the screen. With `scale` set, Qt draws at that scale factor.
run() {
  local name=$1 word=$2
  shift 2
  printf '%s\n' "$@" >"$work/$name.script"
  env -u WAYLAND_DISPLAY -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS ${scale:+QT_SCALE_FACTOR=$scale} \
    DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" \
    SONDERVIK_UI_SCRIPT="$work/$name.script" SONDERVIK_UI_TRANSCRIPT="$work/$name.jsonl" \
    "$tool" start "$host" ${word:+"$word"} >/dev/null ||
    { echo "screenshots: the scenario $name failed (status $?)" >&2; exit 1; }
}

complaint=AC000000-0000-4000-8000-000000000001   # three processes fit its type
offer=AC000000-0000-4000-8000-000000000002       # one process fits; linked to an address only
running=AC000000-0000-4000-8000-000000000005     # has started a process already

mkdir "$shots"
"$tool" init "$host" --demo >/dev/null

"$tool" set "$host" selected=$complaint
run selection "" "snapshot $shots/frm_Sondervik.png" "click btn_cancel"

# No configuration file yet: the start asks whether to go on with the default one it made.
"$tool" set "$host" selected=$offer
run default-file "" "snapshot $shots/msg_confirm_start.png" "answer Yes" \
  "snapshot $shots/msg_default_config.png" "answer No"

# The offer's process (first in the list) demands an object and a project and starts when an
# activity is created.
run configurator config "click chk_OBJ" "click chk_PRJ" "click chkAKTNew" \
  "snapshot $shots/frm_SondervikConfig.png" "click btn_Close"
# The same at twice the size, as on a high-resolution screen: every text still fits its control.
scale=2 run configurator-scaled config "snapshot $shots/frm_SondervikConfig_scale2.png" "click btn_Close"
run missing-link "" "answer Yes" "snapshot $shots/msg_missing_link.png" "answer OK"

"$tool" set "$host" selected=$running
run already-running "" "snapshot $shots/msg_already_running.png" "answer OK"

# A database that refuses the insert.
"$tool" sql "$host" "create trigger refuse_start before insert on BusinessProcessActive
  begin select raise(abort, 'Die Datenbank ist schreibgeschützt.'); end" >/dev/null
"$tool" set "$host" selected=$complaint
run start-error "" "click cmd_DoProcess" "snapshot $shots/msg_start_error.png" "answer OK"

python3 "$tools/picture_manifest.py" "$shots/pictures.json" "$shots" "$work"/*.jsonl
mkdir -p "$img"
cp "$shots"/*.png "$shots/pictures.json" "$img/"
pictures=("$shots"/*.png)
echo "screenshots: ${#pictures[@]} pictures in $img"
printf '  %s\n' "${pictures[@]##*/}"
