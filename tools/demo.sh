#!/usr/bin/env bash
# The main job on the emulated host: a demo host whose selected activity has several valid
# processes, and the add-in started in manual mode as the host starts it. With a display the real
# selection window opens; without one a UI script chooses the second process and what the user
# would have seen is printed. Then what changed, and what to try next.
set -euo pipefail
build=${1:-build}
host="$build/demo-host"
tool="$build/quorvant-host"
activity=AC000000-0000-4000-8000-000000000001   # "Reklamation Lieferung 2026-118": three processes

rm -rf "$host"
"$tool" init "$host" --demo >/dev/null
"$tool" set "$host" pane=F_AKT selected=$activity
echo "Demo host: $host (selected: the complaint \"Reklamation Lieferung 2026-118\", three processes fit it)"
echo

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Sondervik on the demo host: choose a process in the window."
  "$tool" start "$host"
else
  echo "No display: a UI script chooses the second process. What you would have seen:"
  echo
  "$tool" start "$host" --steps 'select Combo_Process 1; click cmd_DoProcess; answer Yes'
fi

echo
echo "== New row in BusinessProcessActive"
"$tool" sql "$host" "select p.BusinessProcessName, a.Start_Date, u.NAME as Start_User, a.State from BusinessProcessActive a join BusinessProcess p on p.DSN = a.BusinessProcess_DSN join HostUser u on u.DSN = a.Start_User_DSN where a.Start_Activity_DSN = '$activity'"
echo
echo "== The activity's note now"
"$tool" sql "$host" "select Notiz from HostActivity where DSN = '$activity'" \
  | python3 -c 'import json,sys; [print(json.loads(l)["Notiz"].replace("\r\n", "\n")) for l in sys.stdin]'

cat <<NEXT

== Try next (README.md, "Trying the other roads", has more)
$tool start $host --steps 'answer OK'        # again: refused, a process runs already
$tool trace $host on                         # the decision trace; start again, then read it:
$tool trace $host
$tool start $host config --steps 'select lb_Process 2; click chk_OBJ; click btn_Close'
$tool --help
NEXT
