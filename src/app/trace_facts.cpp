// What the run notes in its decision trace beyond single lines at the steps themselves: its
// beginning and end, its message boxes, errors, the running processes, the candidates and the row
// a start inserted.

#include "cls_sondervik.h"
#include "command_words.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/variant.h"

namespace sv {

void clsSondervik::OpenTrace(const QString& commandLine) {
    try {
        Trace.open(HostApp.get(QStringLiteral("Folder")).toText() + QStringLiteral("\\Addin\\_Sondervik\\") +
                   QLatin1String(RunTrace::kFileName));
    } catch (const PlatformError&) {
        return;  // a host that can't name its folder leaves the trace off; the run goes on
    }
    Trace.line(u"Start: Sondervik %1, Befehlswort '%2', %3", QStringLiteral(SV_VERSION), commandLine,
               QLatin1String(commandWordOf(commandLine).traceText));
}

int clsSondervik::MsgBox(const QString& text, int style, const QString& title) {
    Trace.line(u"Meldung \"%1\": %2", ui::effectiveTitle(title), text);
    const int answer = gui_.messageBox(text, style, title);
    Trace.line(u"Antwort: %1", ui::answerName(answer));
    return answer;
}

void clsSondervik::TraceError(const PlatformError& error) {
    Trace.line(u"Fehler %1: %2", qint64(error.number()), error.description());
}

void clsSondervik::ReportError(const PlatformError& error) {
    TraceError(error);
    MsgBox(error.description(), ui::mb::kOkOnly);
}

void clsSondervik::TraceEnd(int status, const QString& reason) {
    if (reason.isEmpty())
        Trace.line(u"Ende: Status %1", status);
    else
        Trace.line(u"Ende: Status %1 (%2)", status, reason);
}

void clsSondervik::TraceRunning(data::Recordset& running) {
    if (!Trace.on()) return;
    if (running.recordCount() == 0) Trace.line(u"Laufende Prozesse der Aktivität: keine");
    for (running.moveFirst(); !running.eof(); running.moveNext())
        Trace.line(u"Laufender Prozess der Aktivität: '%1'",
                   toText(running.value(QStringLiteral("BusinessProcessName"))));
    running.moveFirst();
}

void clsSondervik::TraceCandidates(data::Recordset& candidates) {
    if (!Trace.on()) return;
    Trace.line(u"Kandidaten: %1", qint64(candidates.recordCount()));
    for (candidates.moveFirst(); !candidates.eof(); candidates.moveNext()) {
        const QString dsn = toText(candidates.value(QStringLiteral("DSN")));
        const QString name = toText(candidates.value(QStringLiteral("BusinessProcessName")));
        Trace.line(u"Kandidat %1 '%2'", dsn, name);
        tracedCandidateNames_.insert(dsn, name);
    }
    candidates.moveFirst();
}

void clsSondervik::TraceStart(const QString& processDsn) {
    Trace.line(u"Start von Prozess '%1' (%2)", tracedCandidateNames_.value(processDsn), processDsn);
}

void clsSondervik::TraceFlags(AutoChoice& choice, data::Recordset& candidates, bool offered) {
    if (!Trace.on()) return;
    for (candidates.moveFirst(); !candidates.eof(); candidates.moveNext()) {
        const QString dsn = toText(candidates.value(QStringLiteral("DSN")));
        if (offered)
            Trace.line(u"Kandidat %1: Markierung %2, %3", dsn, choice.flagValueText(dsn),
                       choice.lists(dsn) ? QStringLiteral("angeboten") : QStringLiteral("nicht angeboten"));
        else
            Trace.line(u"Kandidat %1: Markierung %2", dsn, choice.flagValueText(dsn));
    }
    candidates.moveFirst();
}

}  // namespace sv
