#include "host_schema.h"

#include "platform/data/tsql_functions.h"

namespace sv::emu {

QStringList hostSchemaStatements() {
    // Names and texts compare and sort as in the host's SQL Server database.
    const QString text = QStringLiteral("VARCHAR(255) COLLATE ") + QLatin1String(data::kServerCollation);
    return {
        QStringLiteral("CREATE TABLE BusinessProcess (DSN VARCHAR(36) PRIMARY KEY, BusinessProcessName %1, "
                       "StartActivityType_DSN VARCHAR(36), ValidFrom DATETIME, ValidTo DATETIME, "
                       "farchiv INTEGER NOT NULL DEFAULT 0)")
            .arg(text),
        QStringLiteral("CREATE TABLE BusinessProcessActive (DSN VARCHAR(36) PRIMARY KEY, BusinessProcess_DSN "
                       "VARCHAR(36), Start_Date DATETIME, Start_User_DSN VARCHAR(36), Start_Activity_DSN "
                       "VARCHAR(36), State INTEGER)"),
        QStringLiteral(
            "CREATE INDEX BusinessProcessActive_Activity ON BusinessProcessActive (Start_Activity_DSN)"),
        QStringLiteral("CREATE TABLE Aktivitätenarten (DSN VARCHAR(36) PRIMARY KEY, Name %1)").arg(text),
        QStringLiteral(
            "CREATE TABLE HostActivity (DSN VARCHAR(36) PRIMARY KEY, Pane VARCHAR(10) NOT NULL "
            "DEFAULT 'F_AKT', Betreff %1, ART_DSN VARCHAR(36), OBJ_DSN VARCHAR(36), "
            "AD_DSN VARCHAR(36), AD_B_DSN VARCHAR(36), PROJEKTE_DSN VARCHAR(36), Notiz TEXT COLLATE %2)")
            .arg(text, QLatin1String(data::kServerCollation)),
        QStringLiteral("CREATE TABLE HostUser (DSN VARCHAR(36) PRIMARY KEY, NAME %1)").arg(text),
    };
}

QStringList defaultUserStatements() {
    return {QStringLiteral("INSERT INTO HostUser (DSN, NAME) VALUES ('%1', 'Administrator')")
                .arg(QLatin1String(demo::kAdminUser))};
}

QStringList demoSeedStatements() {
    using namespace demo;
    const auto s = [](const char* text) { return QString::fromUtf8(text); };
    QStringList statements = {
        s("INSERT INTO HostUser (DSN, NAME) VALUES ('5A1E0000-0000-4000-8000-000000000002', 'Jürgen "
          "Kästner')"),
        s("INSERT INTO Aktivitätenarten (DSN, Name) VALUES ('A7000000-0000-4000-8000-000000000001', "
          "'Reklamation')"),
        s("INSERT INTO Aktivitätenarten (DSN, Name) VALUES ('A7000000-0000-4000-8000-000000000002', "
          "'Angebot')"),
        s("INSERT INTO Aktivitätenarten (DSN, Name) VALUES ('A7000000-0000-4000-8000-000000000003', "
          "'Telefonat')"),
        s("INSERT INTO Aktivitätenarten (DSN, Name) VALUES ('A7000000-0000-4000-8000-000000000004', "
          "'Wartungsauftrag')"),
    };
    // Process definitions: (DSN suffix, name, type, valid from, valid to, archived)
    struct Definition {
        const char* dsn;
        const char* name;
        const char* type;
        const char* from;
        const char* to;
        int archived;
    };
    const Definition definitions[] = {
        {"B9000000-0000-4000-8000-000000000001", "Reklamation bearbeiten", kTypeComplaint,
         "2020-01-01 00:00:00", "2099-12-31 23:59:59", 0},
        {"B9000000-0000-4000-8000-000000000002", "Gutschrift prüfen", kTypeComplaint, "2020-01-01 00:00:00",
         "2099-12-31 23:59:59", 0},
        {"B9000000-0000-4000-8000-000000000003", "Ersatzlieferung veranlassen", kTypeComplaint,
         "2020-01-01 00:00:00", "2099-12-31 23:59:59", 0},
        {"B9000000-0000-4000-8000-000000000004", "Reklamation (bis 2019)", kTypeComplaint,
         "2015-01-01 00:00:00", "2019-12-31 23:59:59", 0},
        {"B9000000-0000-4000-8000-000000000005", "Reklamation Eskalation (archiviert)", kTypeComplaint,
         "2020-01-01 00:00:00", "2099-12-31 23:59:59", 1},
        {"B9000000-0000-4000-8000-000000000006", "Angebotsverfolgung", kTypeOffer, "2020-01-01 00:00:00",
         "2099-12-31 23:59:59", 0},
        {"B9000000-0000-4000-8000-000000000007", "Wartung planen", kTypeService, "2020-01-01 00:00:00",
         "2099-12-31 23:59:59", 0},
        {"B9000000-0000-4000-8000-000000000008", "Wartung abrechnen", kTypeService, "2020-01-01 00:00:00",
         "2099-12-31 23:59:59", 0},
    };
    for (const Definition& d : definitions)
        statements << QStringLiteral(
                          "INSERT INTO BusinessProcess (DSN, BusinessProcessName, StartActivityType_DSN, "
                          "ValidFrom, ValidTo, farchiv) VALUES ('%1', '%2', '%3', '%4', '%5', %6)")
                          .arg(s(d.dsn), s(d.name), s(d.type), s(d.from), s(d.to))
                          .arg(d.archived);

    statements
        << s("INSERT INTO HostActivity (DSN, Pane, Betreff, ART_DSN, OBJ_DSN, AD_DSN, Notiz) VALUES "
             "('AC000000-0000-4000-8000-000000000001', 'F_AKT', 'Reklamation Lieferung 2026-118', "
             "'A7000000-0000-4000-8000-000000000001', 'OB000001', 'AD000001', "
             "'Kunde meldet beschädigte Ware.' || char(13) || char(10) || 'Fotos folgen per E-Mail.')")
        << s("INSERT INTO HostActivity (DSN, Pane, Betreff, ART_DSN, AD_DSN, Notiz) VALUES "
             "('AC000000-0000-4000-8000-000000000002', 'F_AKT', 'Angebot Gebäudetechnik', "
             "'A7000000-0000-4000-8000-000000000002', 'AD000002', "
             "'<HTML><HEAD></HEAD><BODY bgcolor=\"#FFFFFF\"><P>Angebot über 3 Anlagen "
             "versendet.</P></BODY></HTML>')")
        << s("INSERT INTO HostActivity (DSN, Pane, Betreff, ART_DSN, Notiz) VALUES "
             "('AC000000-0000-4000-8000-000000000003', 'F_AKT', 'Rückruf Frau Müller', "
             "'A7000000-0000-4000-8000-000000000003', '')")
        << s("INSERT INTO HostActivity (DSN, Pane, Betreff, Notiz) VALUES "
             "('AC000000-0000-4000-8000-000000000004', 'F_AKT', 'Neue Aktivität ohne Art', NULL)")
        << s("INSERT INTO HostActivity (DSN, Pane, Betreff, ART_DSN, Notiz) VALUES "
             "('AC000000-0000-4000-8000-000000000005', 'F_AKT', 'Reklamation Lieferung 2026-097', "
             "'A7000000-0000-4000-8000-000000000001', 'Bereits in Bearbeitung.')")
        << s("INSERT INTO HostActivity (DSN, Pane, Betreff, ART_DSN, OBJ_DSN, Notiz) VALUES "
             "('AC000000-0000-4000-8000-000000000006', 'F_VOR', 'Wiedervorlage Wartung Halle 3', "
             "'A7000000-0000-4000-8000-000000000004', 'OB000003', "
             "'<html><body><p>Termin mit Haustechnik abstimmen.</p></body></html>')")
        << s("INSERT INTO BusinessProcessActive (DSN, BusinessProcess_DSN, Start_Date, Start_User_DSN, "
             "Start_Activity_DSN, State) VALUES ('BA000000-0000-4000-8000-000000000001', "
             "'B9000000-0000-4000-8000-000000000001', '2026-11-30 09:15:00', "
             "'5A1E0000-0000-4000-8000-000000000001', 'AC000000-0000-4000-8000-000000000005', 1)");
    return statements;
}

}  // namespace sv::emu
