#pragma once
// clsSondervik: one run of the add-in. Its members are the run's module-wide state; its member
// functions are spread over src/app (entry, activity context, automatic choice), src/host
// (start-up, shutdown), src/start (start, note, link check) and src/config (configuration file,
// configurator start and store). The windows hold a reference to the run.

#include "auto_choice.h"
#include "platform/automation/object.h"
#include "platform/automation/registry.h"
#include "platform/data/connection.h"
#include "platform/data/recordset.h"
#include "platform/error.h"
#include "run_trace.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace sv::ui {
class Gui;
}

namespace sv::config {
struct ConfigSnapshot;
}

namespace sv {

class SelectionWindow;
class ConfigWindow;
struct StartNote;

class clsSondervik {
public:
    clsSondervik(automation::Registry& registry, ui::Gui& gui);
    ~clsSondervik();
    clsSondervik(const clsSondervik&) = delete;
    clsSondervik& operator=(const clsSondervik&) = delete;

    // Entry: the command-line text decides the run mode.
    void Main(const QString& commandLine);

    // Host link
    void InitHost();
    void ShutDown();

    // Process start
    void StartProcess(const QString& processDsn);
    void StartChosenProcess(qint16 position);
    // The note stamp in two steps: everything that reads and may fail, before the insert; the
    // write-back, after it.
    StartNote PrepareStartNote();
    void WriteStartNote(const StartNote& note);
    bool CheckRequiredLinks(const QString& processDsn);

    // Configuration file and configurator
    QString ConfigPath();
    // False when the file could not be made; the failure has been reported then.
    bool CreateDefaultConfig();
    void OpenConfigurator();
    void SyncConfig();
    // A list position is an int: a 16-bit one would wrap beyond 32,767 definitions and reach
    // another process's row.
    void ShowProcessSettings(int position);
    void SaveProcessSetting(const QString& fieldName, int position);
    void CloseConfig();

    // A message box of the run: shown by the GUI, noted in the trace with its answer.
    int MsgBox(const QString& text, int style = 0, const QString& title = {});

    // The trace's notes of what ends a step or the run.
    void TraceError(const PlatformError& error);
    // The error's description in a box with an OK button, its number too in the trace.
    void ReportError(const PlatformError& error);
    void TraceEnd(int status, const QString& reason = {});

    ui::Gui& gui() { return gui_; }
    automation::Registry& registry() { return registry_; }

    // Module-wide state of the run.
    automation::Value HostRoot;
    automation::Value HostApp;
    automation::Value UtilObj;
    automation::Value DbUtil;
    QString ConnectString;
    std::unique_ptr<data::Connection> DbConnection;
    bool IsAutoRun = false;
    QString ActivityDsn;
    QString UserDsn;
    QString UserName;
    QString ActivityTypeName;
    std::optional<QStringList> CandidateDsns;  // released: nullopt
    std::unique_ptr<data::Recordset> StartConfig;
    std::unique_ptr<data::Recordset> ProcessList;
    // What the configurator start read of the configuration file, for the first loading after it.
    std::unique_ptr<config::ConfigSnapshot> StartSnapshot;
    // While a process's settings are loaded into the configurator's boxes.
    bool LoadingProcessSettings = false;
    // Set from the start of a rebuild of the configuration file to the end of the action that led
    // to it: a field still missing then is reported instead of rebuilding again.
    bool ConfigRebuildUnderway = false;

    // The decision trace, opened by Main once the host's folder is known.
    RunTrace Trace;

    // The windows of the run, created when first shown.
    std::unique_ptr<SelectionWindow> SelectionForm;
    std::unique_ptr<ConfigWindow> ConfigForm;

    // The active pane, looked up anew by its current name, and a field of its selected row.
    automation::Value ActivePane();
    QVariant PaneField(const QString& field);

private:
    void OpenTrace(const QString& commandLine);
    void TraceRunning(data::Recordset& running);
    void TraceCandidates(data::Recordset& candidates);
    void TraceStart(const QString& processDsn);
    // Each candidate's flag for the event; with `offered`, whether the selection window lists it.
    void TraceFlags(AutoChoice& choice, data::Recordset& candidates, bool offered);

    // Steps of Main, of the activity context and of the choice among candidates.
    bool PaneAllowed();
    void RefuseStart(const QString& text);
    // R4 with the first running process's name in a manual run, nothing in an automatic one.
    // Without a record set, the activity's running processes are read anew.
    void RefuseRunning(const data::Recordset& running);
    void RefuseRunning();
    void RunProcessQuickStart(const QString& commandLine);
    // The note and the host's display of the activity, once the process's row is in place.
    void CompleteStart(const StartNote& note);
    bool ReadActivityContext();
    void StartSingleCandidate(const data::Recordset& candidates);
    void ChooseAmongCandidates(const QString& commandLine, data::Recordset& candidates);
    // Starts the one flagged candidate and gives nullopt, or gives what decides the listing.
    std::optional<AutoChoice> ChooseByConfiguration(const QString& commandLine, data::Recordset& candidates);

    automation::Registry& registry_;
    ui::Gui& gui_;
    // The candidates' names by DSN, kept while the trace is on, so that a start names its process.
    QHash<QString, QString> tracedCandidateNames_;
};

}  // namespace sv
