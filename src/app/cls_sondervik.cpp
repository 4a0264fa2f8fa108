#include "cls_sondervik.h"

#include "src/config/settings_store.h"
#include "src/ui/windows.h"

namespace sv {

clsSondervik::clsSondervik(automation::Registry& registry, ui::Gui& gui) : registry_(registry), gui_(gui) {}

clsSondervik::~clsSondervik() = default;

}  // namespace sv
