// CheckRequiredLinks: the links a process demands of the activity that starts it.

#include "platform/data/recordset.h"
#include "platform/data/sql_literal.h"
#include "platform/ui/gui.h"
#include "platform/ui/message_box.h"
#include "platform/variant.h"
#include "src/app/cls_sondervik.h"
#include "src/config/config_fields.h"
#include "src/config/config_file.h"
#include "src/config/config_flag.h"

namespace sv {

namespace {

const QString kDefaultCreatedTitle = QStringLiteral("Konfigurationsdatei wurde erstellt.");
const QString kDefaultCreatedText = QStringLiteral(
    "Es wurde keine Konfiguration gefunden. Eine Standardkonfiguration wurde erstellt.\r\n"
    "Bitte überprüfen Sie die Konfiguration in dem Sie 'Prozessschnellstart konfigurieren' ausführen.\r\n"
    "Möchten Sie den Prozess mit den Standardeinstellungen starten ?");
const QString kRefusalTitle = QStringLiteral("Fehlende Verknüpfung");
const QString kRefusalIntro = QStringLiteral(
    "Um den gewählten Prozess für die ausgewählte Aktivität\r\n"
    "starten zu können werden folgende Verknüpfungen noch benötigt:");

}  // namespace

bool clsSondervik::CheckRequiredLinks(const QString& processDsn) {
    bool mayStart = true;
    const QString path = ConfigPath();
    config::removeLeftoverTemporaries(path);
    if (!HostRoot.get(QStringLiteral("oFilesystem"))
             .call(QStringLiteral("FileExists"), {path})
             .variant()
             .toBool()) {
        Trace.line(
            u"Verknüpfungsprüfung: keine Konfigurationsdatei, die Standardkonfiguration wird erstellt");
        // A file that could not be made has been reported: no question about settings that don't exist.
        if (!CreateDefaultConfig()) return false;
        const int answer =
            MsgBox(kDefaultCreatedText, ui::mb::kYesNo | ui::mb::kQuestion | ui::mb::kDefaultButton1,
                   kDefaultCreatedTitle);
        if (answer != ui::mb::kYes) return false;
    }

    data::Recordset config;
    const QString openedPath = ConfigPath();
    try {
        config.open(openedPath, QString());
    } catch (const PlatformError& error) {
        // Reported by the start's handler; the administrator learns which file it is.
        throw PlatformError(error.number(), config::unreadableMessage(openedPath, error.description()));
    }
    config.setFilter(QStringLiteral("DSN = ") + data::sqlText(processDsn));

    QString refusal = kRefusalIntro;
    QStringList missing;
    // No row or several rows for the process: nothing is tested.
    if (config.recordCount() == 1) {
        // In the file's order, which is the order of the message's lines.
        for (const config::ConfigField& link : config::kFields) {
            if (link.role != config::FieldRole::linkFlag) continue;
            // A link added to the layout after the file was made is demanded by none of its rows.
            if (link.since == config::Since::laterLayout && !config.store().fieldIndex(config::nameOf(link)))
                continue;
            if (!config::isFlagOn(config.value(config::nameOf(link)))) continue;
            // Only a database Null counts as missing; an empty text is a link.
            if (!isNullValue(PaneField(QLatin1String(link.activityField)))) continue;
            refusal += QStringLiteral("\r\n") + QString::fromUtf8(link.refusalLine);
            missing << config::nameOf(link);
            mayStart = false;
        }
    }
    Trace.line(u"Verknüpfungsprüfung für %1: %2 Zeile(n) in der Konfiguration, %3", processDsn,
               qint64(config.recordCount()),
               mayStart ? QStringLiteral("bestanden") : QStringLiteral("es fehlt: ") + missing.join(u", "));
    if (!mayStart) MsgBox(refusal, ui::mb::kOkOnly | ui::mb::kInformation, kRefusalTitle);
    return mayStart;
}

}  // namespace sv
