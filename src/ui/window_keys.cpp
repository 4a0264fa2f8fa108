#include "window_keys.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace sv::ui {

namespace {

QAbstractButton* buttonForKey(const QWidget& window, int key, const WindowKeys& keys) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* focused = qobject_cast<QPushButton*>(window.focusWidget())) return focused;
            return keys.enter;
        case Qt::Key_Escape:
            return keys.escape;
        default:
            return nullptr;
    }
}

}  // namespace

bool pressButtonForKey(const QWidget& window, const QKeyEvent& event, const WindowKeys& keys) {
    // A key held down presses its button once, not once per repeat.
    if (event.isAutoRepeat() || (event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    QAbstractButton* button = buttonForKey(window, event.key(), keys);
    if (!button || !button->isEnabled()) return false;
    button->click();
    return true;
}

}  // namespace sv::ui
