#pragma once
// Registers the emulated host's classes with an add-in's registry. The add-in finds the running
// host through QUORVANT_HOST_DIR, which the host sets when it starts the add-in; every object
// activated for a host folder logs its calls to that folder's call log.

#include "platform/automation/registry.h"

#include <QProcessEnvironment>

namespace sv::emu {

inline constexpr char kHostDirVariable[] = "QUORVANT_HOST_DIR";

// "Velquin.Application": the host's root object; without QUORVANT_HOST_DIR, or when the folder
// it names holds no host, activation fails with error 429. "tamberlib10.cUtil" and
// "tamberlib10.cdbutil": the utility objects, which need no host (logged when there is one).
void registerEmulatedHost(automation::Registry& registry, const QProcessEnvironment& env);

// Whether QUORVANT_HOST_DIR names a folder that holds a host.
bool hostIsRunning(const QProcessEnvironment& env);

// How an add-in is started on the emulated host, for a run that found none.
inline constexpr char kStartThroughHostHint[] =
    "no host runs: start the add-in through it with `quorvant-host start DIR [WORD] [--steps STEPS]`";

}  // namespace sv::emu
