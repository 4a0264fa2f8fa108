// The start of one process: link check, the BusinessProcessActive row, the note, the host call.

#include "platform/data/command.h"
#include "platform/data/connection.h"
#include "platform/data/sql_literal.h"
#include "platform/error.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/variant.h"
#include "src/app/cls_sondervik.h"
#include "src/ui/windows.h"
#include "start_note.h"

#include <optional>

namespace sv {

namespace {

const QString kStartFailed = QStringLiteral("Es ist ein Fehler beim Prozessstart aufgetreten:\r\n");
const QString kNoteNotWritten = QStringLiteral(
    "Der Prozess wurde gestartet, aber der Startvermerk konnte nicht in die Notiz der Aktivität "
    "geschrieben werden");
const QString kActivityNotShown =
    QStringLiteral("Der Prozess wurde gestartet, aber die Aktivität konnte nicht angezeigt werden");

// One statement checks for a running process and inserts, so that two runs for the same activity
// at the same moment start at most one process. SQL Server needs the key range locked from the check
// to the insert; SQLite holds its write lock for the whole statement anyway.
QString insertUnlessRunning(const QString& rowDsn, const QString& processDsn, const QString& userDsn,
                            const QString& activityDsn, data::SqlDialect dialect) {
    const QString lockHint =
        dialect == data::SqlDialect::TransactSql ? QStringLiteral(" with (updlock, holdlock)") : QString();
    return QStringLiteral(
               "Insert into BusinessProcessActive (DSN, BusinessProcess_DSN, Start_Date, Start_User_DSN, "
               "Start_Activity_DSN, State) select ") +
           data::sqlText(rowDsn) + QStringLiteral(", ") + data::sqlText(processDsn) +
           QStringLiteral(", GETDATE(), ") + data::sqlText(userDsn) + QStringLiteral(", ") +
           data::sqlText(activityDsn) +
           QStringLiteral(", 1 where not exists (select * from BusinessProcessActive") + lockHint +
           QStringLiteral(" where Start_Activity_DSN = ") + data::sqlText(activityDsn) + QStringLiteral(")");
}

// Inserts the row of this start unless the activity has a running process; the row's DSN, or
// nothing when no row was inserted. The answer rests on the row itself, found by the DSN the database made
// for it: the count of changed rows that a driver reports may be a trigger's.
std::optional<QString> insertStartRow(data::Connection& db, const QString& processDsn, const QString& userDsn,
                                      const QString& activityDsn) {
    const data::Store newId = db.query(QStringLiteral("Select NewID()"));
    if (newId.rows.empty() || newId.rows.front().empty())
        throw PlatformError(err::kDatabase, QStringLiteral("Select NewID() gave no value"));
    const QString rowDsn = toText(newId.rows.front().front());

    data::Command insert;
    insert.setActiveConnection(&db);
    insert.setCommandText(insertUnlessRunning(rowDsn, processDsn, userDsn, activityDsn, db.dialect()));
    insert.execute();
    const bool inserted = !db.query(QStringLiteral("Select DSN from BusinessProcessActive where DSN = ") +
                                    data::sqlText(rowDsn))
                               .rows.empty();
    return inserted ? std::optional<QString>(rowDsn) : std::nullopt;
}

}  // namespace

void clsSondervik::StartChosenProcess(qint16 position) {
    if (SelectionForm) SelectionForm->closeWindow();
    if (!CandidateDsns || position < 1 || position > CandidateDsns->size())
        throw PlatformError(err::kSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    StartProcess(CandidateDsns->at(position - 1));
}

void clsSondervik::StartProcess(const QString& processDsn) {
    TraceStart(processDsn);
    // Everything that can fail is read and built before the insert; once the row is there, the
    // process runs and a later failure says so.
    std::optional<StartNote> note;
    try {
        // A refusal by the link check has said what it had to say: nothing else happens.
        if (!CheckRequiredLinks(processDsn)) return;
        note = PrepareStartNote();
        const std::optional<QString> rowDsn = insertStartRow(*DbConnection, processDsn, UserDsn, ActivityDsn);
        if (!rowDsn) {
            // Another run started a process for this activity after the running check.
            Trace.line(u"Nichts eingefügt: ein anderer Lauf hat inzwischen einen Prozess gestartet");
            note.reset();
            RefuseRunning();
        } else {
            Trace.line(u"Eingefügt in BusinessProcessActive: DSN %1 (Prozess %2)", *rowDsn, processDsn);
        }
    } catch (const PlatformError& e) {
        TraceError(e);
        note.reset();
        if (!e.description().isEmpty())
            MsgBox(kStartFailed + e.description(), ui::mb::kOkOnly | ui::mb::kCritical);
    }
    if (note) CompleteStart(*note);
    ShutDown();
}

void clsSondervik::CompleteStart(const StartNote& note) {
    // What was done stays done, and the steps after a failure are not tried.
    const auto step = [this](const QString& undone, const auto& action) {
        try {
            action();
            return true;
        } catch (const PlatformError& e) {
            TraceError(e);
            const QString reason =
                e.description().isEmpty() ? QStringLiteral(".") : QStringLiteral(":\r\n") + e.description();
            MsgBox(undone + reason, ui::mb::kOkOnly | ui::mb::kExclamation);
            return false;
        }
    };
    if (!step(kNoteNotWritten, [&] { WriteStartNote(note); })) return;
    step(kActivityNotShown, [&] {
        QVariantList byReference{ActivityDsn};
        HostRoot.call(QStringLiteral("AKT_ShowDSN"), byReference);
        ActivityDsn = byReference.value(0).toString();
    });
}

}  // namespace sv
