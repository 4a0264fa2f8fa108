// Main: attach to the host, then let the command-line word choose the run mode.

#include "cls_sondervik.h"
#include "run_texts.h"

namespace sv {

namespace {

// The words are compared exactly: case-sensitive, no trimming, no partial match.
bool isAutomaticWord(const QString& word) {
    return word == u"new" || word == u"update" || word == u"done";
}

}  // namespace

void clsSondervik::Main(const QString& commandLine) {
    InitHost();
    OpenTrace(commandLine);
    if (commandLine == u"config") {
        OpenConfigurator();
        return;
    }
    IsAutoRun = isAutomaticWord(commandLine);
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
