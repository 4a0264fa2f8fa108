// Main: attach to the host, then let the command-line word choose the run mode.

#include "cls_sondervik.h"
#include "command_words.h"
#include "run_texts.h"

namespace sv {

void clsSondervik::Main(const QString& commandLine) {
    InitHost();
    OpenTrace(commandLine);
    const RunMode mode = commandWordOf(commandLine).mode;
    if (mode == RunMode::configurator) {
        OpenConfigurator();
        return;
    }
    IsAutoRun = mode == RunMode::automatic;
    if (!PaneAllowed()) {
        RefuseStart(texts::kR1);
        return;
    }
    RunProcessQuickStart(commandLine);
}

bool clsSondervik::PaneAllowed() {
    const QString pane = HostApp.get(QStringLiteral("ActivePaneName")).toText();
    Trace.line(u"Fenster '%1'", pane);
    return pane == u"F_AKT" || pane == u"F_VOR";
}

}  // namespace sv
