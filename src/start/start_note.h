#pragma once
// The two stamped lines put at the top of an activity's note when a process starts.

#include "platform/automation/object.h"

#include <QDateTime>
#include <QString>

namespace sv {

// "dd.MM.yyyy hh:mm:ss:" — the final colon belongs to the stamp.
QString noteTimeStamp(const QDateTime& at);

// The note with the lines of a start by userName at t1 (started line) and t2 (initiated line) on
// top. A note holding "<BODY" in any letter case is HTML: the lines go right after the tag's ">"
// (in front of everything when no ">" follows), separated by "<br/>", the user name and the times
// escaped so that they show as text; a plain note gets them separated by CR LF.
QString stampedNote(const QString& oldNote, const QString& userName, const QString& t1, const QString& t2);

// A stamped note read and built, not yet written: the activity's record set, its note field and
// the new note.
struct StartNote {
    automation::Value record;
    automation::Value field;
    QString text;
};

}  // namespace sv
