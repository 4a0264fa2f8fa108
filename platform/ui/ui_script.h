#pragma once
// The UI script: steps that stand in for a person at the screen, one per line, taken in order.
//
//   answer NAME          answers the next message box (OK, Cancel, Abort, Retry, Ignore, Yes, No)
//   select CONTROL N     selects entry N (from 0) of a list box or drop-down list
//   click CONTROL        clicks a button or check box
//   close                closes the open window with its close box
//   snapshot FILE        writes a PNG of what waits for the next step: the message box when that
//                        step answers one, otherwise the open window; FILE is the rest of the line
//   wait FILE            holds the open window until FILE exists (a minute at most), so that a test
//                        can change the host while the window is open; FILE is the rest of the line
//
// Blank lines and lines starting with '#' are skipped.

#include <QString>
#include <deque>
#include <optional>
#include <stdexcept>

namespace sv::ui {

struct ScriptStep {
    enum class Kind { Answer, Select, Click, Close, Snapshot, Wait };
    Kind kind = Kind::Close;
    int answer = 0;      // Answer: the answer number
    QString control;     // Select, Click: the control's object name
    int index = -1;      // Select: the entry, from 0
    QString file;        // Snapshot: the PNG file to write; Wait: the file waited for
    QString text;        // the line as written, trimmed
    int lineNumber = 0;  // from 1
};

class ScriptSyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class UiScript {
public:
    // Throws ScriptSyntaxError naming the first line that is not a step.
    static UiScript parse(const QString& content);

    // The next step, taken out of the script; nullopt when none is left.
    std::optional<ScriptStep> take();

private:
    std::deque<ScriptStep> steps_;
};

}  // namespace sv::ui
