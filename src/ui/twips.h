#pragma once
// Layout in twips (a twentieth of a point): pixels = twips × logical DPI / 1440.

#include <QFont>
#include <QRect>
#include <QWidget>

namespace sv::ui {

inline int twipsToPixels(int twips, int logicalDpi) {
    return (twips * logicalDpi + 720) / 1440;
}

// Places a control at a twips rectangle of its parent's client area.
inline void placeInTwips(QWidget& control, int left, int top, int width, int height) {
    const int dpiX = control.logicalDpiX();
    const int dpiY = control.logicalDpiY();
    control.setGeometry(twipsToPixels(left, dpiX), twipsToPixels(top, dpiY), twipsToPixels(width, dpiX),
                        twipsToPixels(height, dpiY));
}

// A new control of the window, named for the UI script and the transcript, placed in twips.
template <class Control>
Control* makeControl(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    placeInTwips(*control, left, top, width, height);
    return control;
}

// The font itself when the text, laid out with the flags, fits the area at it; otherwise the
// largest smaller size that fits, down to a size that stays legible. The layout is in twips and
// fonts differ between desktops: a text must never be cut off.
QFont fittingFont(QFont font, const QRect& area, const QString& text, const QPaintDevice* device, int flags);

// Gives a window a fixed client area in twips and centres it on its screen.
void sizeAndCentreInTwips(QWidget& window, int width, int height);

}  // namespace sv::ui
