// The start of one process: link check, the BusinessProcessActive row, the note, the host call.

#include "platform/data/command.h"
#include "platform/data/sql_literal.h"
#include "platform/error.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "src/app/cls_sondervik.h"
#include "src/ui/windows.h"

namespace sv {

namespace {

// One statement checks for a running process and inserts, so that two runs for the same activity
// at the same moment start at most one process. SQL Server needs the key range locked from the check
// to the insert; SQLite holds its write lock for the whole statement anyway.
QString insertUnlessRunning(const QString& processDsn, const QString& userDsn, const QString& activityDsn,
                            data::SqlDialect dialect) {
    const QString lockHint =
        dialect == data::SqlDialect::TransactSql ? QStringLiteral(" with (updlock, holdlock)") : QString();
    return QStringLiteral(
               "Insert into BusinessProcessActive (DSN, BusinessProcess_DSN, Start_Date, Start_User_DSN, "
               "Start_Activity_DSN, State) select NewID(), ") +
           data::sqlText(processDsn) + QStringLiteral(", GETDATE(), ") + data::sqlText(userDsn) +
           QStringLiteral(", ") + data::sqlText(activityDsn) +
           QStringLiteral(", 1 where not exists (select * from BusinessProcessActive") + lockHint +
           QStringLiteral(" where Start_Activity_DSN = ") + data::sqlText(activityDsn) + QStringLiteral(")");
}

}  // namespace

void clsSondervik::StartChosenProcess(qint16 position) {
    if (SelectionForm) SelectionForm->closeWindow();
    if (!CandidateDsns || position < 1 || position > CandidateDsns->size())
        throw PlatformError(err::kSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    StartProcess(CandidateDsns->at(position - 1));
}

void clsSondervik::StartProcess(const QString& processDsn) {
    Trace.line(u"Start von Prozess %1", processDsn);
    try {
        // A refusal by the link check has said what it had to say: nothing else happens.
        if (!CheckRequiredLinks(processDsn)) return;

        data::Command insert;
        insert.setActiveConnection(DbConnection.get());
        insert.setCommandText(insertUnlessRunning(processDsn, UserDsn, ActivityDsn, DbConnection->dialect()));
        if (insert.execute() == 0) {
            // Another run started a process for this activity after the running check.
            Trace.line(u"Nichts eingefügt: ein anderer Lauf hat inzwischen einen Prozess gestartet");
            RefuseRunning();
        } else {
            TraceInsertedRow();
            WriteStartNote();
            QVariantList byReference{ActivityDsn};
            HostRoot.call(QStringLiteral("AKT_ShowDSN"), byReference);
            ActivityDsn = byReference.value(0).toString();
        }
    } catch (const PlatformError& e) {
        TraceError(e);
        // What was done before the failure stays done.
        if (!e.description().isEmpty())
            MsgBox(QStringLiteral("Es ist ein Fehler beim Prozessstart aufgetreten:\r\n") + e.description(),
                   ui::mb::kOkOnly | ui::mb::kCritical);
    }
    ShutDown();
}

}  // namespace sv
