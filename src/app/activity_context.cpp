// The activity context of a start run and the choice among the candidate processes.

#include "cls_sondervik.h"
#include "platform/data/sql_literal.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/variant.h"
#include "run_texts.h"
#include "src/ui/windows.h"

namespace sv {

namespace {

QString runningProcessQuery(const QString& activityDsn) {
    return QStringLiteral(
               "Select bp.BusinessProcessName from BusinessProcessActive as bpa left join BusinessProcess as "
               "bp "
               "on bpa.BusinessProcess_DSN = bp.DSN where Start_Activity_DSN = ") +
           data::sqlText(activityDsn);
}

QString candidateQuery(const QString& typeDsn) {
    return QStringLiteral(
               "Select DSN, BusinessProcessName from BusinessProcess where StartActivityType_DSN = ") +
           data::sqlText(typeDsn) +
           QStringLiteral(
               " and (GETDATE() between ValidFrom and ValidTo) and farchiv = 0 Order By BusinessProcessName");
}

}  // namespace

automation::Value clsSondervik::ActivePane() {
    return HostApp.get(QStringLiteral("Panes"), {HostApp.get(QStringLiteral("ActivePaneName")).variant()});
}

QVariant clsSondervik::PaneField(const QString& field) {
    return ActivePane()
        .get(QStringLiteral("Rs"))
        .get(QStringLiteral("Fields"), {field})
        .get(QStringLiteral("Value"))
        .variant();
}

void clsSondervik::RefuseStart(const QString& text) {
    Trace.line(u"Entscheidung: abgelehnt");
    MsgBox(text, ui::mb::kOkOnly | ui::mb::kInformation, texts::kRefusalTitle);
}

void clsSondervik::RunProcessQuickStart(const QString& commandLine) {
    if (!ReadActivityContext()) return;

    data::Recordset candidates;
    candidates.setCursorType(data::ado::kOpenForwardOnly);
    candidates.setCursorLocation(data::ado::kUseClient);
    candidates.setLockType(data::ado::kLockReadOnly);
    candidates.open(runningProcessQuery(ActivityDsn), DbConnection.get());
    TraceRunning(candidates);
    if (candidates.recordCount() > 0) {
        RefuseRunning(candidates);
        return;
    }

    candidates.close();
    candidates.open(candidateQuery(toText(PaneField(QStringLiteral("ART_DSN")))), DbConnection.get());
    TraceCandidates(candidates);
    if (candidates.recordCount() == 0 || candidates.eof()) {
        Trace.line(u"Entscheidung: kein Prozess passt zur Aktivitätenart, nichts zu tun");
        if (!IsAutoRun) RefuseStart(texts::r5(ActivityTypeName));
    } else if (candidates.recordCount() == 1) {
        StartSingleCandidate(candidates);
    } else {
        ChooseAmongCandidates(commandLine, candidates);
    }
    // The final step: the candidate record set is closed when still open.
    if (candidates.state() == data::ado::kStateOpen) candidates.close();
}

void clsSondervik::RefuseRunning() {
    if (IsAutoRun) return;
    data::Recordset running;
    running.setCursorType(data::ado::kOpenForwardOnly);
    running.setCursorLocation(data::ado::kUseClient);
    running.setLockType(data::ado::kLockReadOnly);
    running.open(runningProcessQuery(ActivityDsn), DbConnection.get());
    RefuseRunning(running);
}

void clsSondervik::RefuseRunning(const data::Recordset& running) {
    // An automatic run that finds a running process ends without a word.
    if (IsAutoRun) {
        Trace.line(u"Entscheidung: abgelehnt, ein Prozess läuft schon (automatisch: ohne Meldung)");
        return;
    }
    const QString name =
        running.eof() ? QString() : toText(running.value(QStringLiteral("BusinessProcessName")));
    RefuseStart(texts::r4(name));
}

bool clsSondervik::ReadActivityContext() {
    ActivityDsn = ActivePane().get(QStringLiteral("Dsn")).toText();
    Trace.line(u"Aktivität '%1'", ActivityDsn);
    if (ActivityDsn.isEmpty()) {
        RefuseStart(texts::kR2);
        return false;
    }
    // An activity without a type is saved by the host first; the field is not tested again.
    if (isNullValue(PaneField(QStringLiteral("ART_DSN"))))
        HostApp.get(QStringLiteral("Commands")).call(QStringLiteral("Execute"), {QStringLiteral("OK")});

    const automation::Value user = HostApp.get(QStringLiteral("CurrentUserRs"));
    UserDsn =
        user.get(QStringLiteral("Fields"), {QStringLiteral("DSN")}).get(QStringLiteral("Value")).toText();
    UserName =
        user.get(QStringLiteral("Fields"), {QStringLiteral("NAME")}).get(QStringLiteral("Value")).toText();

    const QString typeDsn = toText(PaneField(QStringLiteral("ART_DSN")));
    Trace.line(u"Aktivitätenart-DSN '%1'", typeDsn);
    const automation::Value types = HostApp.call(
        QStringLiteral("GetRecordSet"),
        {QStringLiteral("Select Name from Aktivitätenarten where DSN = ") + data::sqlText(typeDsn)});
    if (types.get(QStringLiteral("RecordCount")).variant().toLongLong() != 1 ||
        types.get(QStringLiteral("EOF")).variant().toBool()) {
        RefuseStart(texts::kR3);
        return false;
    }
    ActivityTypeName =
        types.get(QStringLiteral("Fields"), {QStringLiteral("Name")}).get(QStringLiteral("Value")).toText();
    Trace.line(u"Aktivitätenart '%1'", ActivityTypeName);
    return true;
}

void clsSondervik::StartSingleCandidate(const data::Recordset& candidates) {
    const QString dsn = toText(candidates.value(QStringLiteral("DSN")));
    const QString name = toText(candidates.value(QStringLiteral("BusinessProcessName")));
    // An automatic run starts a single candidate without consulting the configuration's flags.
    if (IsAutoRun) {
        Trace.line(u"Entscheidung: einziger Kandidat '%1' (%2) startet, ohne die Konfiguration zu lesen",
                   name, dsn);
        StartProcess(dsn);
        return;
    }
    Trace.line(u"Entscheidung: einziger Kandidat '%1' (%2), Rückfrage", name, dsn);
    const int answer = MsgBox(texts::c1(name), ui::mb::kYesNo | ui::mb::kQuestion | ui::mb::kDefaultButton1,
                              texts::kC1Title);
    if (answer == ui::mb::kYes) StartProcess(dsn);
}

void clsSondervik::ChooseAmongCandidates(const QString& commandLine, data::Recordset& candidates) {
    CandidateDsns = QStringList();
    std::optional<AutoChoice> choice;
    if (IsAutoRun) {
        choice = ChooseByConfiguration(commandLine, candidates);
        if (!choice) return;  // started, or the configuration could not be read
    }
    QStringList names;
    for (candidates.moveFirst(); !candidates.eof(); candidates.moveNext()) {
        const QString dsn = toText(candidates.value(QStringLiteral("DSN")));
        if (choice && !choice->lists(dsn)) continue;
        names << toText(candidates.value(QStringLiteral("BusinessProcessName")));
        CandidateDsns->append(dsn);
    }
    // A list without an entry would offer nothing to choose: the run ends instead, showing nothing.
    if (names.isEmpty()) {
        Trace.line(u"Entscheidung: kein Kandidat ist für das Ereignis markiert, nichts zu tun");
        return;
    }
    Trace.line(u"Entscheidung: Auswahlfenster mit %1 Einträgen", qint64(names.size()));
    if (!SelectionForm) SelectionForm = makeSelectionWindow(*this);
    SelectionForm->fillProcesses(names);
    SelectionForm->showWindow();
}

}  // namespace sv
