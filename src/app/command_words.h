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

// Each automatic word decides by a start-event flag of the configuration's table, and each such
// flag belongs to exactly one automatic word. (Positions, not pointers: the sanitizers' builds can't
// compare pointers at compile time.)
constexpr bool commandWordsAreConsistent() {
    int wordsOfField[std::size(config::kFields)] = {};
    for (const CommandWord& entry : kCommandWords) {
        if (entry.mode != RunMode::automatic) continue;
        const int index = config::fieldIndex(entry.flagField);
        if (index < 0 || config::kFields[index].role != config::FieldRole::startEventFlag) return false;
        ++wordsOfField[index];
    }
    for (int i = 0; i < int(std::size(config::kFields)); ++i)
        if (config::kFields[i].role == config::FieldRole::startEventFlag && wordsOfField[i] != 1)
            return false;
    return true;
}
static_assert(commandWordsAreConsistent(), "automatic words and start-event flags pair up one to one");

}  // namespace sv
