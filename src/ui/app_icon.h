#pragma once

#include <QIcon>

namespace sv::ui {

// The program's icon, shared by both windows: drawn, so that no image file has to travel along.
QIcon appIcon();

}  // namespace sv::ui
