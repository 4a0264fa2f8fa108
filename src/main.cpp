// The add-in executable: the host starts it with one word as its whole command line.

#include "app/cls_sondervik.h"
#include "app/exit_status.h"
#include "app/usage.h"
#include "emulator/emulated_host.h"
#include "platform/automation/registry.h"
#include "platform/error.h"
#include "platform/ui/gui.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QStringList>

#include <cstdio>

namespace {

// The text that follows the program's path on the command line.
QString commandLineText(int argc, char** argv) {
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    return words.join(QLatin1Char(' '));
}

}  // namespace

int main(int argc, char** argv) {
    const QString word = commandLineText(argc, argv);
    if (const std::optional<QString> info = sv::infoTextFor(word)) {
        std::fputs(info->toUtf8().constData(), stdout);
        return sv::kExitOk;
    }
    sv::ui::Gui gui;
    sv::automation::Registry registry;
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    sv::emu::registerEmulatedHost(registry, env);

    sv::clsSondervik run(registry, gui);
    // Started by hand, without a host: whatever the failure, the last line says how to start it.
    gui.setEndObserver([&run, hostRuns = sv::emu::hostIsRunning(env)](int status, const QString& reason) {
        run.TraceEnd(status, reason);
        if (!hostRuns) sv::ui::printError(QString::fromUtf8(sv::emu::kStartThroughHostHint));
    });
    gui.runGuarded([&] { run.Main(word); });
    gui.runEventLoop();
    run.TraceEnd(sv::kExitOk);
    return sv::kExitOk;
}
