#pragma once
// Qt ends the process (abort) when the platform it is to show windows on can't be set up: a
// display that is not there, a platform plugin that is not installed. The platform is therefore
// chosen and tried here first, before a QApplication is made.

#include <QProcessEnvironment>
#include <QString>
#include <optional>

namespace sv::ui {

struct PlatformChoice {
    std::optional<QString> platform;  // an entry of Qt's platform list, options included
    QString failure;                  // when none can be used: why, for each that was tried
};

// The first platform that can be set up of QT_QPA_PLATFORM's list, or of Qt's default (xcb, then
// wayland; wayland first in a Wayland session): its plugin is installed and, for xcb and wayland,
// the display server accepts a connection.
PlatformChoice chooseQtPlatform(const QProcessEnvironment& env);

}  // namespace sv::ui
