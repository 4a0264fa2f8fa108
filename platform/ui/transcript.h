#pragma once
// The transcript: one JSON object per line, appended and flushed at once so that a run that is
// killed keeps every line it wrote. Events:
//   {"event":"msgbox","title","text","buttons","icon","default","answer"}   default and answer
//                                                        are answer names ("Yes", "OK", ...)
//   {"event":"window","name","caption","controls":{NAME:{...}},"size","layout":{NAME:[...]}}
//                                                        a window as it is first seen, and its
//                                                        state and layout after each script step
//   {"event":"closed","name"}                            a window closed
//   {"event":"step","line","number"}                     a script step about to be applied
//   {"event":"error","message", ...}                     the script ran out or a step did not fit

#include <QFile>
#include <QJsonObject>

#include <functional>

namespace sv::ui {

class Transcript {
public:
    // Returns false when the file can't be opened. A transcript never opened writes nothing.
    bool open(const QString& path);
    // Writes what is held first, then the event.
    void write(const QJsonObject& event);
    // An event whose content is taken later: when the next event is written or writeHeld is called.
    // A window just shown is filled by the run before anyone sees it; its state is taken then. An
    // empty object is not written.
    void hold(std::function<QJsonObject()> event);
    void writeHeld();

private:
    void append(const QJsonObject& event);

    QFile file_;
    std::function<QJsonObject()> held_;
};

}  // namespace sv::ui
