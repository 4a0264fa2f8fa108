#pragma once
// What the UI script does to a window, and what the transcript records of it.

#include "platform/ui/ui_script.h"

#include <QJsonObject>
#include <optional>

class QWidget;

namespace sv::ui {

// {"event":"window","name","caption","controls","size","layout"}: every named control of the window
// with what applies to its kind: "text", "entries", "selected" (-1: none), "checked" (0 unchecked,
// 1 checked, 2 greyed), and "enabled"; the window's client size [width, height] in pixels, and each
// named control's place in it [left, top, width, height].
QJsonObject windowState(const QWidget& window);

// Applies a select, click or close step to the window as a user would act, raising the same
// signals. Returns why the step does not fit (no such control, a control of the wrong kind,
// disabled or hidden, an entry out of range, or an answer step); nullopt when it was applied.
std::optional<QString> applyStep(QWidget& window, const ScriptStep& step);

// Writes a PNG of the widget as it is drawn, without the frame the desktop puts around a window.
// The file is written beside and renamed, so a failed write leaves no partial picture. Returns
// why it could not be written; nullopt when it was.
std::optional<QString> saveSnapshot(QWidget& widget, const QString& file);

}  // namespace sv::ui
