// The build's stamp as an ELF note of the GUI module: the core reads it before it loads the module
// and refuses a module of another version or build (platform/ui/gui_module.h).
#include "platform/ui/gui_module.h"

#define SV_TEXT(x) SV_TEXT_OF(x)
#define SV_TEXT_OF(x) #x

// Name size, stamp size and type, then the name and the stamp, each padded to four bytes.
asm(".pushsection .note.sondervik,\"a\",@note\n"
    ".balign 4\n"
    ".long 2f - 1f\n"
    ".long 4f - 3f\n"
    ".long " SV_TEXT(SV_STAMP_NOTE_TYPE) "\n"
    "1: .asciz \"" SV_STAMP_NOTE_NAME "\"\n"
    "2: .balign 4\n"
    "3: .asciz \"" SV_BUILD_STAMP "\"\n"
    "4: .balign 4\n"
    ".popsection\n");
