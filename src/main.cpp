// The add-in executable: the host starts it with one word as its whole command line.

#include "app/cls_sondervik.h"
#include "app/exit_status.h"
#include "emulator/emulated_host.h"
#include "platform/automation/registry.h"
#include "platform/error.h"
#include "platform/ui/gui.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QStringList>

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
    sv::ui::Gui gui;
    sv::automation::Registry registry;
    sv::emu::registerEmulatedHost(registry, QProcessEnvironment::systemEnvironment());

    sv::clsSondervik run(registry, gui);
    gui.runGuarded([&] { run.Main(word); });
    gui.runEventLoop();
    return sv::kExitOk;
}
