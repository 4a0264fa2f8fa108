#pragma once
// What `sondervik --help` and `sondervik --version` print. The host never passes these words.

#include "exit_status.h"

#include <QString>
#include <optional>

namespace sv {

inline constexpr char kSondervikUsage[] =
    "usage: sondervik [WORD]\n"
    "The host starts the add-in with one word; QUORVANT_HOST_DIR names the emulated host's folder.\n"
    "  config               the configurator\n"
    "  new, update, done    an automatic run: an activity was created, changed, set to done\n"
    "  any other word, none a manual run (words are compared exactly: \"Config\" is a manual run)\n"
    "  --help, --version    this text, or the version; nothing else is done\n"
    "Without a display: SONDERVIK_UI_SCRIPT names a file of steps, SONDERVIK_UI_TRANSCRIPT a file\n"
    "that receives every message box and window (see README.md).\n"
    "Decision trace: an empty file SondervikTrace.log in the add-in folder (Addin/_Sondervik) makes\n"
    "every run append what it found and decided (see docs/admin.md).\n";

// The text a word that asks for help or the version is answered with; none for every other word.
inline std::optional<QString> infoTextFor(const QString& word) {
    if (word == u"--help") return QString::fromUtf8(kSondervikUsage) + QString::fromUtf8(kExitStatusTable);
    if (word == u"--version") return QStringLiteral("sondervik " SV_VERSION "\n");
    return std::nullopt;
}

}  // namespace sv
