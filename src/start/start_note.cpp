// The start note: the note of the selected activity records who started a process, and when.

#include "start_note.h"

#include "src/app/cls_sondervik.h"

namespace sv {

QString noteTimeStamp(const QDateTime& at) {
    return at.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss:"));
}

QString stampedNote(const QString& oldNote, const QString& userName, const QString& t1, const QString& t2) {
    const auto line = [&userName](const QString& at, const char* verb) {
        return at + QStringLiteral(" Der Prozess wurde von '") + userName + QStringLiteral("' ") +
               QLatin1String(verb) + QLatin1Char('.');
    };
    const qsizetype body = oldNote.indexOf(QStringLiteral("<BODY"), 0, Qt::CaseInsensitive);
    if (body < 0)
        return line(t2, "initiiert") + QStringLiteral("\r\n") + line(t1, "gestartet") +
               QStringLiteral("\r\n\r\n\r\n") + oldNote;

    // Markup in a user name must show as text, not end the body or add a script.
    const auto htmlLine = [&line](const QString& at, const char* verb) {
        return line(at, verb).toHtmlEscaped();
    };
    // The head ends with the first ">" from the tag's last letter on; none: the head is empty.
    const qsizetype close = oldNote.indexOf(u'>', body + 4);
    const qsizetype headLength = close < 0 ? 0 : close + 1;
    return oldNote.left(headLength) + htmlLine(t2, "initiiert") + QStringLiteral("<br/>") +
           htmlLine(t1, "gestartet") + QStringLiteral("<br/><br/><br/>") + oldNote.mid(headLength);
}

StartNote clsSondervik::PrepareStartNote() {
    HostApp.get(QStringLiteral("Commands")).call(QStringLiteral("Execute"), {QStringLiteral("OK")});
    StartNote note;
    note.record = ActivePane().get(QStringLiteral("Rs"));
    note.field = note.record.get(QStringLiteral("Fields"), {QStringLiteral("Notiz")});
    const QString oldNote =
        UtilObj.call(QStringLiteral("k"), {note.field.get(QStringLiteral("Value")).variant()}).toText();

    // The clock is read once for each line: the started line first.
    const QString t1 = noteTimeStamp(QDateTime::currentDateTime());
    const QString t2 = noteTimeStamp(QDateTime::currentDateTime());
    note.text = stampedNote(oldNote, UserName, t1, t2);
    return note;
}

void clsSondervik::WriteStartNote(const StartNote& note) {
    note.field.put(QStringLiteral("Value"), note.text);
    QVariantList byReference{note.record.variant()};
    HostApp.call(QStringLiteral("UpdateRecordSet"), byReference);
}

}  // namespace sv
