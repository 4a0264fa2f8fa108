// WriteStartNote: the note of the selected activity records who started a process, and when.

#include "start_note.h"

#include "src/app/cls_sondervik.h"

namespace sv {

QString noteTimeStamp(const QDateTime& at) {
    return at.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss:"));
}

QString stampedNote(const QString& oldNote, const QString& userName, const QString& t1, const QString& t2) {
    const QString started =
        t1 + QStringLiteral(" Der Prozess wurde von '") + userName + QStringLiteral("' gestartet.");
    const QString initiated =
        t2 + QStringLiteral(" Der Prozess wurde von '") + userName + QStringLiteral("' initiiert.");

    const qsizetype body = oldNote.indexOf(QStringLiteral("<BODY"), 0, Qt::CaseInsensitive);
    if (body < 0)
        return initiated + QStringLiteral("\r\n") + started + QStringLiteral("\r\n\r\n\r\n") + oldNote;

    // The head ends with the first ">" from the tag's last letter on; none: the head is empty.
    const qsizetype close = oldNote.indexOf(u'>', body + 4);
    const qsizetype headLength = close < 0 ? 0 : close + 1;
    return oldNote.left(headLength) + initiated + QStringLiteral("<br/>") + started +
           QStringLiteral("<br/><br/><br/>") + oldNote.mid(headLength);
}

void clsSondervik::WriteStartNote() {
    HostApp.get(QStringLiteral("Commands")).call(QStringLiteral("Execute"), {QStringLiteral("OK")});
    const automation::Value record = ActivePane().get(QStringLiteral("Rs"));
    const automation::Value note = record.get(QStringLiteral("Fields"), {QStringLiteral("Notiz")});
    const QString oldNote =
        UtilObj.call(QStringLiteral("k"), {note.get(QStringLiteral("Value")).variant()}).toText();

    // The clock is read once for each line: the started line first.
    const QString t1 = noteTimeStamp(QDateTime::currentDateTime());
    const QString t2 = noteTimeStamp(QDateTime::currentDateTime());
    note.put(QStringLiteral("Value"), stampedNote(oldNote, UserName, t1, t2));

    QVariantList byReference{record.variant()};
    HostApp.call(QStringLiteral("UpdateRecordSet"), byReference);
}

}  // namespace sv
