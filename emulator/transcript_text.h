#pragma once
// A UI transcript (JSON lines, see platform/ui/transcript.h) as a person would have seen the run:
// windows with their entries and boxes, message boxes with their text and answer, the script's
// steps. A step that answers a message box is shown after the box.

#include <QByteArray>
#include <QString>

namespace sv::emu {

QString readableTranscript(const QByteArray& jsonLines);

}  // namespace sv::emu
