#pragma once
// What the add-in and the host's utility library agree on beyond member names.

#include <QtGlobal>

namespace sv::host {

// The fixed code that tamberlib10.cdbutil's GetConnectString expects as its second argument.
inline constexpr qint32 kConnectStringCode = 17;

inline constexpr char kHostClass[] = "Velquin.Application";
inline constexpr char kUtilClass[] = "tamberlib10.cUtil";
inline constexpr char kDbUtilClass[] = "tamberlib10.cdbutil";

}  // namespace sv::host
