#pragma once
// Loading the GUI module (libsv_gui.so) after checking its file, so that a damaged or foreign module
// ends the run with a message instead of a crash or a hang. The module carries its build's stamp as
// an ELF note (src/ui/module_stamp.cpp); the core loads only a module whose stamp is its own.

#include <QString>

// The note that holds the stamp: its owner's name and its type, as text for the assembler too.
#define SV_STAMP_NOTE_NAME "Sondervik"
#define SV_STAMP_NOTE_TYPE 0x53560001

namespace sv::ui {

struct LoadedModule {
    void* handle = nullptr;  // null when the module was refused or dlopen failed
    QString problem;         // then: what is wrong, naming the file
};

// Opens path without following a final link and without blocking and loads it only when it is a
// regular file, an ELF shared object of this machine whose loadable segments all lie within the
// file, and carries this build's stamp. The file checked is the file loaded.
LoadedModule loadGuiModule(const QString& path);

}  // namespace sv::ui
