#!/usr/bin/env bash
# The main job on the emulated host: a demo host whose selected activity has several valid
# processes, and the add-in started in manual mode as the host starts it. With a display the real
# selection window opens; without one a UI script chooses the second process and what the user
# would have seen, and what changed, is printed.
set -euo pipefail
build=${1:-build}
host="$build/demo-host"
tool="$build/quorvant-host"
activity=AC000000-0000-4000-8000-000000000001   # "Reklamation Lieferung 2026-118": three processes

rm -rf "$host"
"$tool" init "$host" --demo >/dev/null
"$tool" set "$host" pane=F_AKT selected=$activity

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Sondervik on the demo host in $host ..."
  exec "$tool" start "$host"
fi

script="$host/demo-script.txt"
transcript="$host/demo-transcript.jsonl"
printf '%s\n' "select Combo_Process 1" "click cmd_DoProcess" "answer Yes" > "$script"
echo "No display: the selection window is driven by a script that chooses the second process."
echo
# Qt wants a private runtime folder for its offscreen windows; a fresh machine may have none.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
SONDERVIK_UI_SCRIPT="$script" SONDERVIK_UI_TRANSCRIPT="$transcript" QT_QPA_PLATFORM=offscreen \
  "$tool" start "$host"
python3 "$(dirname "$0")/show_transcript.py" "$transcript"

echo
echo "== New row in BusinessProcessActive"
"$tool" sql "$host" "select p.BusinessProcessName, a.Start_Date, u.NAME as Start_User, a.State from BusinessProcessActive a join BusinessProcess p on p.DSN = a.BusinessProcess_DSN join HostUser u on u.DSN = a.Start_User_DSN where a.Start_Activity_DSN = '$activity'"
echo
echo "== The activity's note now"
"$tool" sql "$host" "select Notiz from HostActivity where DSN = '$activity'" \
  | python3 -c 'import json,sys; [print(json.loads(l)["Notiz"].replace("\r\n", "\n")) for l in sys.stdin]'
