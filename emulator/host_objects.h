#pragma once
// The emulated host's automation objects, unlogged: the root object "Velquin.Application" over a
// host folder, and the host maker's utility objects "tamberlib10.cUtil" and "tamberlib10.cdbutil".

#include "emulator/host_folder.h"
#include "platform/automation/object.h"

namespace sv::emu {

// HostRoot: Quorvant_InitApplication, Quorvant_InitType, Quorvant_Application (HostApp),
// Quorvant_Folder, oFilesystem, AKT_ShowDSN.
automation::ObjectPtr makeHostRoot(const HostFolder& folder);

// cUtil: k(value), the value as text (Null and Empty give "").
automation::ObjectPtr makeUtil();

// cdbutil: GetConnectString(path of SQL.INI, code).
automation::ObjectPtr makeDbUtil();

}  // namespace sv::emu
