#pragma once
// Exit statuses of the add-in. 1 to 3 are those the GUI layer ends a run with
// (unhandled error, no display, UI script).

namespace sv {

inline constexpr int kExitOk = 0;
inline constexpr int kExitHostInitFailed = 4;

}  // namespace sv
