#pragma once
// Message boxes and windows for one run. The GUI itself (QApplication) comes into being only
// when the first real message box or window needs it, so a run that shows nothing needs no
// display; the code that needs Qt Widgets lives in the GUI module (see gui_backend.h), loaded then. With a UI
// script (see ui_script.h) nobody is waited for: the script answers message boxes and acts on windows, and a
// run whose script runs out or doesn't fit ends with status 3. A transcript (see transcript.h) records
// everything shown.

#include "platform/error.h"

#include <QProcessEnvironment>
#include <QString>
#include <concepts>
#include <functional>
#include <memory>
#include <utility>

class QWidget;

namespace sv::ui {

// Exit statuses of a run that the GUI ends.
inline constexpr int kExitUnhandledError = 1;
inline constexpr int kExitNoDisplay = 2;
inline constexpr int kExitScript = 3;

struct GuiSettings {
    QString scriptPath;      // SONDERVIK_UI_SCRIPT
    QString transcriptPath;  // SONDERVIK_UI_TRANSCRIPT
    bool displayAvailable = false;
    // The GUI module; empty: libsv_gui.so beside the core library.
    QString modulePath{};

    static GuiSettings fromEnvironment(
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());
};

// Whether windows can be shown: an X or Wayland display, or a Qt platform that needs none
// (offscreen, minimal, vnc and the like).
bool hasDisplay(const QProcessEnvironment& env);

// Writes one line "sondervik: MESSAGE" on stderr.
void printError(const QString& message);

class Gui {
public:
    // Reads the UI script and opens the transcript at once; a script that can't be read or
    // parsed, or a transcript that can't be opened, ends the run with status 3.
    explicit Gui(GuiSettings settings = GuiSettings::fromEnvironment());
    ~Gui();
    Gui(const Gui&) = delete;
    Gui& operator=(const Gui&) = delete;

    // Shows a modal message box and returns the answer number (see message_box.h). Text lines
    // are separated by CR LF; an empty title shows the application's title. Throws
    // PlatformError(5) for an unknown button group.
    int messageBox(const QString& text, int style = 0, const QString& title = {});

    // Creates the GUI if it is not there yet. Call it before constructing a window.
    void ensureGui();
    // Creates the GUI for the named window and returns the GUI module's function `name`, which
    // makes that window. Ends the run with status 2 when either can't be had.
    template <class Function>
    Function* windowFactory(const char* name, const QString& window) {
        return reinterpret_cast<Function*>(windowFactorySymbol(name, window));
    }
    // Shows a window without waiting and keeps track of it until it closes. The window stays
    // the caller's; it must be destroyed before this Gui.
    void showWindow(QWidget& window);
    // Runs the event loop while a window is open; returns at once when none is.
    void runEventLoop();

    // The platform's standard report of an unhandled error: a critical message box, then the
    // run ends with status 1.
    [[noreturn]] void reportUnhandledError(const PlatformError& error);
    // Runs an event handler; any error escaping it gets the standard report, so no exception
    // ever reaches Qt's event loop.
    void runGuarded(const std::function<void()>& handler) noexcept;
    // A handler wrapped for QObject::connect: `connect(b, &QPushButton::clicked, gui.guarded(f))`.
    template <class Handler>
    auto guarded(Handler handler) {
        // Constrained so that Qt passes the handler only the leading signal arguments it takes.
        return [ this, handler = std::move(handler) ](
            auto&&... args) requires std::invocable<Handler&, decltype(args)...> {
            runGuarded([&] { handler(std::forward<decltype(args)>(args)...); });
        };
    }

    // Ends the process at once with the status: output is flushed, nothing else is run.
    [[noreturn]] static void endProgram(int status);
    // Told the status and why, just before the GUI itself ends the run (statuses 1 to 3).
    void setEndObserver(std::function<void(int status, const QString& reason)> observer);

private:
    void* windowFactorySymbol(const char* name, const QString& window);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace sv::ui
