#pragma once
// The texts of the run's message boxes, exactly as the user sees them.

#include <QString>

namespace sv::texts {

inline const QString kRefusalTitle = QStringLiteral("Prozessstart beendet");
inline const QString kR1 =
    QStringLiteral("Das Starten von Prozessen ist nur im Aktivitäten- oder Wiedervorlagefenster möglich.");
inline const QString kR2 = QStringLiteral("Es ist keine Aktivität ausgewählt!");
inline const QString kR3 =
    QStringLiteral("Es ist ein Fehler bei der Ermittlung der Aktivitätenart aufgetreten.");

inline QString r4(const QString& processName) {
    return QStringLiteral("Die von Ihnen gewählte Aktivität ist bereits teil des Prozesses '") + processName +
           QStringLiteral(
               "'.\r\nUm einen neuen Prozess starten zu können muss der vorherige erst beendet werden.");
}
inline QString r5(const QString& typeName) {
    return QStringLiteral("Für die Aktivitätenart '") + typeName +
           QStringLiteral("' wurde kein zugeordneter Prozess gefunden.");
}
inline const QString kC1Title = QStringLiteral("Prozess starten?");
inline QString c1(const QString& processName) {
    return QStringLiteral("Möchten Sie für die ausgewählte Aktivität den Prozess '") + processName +
           QStringLiteral("' starten?");
}

inline QString configUnreadable(const QString& path, const QString& problem) {
    return QStringLiteral("Die Konfigurationsdatei '") + path +
           QStringLiteral("' konnte nicht gelesen werden:\r\n") + problem;
}
// Added to it when the last upgrade kept a copy of the file before it.
inline QString configBackupHint(const QString& backupPath) {
    return QStringLiteral("Die Datei vor der letzten Umstellung liegt als Sicherung in '") + backupPath +
           QStringLiteral("'.");
}

// A click in the configurator whose process is no longer where the list shows it, because
// definitions were added or deleted, or only renamed, since the list was filled.
inline QString processListOutdated(bool onlyRenamed) {
    return QStringLiteral("Die Prozessliste ist nicht mehr aktuell: Prozesse wurden inzwischen ") +
           (onlyRenamed ? QStringLiteral("umbenannt") : QStringLiteral("angelegt oder gelöscht")) +
           QStringLiteral(".\r\nDie Einstellung wurde nicht gespeichert. Die Liste wird neu geladen.");
}

inline const QString kConfigCreateError =
    QStringLiteral("Es ist ein Fehler aufgetreten beim erstellen der Konfigurationdatei");
inline const QString kConfigCreateErrorTitle =
    QStringLiteral("Fehler beim erstellen der Konfigurationsdatei");

}  // namespace sv::texts
