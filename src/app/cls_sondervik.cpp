#include "cls_sondervik.h"

#include "src/ui/frm_sondervik.h"
#include "src/ui/frm_sondervik_config.h"

namespace sv {

clsSondervik::clsSondervik(automation::Registry& registry, ui::Gui& gui) : registry_(registry), gui_(gui) {}

clsSondervik::~clsSondervik() = default;

}  // namespace sv
