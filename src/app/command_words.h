#pragma once
// The words the host starts the add-in with: the run each one makes, the configuration flag an
// automatic one decides by, and how the trace names the run. Every word list is derived from here;
// HACKING.md says how to add one.

#include "src/config/config_fields.h"

#include <QString>
#include <QStringList>

namespace sv {

enum class RunMode { manual, automatic, configurator };

struct CommandWord {
    const char* word;
    RunMode mode;
    const char* flagField;  // an automatic run's start-event flag in the configuration file
    const char* traceText;  // the run's mode as the trace's first line names it
};

inline constexpr CommandWord kCommandWords[] = {
    {"config", RunMode::configurator, nullptr, "Konfigurator"},
    {"new", RunMode::automatic, "AKTSTART", "automatischer Lauf"},
    {"update", RunMode::automatic, "AKTUPDATE", "automatischer Lauf"},
    {"done", RunMode::automatic, "AKTERLEDIGT", "automatischer Lauf"},
};
// Every other word, and none.
inline constexpr CommandWord kManualRun = {"", RunMode::manual, nullptr, "manueller Lauf"};

// The entry of the word, compared exactly (case-sensitive, no trimming); kManualRun for any other.
inline const CommandWord& commandWordOf(const QString& word) {
    for (const CommandWord& entry : kCommandWords)
        if (word == QLatin1String(entry.word)) return entry;
    return kManualRun;
}

// The automatic words, in the table's order.
inline QStringList automaticWords() {
    QStringList words;
    for (const CommandWord& entry : kCommandWords)
        if (entry.mode == RunMode::automatic) words << QLatin1String(entry.word);
    return words;
}

// Each automatic word decides by a start-event flag of the configuration's table, each such flag
// belongs to exactly one word, and no other word names a flag.
constexpr bool commandWordsAreConsistent() {
    for (const CommandWord& entry : kCommandWords) {
        const config::ConfigField* field = entry.flagField ? config::fieldNamed(entry.flagField) : nullptr;
        const bool automatic = entry.mode == RunMode::automatic;
        if (automatic != (field != nullptr)) return false;
        if (field && field->role != config::FieldRole::startEventFlag) return false;
    }
    for (const config::ConfigField& field : config::kFields) {
        if (field.role != config::FieldRole::startEventFlag) continue;
        int words = 0;
        for (const CommandWord& entry : kCommandWords)
            words += entry.flagField && config::fieldNamed(entry.flagField) == &field;
        if (words != 1) return false;
    }
    return true;
}
static_assert(commandWordsAreConsistent(), "automatic words and start-event flags pair up one to one");

}  // namespace sv
