#include "host_schema.h"

#include "platform/data/sql_literal.h"
#include "platform/data/tsql_functions.h"

#include <QDateTime>

namespace sv::emu {

namespace {

using data::SqlDialect;

QStringList sqliteSchema() {
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

// The same tables as a SQL Server host has them. No COLLATE: names sort as the server's default.
QStringList transactSqlSchema() {
    return {
        QStringLiteral("CREATE TABLE BusinessProcess (DSN uniqueidentifier NOT NULL PRIMARY KEY, "
                       "BusinessProcessName nvarchar(255), StartActivityType_DSN uniqueidentifier, "
                       "ValidFrom datetime, ValidTo datetime, farchiv int NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE TABLE BusinessProcessActive (DSN uniqueidentifier NOT NULL PRIMARY KEY, "
                       "BusinessProcess_DSN uniqueidentifier, Start_Date datetime, Start_User_DSN "
                       "uniqueidentifier, Start_Activity_DSN uniqueidentifier, State int)"),
        QStringLiteral(
            "CREATE INDEX BusinessProcessActive_Activity ON BusinessProcessActive (Start_Activity_DSN)"),
        QStringLiteral("CREATE TABLE Aktivitätenarten (DSN uniqueidentifier NOT NULL PRIMARY KEY, "
                       "Name nvarchar(255))"),
        QStringLiteral("CREATE TABLE HostActivity (DSN uniqueidentifier NOT NULL PRIMARY KEY, Pane "
                       "nvarchar(10) NOT NULL DEFAULT N'F_AKT', Betreff nvarchar(255), ART_DSN "
                       "uniqueidentifier, OBJ_DSN uniqueidentifier, AD_DSN uniqueidentifier, AD_B_DSN "
                       "uniqueidentifier, PROJEKTE_DSN uniqueidentifier, Notiz nvarchar(max))"),
        QStringLiteral(
            "CREATE TABLE HostUser (DSN uniqueidentifier NOT NULL PRIMARY KEY, NAME nvarchar(255))"),
    };
}

QStringList statementsOf(const std::vector<SeedRow>& rows, SqlDialect dialect) {
    QStringList statements;
    for (const SeedRow& row : rows)
        statements << insertStatement(row, dialect);
    return statements;
}

QDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return {QDate(year, month, day), QTime(hour, minute, second)};
}

}  // namespace

QString sqlValue(const QVariant& value, SqlDialect dialect) {
    const bool tsql = dialect == SqlDialect::TransactSql;
    if (!value.isValid() || value.isNull()) return QStringLiteral("NULL");
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::LongLong:
            return QString::number(value.toLongLong());
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', 17);
        case QMetaType::QDateTime: {
            const QDateTime time = value.toDateTime();
            QString format =
                tsql ? QStringLiteral("yyyy-MM-ddTHH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm:ss");
            if (time.time().msec() != 0) format += QStringLiteral(".zzz");
            return data::sqlText(time.toString(format));
        }
        default:
            return (tsql ? QStringLiteral("N") : QString()) + data::sqlText(value.toString());
    }
}

QStringList hostSchemaStatements(SqlDialect dialect) {
    return dialect == SqlDialect::TransactSql ? transactSqlSchema() : sqliteSchema();
}

QString insertStatement(const SeedRow& row, SqlDialect dialect) {
    QStringList values;
    for (const QVariant& value : row.values)
        values << sqlValue(value, dialect);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(row.table, row.columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

std::vector<SeedRow> defaultUserRows() {
    return {{QStringLiteral("HostUser"),
             {QStringLiteral("DSN"), QStringLiteral("NAME")},
             {QLatin1String(demo::kAdminUser), QStringLiteral("Administrator")}}};
}

std::vector<SeedRow> demoRows() {
    using namespace demo;
    const auto s = [](const char* text) { return QVariant(QString::fromUtf8(text)); };
    const QVariant null;
    std::vector<SeedRow> rows;
    rows.push_back(
        {"HostUser", {"DSN", "NAME"}, {s("5A1E0000-0000-4000-8000-000000000002"), s("Jürgen Kästner")}});

    const QStringList typeColumns{"DSN", "Name"};
    rows.push_back({"Aktivitätenarten", typeColumns, {s(kTypeComplaint), s("Reklamation")}});
    rows.push_back({"Aktivitätenarten", typeColumns, {s(kTypeOffer), s("Angebot")}});
    rows.push_back({"Aktivitätenarten", typeColumns, {s(kTypeCall), s("Telefonat")}});
    rows.push_back({"Aktivitätenarten", typeColumns, {s(kTypeService), s("Wartungsauftrag")}});

    const QStringList processColumns{
        "DSN", "BusinessProcessName", "StartActivityType_DSN", "ValidFrom", "ValidTo", "farchiv"};
    const auto process = [&](const char* dsn, const char* name, const char* type, const QDateTime& from,
                             const QDateTime& to, int archived) {
        rows.push_back({"BusinessProcess", processColumns, {s(dsn), s(name), s(type), from, to, archived}});
    };
    const QDateTime from2020 = at(2020, 1, 1);
    const QDateTime to2099 = at(2099, 12, 31, 23, 59, 59);
    process("B9000000-0000-4000-8000-000000000001", "Reklamation bearbeiten", kTypeComplaint, from2020,
            to2099, 0);
    process("B9000000-0000-4000-8000-000000000002", "Gutschrift prüfen", kTypeComplaint, from2020, to2099, 0);
    process("B9000000-0000-4000-8000-000000000003", "Ersatzlieferung veranlassen", kTypeComplaint, from2020,
            to2099, 0);
    process("B9000000-0000-4000-8000-000000000004", "Reklamation (bis 2019)", kTypeComplaint, at(2015, 1, 1),
            at(2019, 12, 31, 23, 59, 59), 0);
    process("B9000000-0000-4000-8000-000000000005", "Reklamation Eskalation (archiviert)", kTypeComplaint,
            from2020, to2099, 1);
    process("B9000000-0000-4000-8000-000000000006", "Angebotsverfolgung", kTypeOffer, from2020, to2099, 0);
    process("B9000000-0000-4000-8000-000000000007", "Wartung planen", kTypeService, from2020, to2099, 0);
    process("B9000000-0000-4000-8000-000000000008", "Wartung abrechnen", kTypeService, from2020, to2099, 0);

    const QStringList activityColumns{"DSN", "Pane", "Betreff", "ART_DSN", "OBJ_DSN", "AD_DSN", "Notiz"};
    const auto activity = [&](const char* dsn, const char* pane, const char* subject, const QVariant& type,
                              const QVariant& object, const QVariant& address, const QVariant& note) {
        rows.push_back(
            {"HostActivity", activityColumns, {s(dsn), s(pane), s(subject), type, object, address, note}});
    };
    activity(kActComplaint, "F_AKT", "Reklamation Lieferung 2026-118", s(kTypeComplaint), s(kObjectComplaint),
             s(kAddressComplaint), s("Kunde meldet beschädigte Ware.\r\nFotos folgen per E-Mail."));
    activity(kActOffer, "F_AKT", "Angebot Gebäudetechnik", s(kTypeOffer), null, s(kAddressOffer),
             s("<HTML><HEAD></HEAD><BODY bgcolor=\"#FFFFFF\"><P>Angebot über 3 Anlagen "
               "versendet.</P></BODY></HTML>"));
    activity(kActCall, "F_AKT", "Rückruf Frau Müller", s(kTypeCall), null, null, s(""));
    activity(kActUntyped, "F_AKT", "Neue Aktivität ohne Art", null, null, null, null);
    activity(kActRunning, "F_AKT", "Reklamation Lieferung 2026-097", s(kTypeComplaint), null, null,
             s("Bereits in Bearbeitung."));
    activity(kActService, "F_VOR", "Wiedervorlage Wartung Halle 3", s(kTypeService), s(kObjectService), null,
             s("<html><body><p>Termin mit Haustechnik abstimmen.</p></body></html>"));

    rows.push_back(
        {"BusinessProcessActive",
         {"DSN", "BusinessProcess_DSN", "Start_Date", "Start_User_DSN", "Start_Activity_DSN", "State"},
         {s("BA000000-0000-4000-8000-000000000001"), s("B9000000-0000-4000-8000-000000000001"),
          at(2026, 11, 30, 9, 15), s(kAdminUser), s(kActRunning), 1}});
    return rows;
}

QStringList defaultUserStatements(SqlDialect dialect) {
    return statementsOf(defaultUserRows(), dialect);
}

QStringList demoSeedStatements(SqlDialect dialect) {
    return statementsOf(demoRows(), dialect);
}

}  // namespace sv::emu
