#pragma once
// quorvant-host: makes and drives emulated hosts from scripts.
//   quorvant-host init DIR [--demo]
//   quorvant-host set DIR KEY=VALUE...
//   quorvant-host sql DIR STATEMENT
//   quorvant-host start DIR [WORD] [--steps STEPS] [--addin PATH]
//   quorvant-host calls DIR
//   quorvant-host trace DIR [on|off]
//   quorvant-host transcript FILE
//   quorvant-host help | --help | -h | --version
// Exit status: 0 done, 1 failure, 2 wrong usage; for start, the add-in's own status (128 + the
// signal when it died by one). Errors go to err as "quorvant-host: error: WHAT" and a line that
// says what to do.

#include <QStringList>
#include <QTextStream>

namespace sv::emu {

// Runs one command; args without the program name. The add-in that `start` runs by default is
// "sondervik" in addinDir.
int runHostTool(const QStringList& args, const QString& addinDir, QTextStream& out, QTextStream& err);

}  // namespace sv::emu
