#include "windows.h"

#include "platform/ui/gui.h"
#include "src/app/cls_sondervik.h"

namespace sv {

std::unique_ptr<SelectionWindow> makeSelectionWindow(clsSondervik& run) {
    const auto make = run.gui().windowFactory<decltype(sv_gui_make_selection_window)>(
        "sv_gui_make_selection_window", QStringLiteral("frm_Sondervik"));
    return std::unique_ptr<SelectionWindow>(make(run));
}

std::unique_ptr<ConfigWindow> makeConfigWindow(clsSondervik& run) {
    const auto make = run.gui().windowFactory<decltype(sv_gui_make_config_window)>(
        "sv_gui_make_config_window", QStringLiteral("frm_SondervikConfig"));
    return std::unique_ptr<ConfigWindow>(make(run));
}

}  // namespace sv
