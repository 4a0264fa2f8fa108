#pragma once
// The transcript: one JSON object per line, appended and flushed at once so that a run that is
// killed keeps every line it wrote. Events:
//   {"event":"msgbox","title","text","buttons","icon","default","answer"}   default and answer
//                                                        are answer names ("Yes", "OK", ...)
//   {"event":"window","name","caption","controls":{NAME:{...}},"size","layout":{NAME:[...]}}
//                                                        a window shown, and its state and layout
//                                                        after each script step
//   {"event":"closed","name"}                            a window closed
//   {"event":"step","line","number"}                     a script step about to be applied
//   {"event":"error","message", ...}                     the script ran out or a step did not fit

#include <QFile>
#include <QJsonObject>

namespace sv::ui {

class Transcript {
public:
    // Returns false when the file can't be opened. A transcript never opened writes nothing.
    bool open(const QString& path);
    void write(const QJsonObject& event);

private:
    QFile file_;
};

}  // namespace sv::ui
