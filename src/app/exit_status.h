#pragma once
// Exit statuses of the add-in. 1 to 3 are those the GUI layer ends a run with
// (unhandled error, no display, UI script).

namespace sv {

inline constexpr int kExitOk = 0;
inline constexpr int kExitHostInitFailed = 4;

// The one table of exit statuses, shown by the usage of both programs.
inline constexpr char kExitStatusTable[] =
    "Exit statuses (quorvant-host start ends with the add-in's status):\n"
    "  0      done: a process started, the run was refused or had nothing to do, the window closed\n"
    "  1      sondervik: an error no handler took (\"Laufzeitfehler\"); quorvant-host: a failure\n"
    "  2      sondervik: a window or message box and no display to show it; quorvant-host: wrong usage\n"
    "  3      sondervik: the UI script can't be read, has run out, or a step does not fit\n"
    "  4      sondervik: the host failed to initialise\n"
    "  128+N  quorvant-host start: the add-in was ended by signal N\n";

}  // namespace sv
