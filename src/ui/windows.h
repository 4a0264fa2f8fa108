#pragma once
// The two windows as the run uses them. They are made by the GUI module (libsv_gui.so, see
// platform/ui/gui_backend.h), so the run itself needs no Qt Widgets.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace sv {

class clsSondervik;

// frm_Sondervik, the process selection window.
class SelectionWindow {
public:
    virtual ~SelectionWindow() = default;
    // Replaces the list's entries, in the given order, and selects the first.
    virtual void fillProcesses(const QStringList& names) = 0;
    // Shows it through the run's Gui, without waiting.
    virtual void showWindow() = 0;
    virtual void closeWindow() = 0;
};

// An entry of the configurator's process list: the name shown, and the DSN of the definition it was
// filled from.
struct ProcessEntry {
    QString name;
    QString dsn;
};

// frm_SondervikConfig, the process configurator window.
class ConfigWindow {
public:
    virtual ~ConfigWindow() = default;
    // Shows it through the run's Gui, without waiting, unless it is visible.
    virtual void showWindow() = 0;
    virtual void closeWindow() = 0;

    // The process list: entry n belongs to row n + 1 of ProcessList, and to the DSN it was filled
    // from.
    virtual void clearProcesses() = 0;
    virtual void setProcesses(std::vector<ProcessEntry> entries) = 0;
    virtual int processCount() const = 0;
    // The DSN the entry was filled from; nullopt when there is no such entry.
    virtual std::optional<QString> processDsn(int position) const = 0;
    // Selects an entry; a change of the selection raises lb_Process_Click.
    virtual void selectProcess(int position) = 0;
    // The selected entry, counted from 0; -1 when none is selected.
    virtual int selectedPosition() const = 0;

    // The state (0 or 1) of the box that stands for a flag of the configuration file (its name
    // compared exactly); nullopt for any other name.
    virtual std::optional<qint16> boxState(const QString& field) const = 0;
    // Sets that box; a change of its state raises its click handler, as a user's click does.
    virtual void setBoxState(const QString& field, bool checked) = 0;
};

// Each makes the GUI first; a run that can't have it ends with status 2.
std::unique_ptr<SelectionWindow> makeSelectionWindow(clsSondervik& run);
std::unique_ptr<ConfigWindow> makeConfigWindow(clsSondervik& run);

}  // namespace sv

// The GUI module's window makers.
extern "C" sv::SelectionWindow* sv_gui_make_selection_window(sv::clsSondervik& run);
extern "C" sv::ConfigWindow* sv_gui_make_config_window(sv::clsSondervik& run);
