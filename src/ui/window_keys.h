#pragma once
// Enter and Escape in the program's windows. They are plain top-level widgets, not dialogs, so Qt
// gives them no default or cancel button of their own.

class QAbstractButton;
class QKeyEvent;
class QWidget;

namespace sv::ui {

// The buttons a window's keys stand for: Enter presses the focused push button, or `enter` when
// the focus is elsewhere (nullptr: nothing); Escape presses `escape`.
struct WindowKeys {
    QAbstractButton* enter;
    QAbstractButton* escape;
};

// Clicks the enabled button that the key pressed in the window stands for, exactly as a mouse click
// does. Returns whether it did; a repeat of a held key, and a key with a modifier other than the
// keypad's, stand for none.
bool pressButtonForKey(const QWidget& window, const QKeyEvent& event, const WindowKeys& keys);

}  // namespace sv::ui
