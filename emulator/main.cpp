// quorvant-host: the emulated host's command-line tool (see host_tool.h).
#include "emulator/host_tool.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    // For Qt's plugin lookup (the SQL drivers) and the tool's own folder, where the add-in lies.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return sv::emu::runHostTool(app.arguments().mid(1), QCoreApplication::applicationDirPath(), out, err);
}
