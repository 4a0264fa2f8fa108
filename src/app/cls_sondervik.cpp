#include "cls_sondervik.h"

#include "src/ui/windows.h"
#include "src/config/settings_store.h"

namespace sv {

clsSondervik::clsSondervik(automation::Registry& registry, ui::Gui& gui) : registry_(registry), gui_(gui) {}

clsSondervik::~clsSondervik() = default;

}  // namespace sv
