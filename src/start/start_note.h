#pragma once
// The two stamped lines put at the top of an activity's note when a process starts.

#include <QDateTime>
#include <QString>

namespace sv {

// "dd.MM.yyyy hh:mm:ss:" — the final colon belongs to the stamp.
QString noteTimeStamp(const QDateTime& at);

// The note with the lines of a start by userName at t1 (started line) and t2 (initiated line) on
// top. A note holding "<BODY" in any letter case is HTML: the lines go right after the tag's ">"
// (in front of everything when no ">" follows), separated by "<br/>"; a plain note gets them
// separated by CR LF.
QString stampedNote(const QString& oldNote, const QString& userName, const QString& t1, const QString& t2);

}  // namespace sv
