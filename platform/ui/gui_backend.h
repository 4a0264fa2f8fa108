#pragma once
// The half of the Gui that needs Qt Widgets: the QApplication, message boxes on the screen and in
// pictures, and windows driven by the UI script. It lives in the GUI module (libsv_gui.so, beside
// the core library), which a Gui loads the first time something is to be shown, so a run that
// shows nothing never loads Qt Widgets or Qt Gui.

#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/ui/transcript.h"
#include "platform/ui/ui_script.h"

#include <functional>
#include <optional>

class QWidget;

namespace sv::ui {

// What could not be shown, for the one line on stderr that a run ends with when it can't show it.
struct Shown {
    QString name;  // "the message box \"Title\"", "the window frm_Sondervik"
    QString text;  // a message box's text
};

// What a Gui and its backend share: the settings, the script and the transcript.
struct GuiState {
    GuiSettings settings;
    std::optional<UiScript> script;
    Transcript transcript;
    // Told the status and why just before the GUI ends the run itself.
    std::function<void(int status, const QString& reason)> endObserver;

    // Reports on stderr that `what` can't be shown and why, then ends the run with status 2.
    [[noreturn]] void cannotShow(const Shown& what, const QString& reason) const;
    // Records the failure in the transcript, reports it on stderr and ends the run with status 3.
    [[noreturn]] void scriptFailure(const QString& message, const ScriptStep* step = nullptr);
    // Tells the observer, then ends the run with the status.
    [[noreturn]] void end(int status, const QString& reason) const;
};

class GuiBackend {
public:
    virtual ~GuiBackend() = default;

    // Makes the QApplication unless it is there. When no display can be opened, a UI script
    // drives an offscreen one; without a script the run ends with status 2.
    virtual void ensureApplication(const Shown& what) = 0;
    // Shows a modal box and returns the answer number the user gave.
    virtual int askUser(const MessageBoxStyle& style, const QString& title, const QString& text) = 0;
    // Writes a picture of the box, laid out as askUser shows it; returns why it could not be written.
    virtual std::optional<QString> snapshotBox(const MessageBoxStyle& style, const QString& title,
                                               const QString& text, const QString& file) = 0;
    virtual void showWindow(QWidget& window) = 0;
    virtual void runEventLoop() = 0;
};

}  // namespace sv::ui

// The GUI module's entry point: a backend working for `gui`, which outlives it.
extern "C" sv::ui::GuiBackend* sv_gui_make_backend(sv::ui::Gui& gui, sv::ui::GuiState& state);
