// The host database on a SQL Server, as far as it can be checked without one: the Transact-SQL
// tables against the embedded database's, the demo sample in both dialects, the scratch login's
// objects made and dropped through a recording stand-in, its connection string, and a host folder
// whose SQL.INI names its database by a connection string (ODBC to SQLite here).
#include "emulator/host_folder.h"
#include "emulator/host_schema.h"
#include "emulator/sql_ini.h"
#include "emulator/sql_server_scratch.h"
#include "emulator_test_support.h"
#include "platform/data/connection_string.h"
#include "platform/data/guid_text.h"
#include "platform/files.h"

#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace sv;
using data::SqlDialect;
using emutest::errorNumber;

namespace {

using Columns = QList<std::pair<QString, QString>>;  // name, declared type, in table order

// The tables a list of statements makes, with their columns as declared.
QMap<QString, Columns> tablesOf(const QStringList& statements) {
    static const QRegularExpression createTable("^CREATE TABLE (\\S+) \\((.*)\\)$");
    QMap<QString, Columns> tables;
    for (const QString& statement : statements) {
        const QRegularExpressionMatch match = createTable.match(statement);
        if (!match.hasMatch()) continue;
        Columns& columns = tables[match.captured(1)];
        for (const QString& column : match.captured(2).split(u','))
            columns.append({column.trimmed().section(u' ', 0, 0), column.trimmed().section(u' ', 1)});
    }
    return tables;
}

// The tables of an SQLite database made from the SQLite list, as SQLite itself reports them.
QMap<QString, Columns> embeddedTables(data::Connection& db) {
    QMap<QString, Columns> tables;
    for (const data::Row& table : db.query("select name from sqlite_master where type = 'table'").rows) {
        const QString name = table[0].toString();
        for (const data::Row& column :
             db.query("select name, type from pragma_table_info('" + name + "')").rows)
            tables[name].append({column[0].toString(), column[1].toString()});
    }
    return tables;
}

class SqlServerHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QFile file(dir_.filePath("host.sqlite"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        db_.open("Provider=SQLite;Data Source=" + dir_.filePath("host.sqlite"));
        for (const QString& statement : emu::hostSchemaStatements(SqlDialect::Sqlite))
            db_.execute(statement);
    }

    QTemporaryDir dir_;
    data::Connection db_;
};

}  // namespace

TEST_F(SqlServerHost, TablesHaveTheEmbeddedDatabasesColumnsWithTheTypesOfAServer) {
    const QStringList tsql = emu::hostSchemaStatements(SqlDialect::TransactSql);
    const QMap<QString, Columns> embedded = embeddedTables(db_);
    const QMap<QString, Columns> server = tablesOf(tsql);
    ASSERT_EQ(embedded.keys(), server.keys());
    for (const char* table : {"BusinessProcess", "BusinessProcessActive", "Aktivitätenarten"})
        EXPECT_TRUE(server.contains(QString::fromUtf8(table))) << table;

    for (const QString& table : embedded.keys()) {
        SCOPED_TRACE(table.toStdString());
        const Columns& mine = embedded[table];
        const Columns& theirs = server[table];
        ASSERT_EQ(mine.size(), theirs.size());
        for (qsizetype i = 0; i < mine.size(); ++i) {
            const QString& name = mine[i].first;
            const QString type = theirs[i].second;
            SCOPED_TRACE(name.toStdString());
            EXPECT_EQ(theirs[i].first, name);
            if (name == "DSN")
                EXPECT_EQ(type, "uniqueidentifier NOT NULL PRIMARY KEY");
            else if (name.endsWith("_DSN"))
                EXPECT_EQ(type, "uniqueidentifier");
            else if (mine[i].second.startsWith("DATETIME"))
                EXPECT_EQ(type, "datetime");
            else if (mine[i].second.startsWith("INTEGER"))
                EXPECT_TRUE(type.startsWith("int")) << type.toStdString();
            else
                EXPECT_TRUE(type.startsWith("nvarchar(")) << type.toStdString();
        }
    }
    // Notes grow with every start: no length limit there.
    EXPECT_TRUE(server["HostActivity"].contains(std::pair<QString, QString>("Notiz", "nvarchar(max)")));
    // The index of the running check, and names sorting as the server's default collation.
    EXPECT_TRUE(tsql.contains(
        "CREATE INDEX BusinessProcessActive_Activity ON BusinessProcessActive (Start_Activity_DSN)"));
    for (const QString& statement : tsql)
        EXPECT_FALSE(statement.contains("COLLATE", Qt::CaseInsensitive)) << statement.toStdString();
}

TEST_F(SqlServerHost, DemoSampleIsTheSameRowsInBothDialects) {
    const QStringList embedded = emu::defaultUserStatements() + emu::demoSeedStatements();
    const QStringList server = emu::defaultUserStatements(SqlDialect::TransactSql) +
                               emu::demoSeedStatements(SqlDialect::TransactSql);
    for (const QString& statement : embedded)
        db_.execute(statement);

    QMap<QString, int> serverRows;
    static const QRegularExpression insertInto("^INSERT INTO (\\S+) ");
    for (const QString& statement : server)
        ++serverRows[insertInto.match(statement).captured(1)];
    for (const QString& table : tablesOf(emu::hostSchemaStatements()).keys())
        EXPECT_EQ(serverRows.value(table), db_.query("select count(*) from " + table).rows[0][0].toInt())
            << table.toStdString();
    EXPECT_EQ(serverRows.value("BusinessProcess"), 8);

    // Every text as N'...', so that characters beyond the database's code page reach nvarchar columns;
    // times in the form SQL Server reads alike under every language.
    static const QRegularExpression bareText("[(,] '(?!\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d')");
    for (const QString& statement : server)
        EXPECT_FALSE(bareText.match(statement).hasMatch()) << statement.toStdString();
    EXPECT_TRUE(server.filter("N'Jürgen Kästner'").size() == 1);
    EXPECT_EQ(server.filter("'2026-11-30T09:15:00'").size(), 1);
    EXPECT_EQ(server.filter("'2019-12-31T23:59:59'").size(), 1);
    // A note's line break is part of the text on both.
    EXPECT_EQ(server.filter("N'Kunde meldet beschädigte Ware.\r\nFotos folgen per E-Mail.'").size(), 1);
    EXPECT_EQ(
        db_.query(QString("select Notiz from HostActivity where DSN = '%1'").arg(emu::demo::kActComplaint))
            .rows[0][0],
        QVariant("Kunde meldet beschädigte Ware.\r\nFotos folgen per E-Mail."));
    // Every DSN of the sample is a GUID, as a uniqueidentifier column takes it.
    static const QRegularExpression dsnValue("_?DSN$");
    for (const emu::SeedRow& row : emu::demoRows())
        for (qsizetype i = 0; i < row.columns.size(); ++i)
            if (dsnValue.match(row.columns[i]).hasMatch() && !row.values[i].isNull()) {
                EXPECT_TRUE(data::platformGuidText(row.values[i].toString()))
                    << row.table.toStdString() << "." << row.columns[i].toStdString();
            }
}

// The emulated host writes an activity's fields with these literals too.
TEST(SqlValue, TextsAndTimesAreWrittenSoTheDialectReadsThemUnchanged) {
    const QString note = QString::fromUtf8("Grüße 😀 von O'Brien");
    EXPECT_EQ(emu::sqlValue(note, SqlDialect::TransactSql), QString::fromUtf8("N'Grüße 😀 von O''Brien'"));
    EXPECT_EQ(emu::sqlValue(note, SqlDialect::Sqlite), QString::fromUtf8("'Grüße 😀 von O''Brien'"));
    const QDateTime time(QDate(2026, 3, 4), QTime(5, 6, 7, 89));
    EXPECT_EQ(emu::sqlValue(time, SqlDialect::TransactSql), "'2026-03-04T05:06:07.089'");
    EXPECT_EQ(emu::sqlValue(time, SqlDialect::Sqlite), "'2026-03-04 05:06:07.089'");
    for (const SqlDialect dialect : {SqlDialect::TransactSql, SqlDialect::Sqlite}) {
        EXPECT_EQ(emu::sqlValue(QVariant(), dialect), "NULL");
        EXPECT_EQ(emu::sqlValue(QVariant(QMetaType(QMetaType::QString)), dialect), "NULL");
        EXPECT_EQ(emu::sqlValue(true, dialect), "1");
        EXPECT_EQ(emu::sqlValue(-42, dialect), "-42");
    }
}

TEST(SqlServerScratch, MakesLoginUserAndSchemaAndDropsThemLastMadeFirst) {
    const emu::ScratchLogin login{"sv_test_0123456789ab", "Sv1secret"};
    const std::vector<emu::ScratchStep> steps = emu::scratchSteps(login);
    ASSERT_EQ(steps.size(), 4u);
    // The user logs in as the login and names its tables in the schema it owns.
    EXPECT_TRUE(steps[0].make.contains("CREATE LOGIN [sv_test_0123456789ab] WITH PASSWORD = N''Sv1secret''"));
    EXPECT_TRUE(steps[0].make.contains("DEFAULT_DATABASE = ' + QUOTENAME(DB_NAME())"));
    EXPECT_EQ(steps[1].make,
              "CREATE USER [sv_test_0123456789ab] FOR LOGIN [sv_test_0123456789ab] WITH "
              "DEFAULT_SCHEMA = [sv_test_0123456789ab]");
    EXPECT_EQ(steps[2].make, "CREATE SCHEMA [sv_test_0123456789ab] AUTHORIZATION [sv_test_0123456789ab]");
    EXPECT_TRUE(steps[2].drop.endsWith("DROP SCHEMA [sv_test_0123456789ab]"));
    EXPECT_TRUE(steps[2].drop.contains("DROP TABLE"));

    for (int failing = 0; failing <= int(steps.size()); ++failing) {
        SCOPED_TRACE(failing);
        QStringList executed;
        const auto execute = [&](const QString& statement) {
            if (failing < int(steps.size()) && statement == steps[size_t(failing)].make)
                throw PlatformError(err::kDatabase, "refused");
            executed << statement;
        };
        QStringList expected;
        for (int i = 0; i < failing && i < int(steps.size()); ++i)
            expected << steps[size_t(i)].make;
        for (int i = std::min(failing, int(steps.size())) - 1; i >= 0; --i)
            if (!steps[size_t(i)].drop.isEmpty()) expected << steps[size_t(i)].drop;

        if (failing < int(steps.size())) {
            // A failed step: what was made is gone again, and the failure is told.
            EXPECT_EQ(errorNumber([&] { emu::SqlServerScratch scratch(execute, login); }), err::kDatabase);
        } else {
            // Made completely: dropped when the scratch goes, even without a call of drop().
            emu::SqlServerScratch scratch(execute, login);
            EXPECT_EQ(scratch.login().name, login.name);
        }
        EXPECT_EQ(executed, expected);
    }
}

TEST(SqlServerScratch, AFailingDropDoesNotKeepTheOthersAndIsReported) {
    const emu::ScratchLogin login{"sv_test_x", "p"};
    const std::vector<emu::ScratchStep> steps = emu::scratchSteps(login);
    QStringList dropped;
    emu::SqlServerScratch scratch(
        [&](const QString& statement) {
            if (statement == steps[1].drop) throw PlatformError(err::kDatabase, "user in use");
            if (std::none_of(steps.begin(), steps.end(),
                             [&](const auto& step) { return step.make == statement; }))
                dropped << statement;
        },
        login);
    const QStringList failures = scratch.drop();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains("DROP USER [sv_test_x]"));
    EXPECT_TRUE(failures[0].contains("user in use"));
    EXPECT_EQ(dropped, QStringList({steps[2].drop, steps[0].drop}));
    EXPECT_TRUE(scratch.drop().isEmpty());
    EXPECT_EQ(dropped.size(), 2);
}

TEST(SqlServerScratch, ConnectsToTheAdministratorsServerAsTheLogin) {
    const emu::ScratchLogin login = emu::ScratchLogin::random();
    EXPECT_TRUE(QRegularExpression("^sv_test_[0-9a-f]{12}$").match(login.name).hasMatch())
        << login.name.toStdString();
    EXPECT_TRUE(QRegularExpression("^[A-Za-z0-9]{32}$").match(login.password).hasMatch());
    const emu::ScratchLogin other = emu::ScratchLogin::random();
    EXPECT_NE(login.name, other.name);
    EXPECT_NE(login.password, other.password);

    const auto properties = [&](const QString& admin) {
        return data::ConnectionProperties::parse(emu::scratchConnectString(admin, login));
    };
    data::ConnectionProperties odbc = properties(
        "Driver=FreeTDS;Server=db;Port=1433;Database=svtest;UID=sa;PWD={ge;heim};Trusted_Connection=Yes;"
        "TDS_Version=7.4");
    EXPECT_EQ(odbc.value("Driver"), "FreeTDS");
    EXPECT_EQ(odbc.value("Server"), "db");
    EXPECT_EQ(odbc.value("Database"), "svtest");
    EXPECT_EQ(odbc.value("TDS_Version"), "7.4");
    EXPECT_EQ(odbc.value("UID"), login.name);
    EXPECT_EQ(odbc.value("PWD"), login.password);
    EXPECT_FALSE(odbc.contains("Trusted_Connection"));

    data::ConnectionProperties oleDb =
        properties("Provider=SQLOLEDB;Data Source=db,1444;Initial Catalog=svtest;Integrated Security=SSPI");
    EXPECT_EQ(oleDb.value("Driver"), "FreeTDS");
    EXPECT_EQ(oleDb.value("Port"), "1444");
    EXPECT_EQ(oleDb.value("Database"), "svtest");
    EXPECT_EQ(oleDb.value("UID"), login.name);
    EXPECT_FALSE(oleDb.contains("Trusted_Connection"));

    // Nothing is made on a database that is no SQL Server.
    QTemporaryDir dir;
    QFile file(dir.filePath("x.sqlite"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(errorNumber(
                  [&] { emu::SqlServerScratch::onServer("Provider=SQLite;Data Source=" + file.fileName()); }),
              err::kBadArgument);
    EXPECT_EQ(
        errorNumber([&] {
            emu::SqlServerScratch::onServer(
                QString("Driver=SQLite3;Database=%1;LoadExt=%2").arg(file.fileName(), SV_TSQL_EXTENSION));
        }),
        err::kBadArgument);
}

TEST(HostOnAConnectString, SqlIniNamesTheDatabaseWhichHoldsTheHostAndNoFileIsMade) {
    QTemporaryDir dir;
    const QString database = dir.filePath("elsewhere.sqlite");
    QFile file(database);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString connectString =
        QString("Driver=SQLite3;Database=%1;LoadExt=%2;Timeout=1000").arg(database, SV_TSQL_EXTENSION);
    const QString host = dir.filePath("host");
    emu::createHostFolder(host, true, connectString);

    EXPECT_EQ(emu::connectStringFromIni(emu::HostFolder(host).sqlIniPath()), connectString);
    EXPECT_FALSE(QFile::exists(emu::HostFolder(host).databasePath()));
    EXPECT_EQ(emutest::hostValue(host, "select count(*) from BusinessProcess").toInt(), 8);
    data::Connection direct;
    direct.open(connectString);
    EXPECT_EQ(direct.query("select count(*) from HostActivity").rows[0][0].toInt(), 6);

    // The tables exist already: nothing of a host is left behind, and the database keeps its rows.
    const QString second = dir.filePath("second");
    EXPECT_EQ(errorNumber([&] { emu::createHostFolder(second, true, connectString); }), err::kDatabase);
    EXPECT_FALSE(emu::HostFolder(second).holdsHost());
    EXPECT_FALSE(QFile::exists(emu::HostFolder(second).sqlIniPath()));
    EXPECT_EQ(direct.query("select count(*) from HostUser").rows[0][0].toInt(), 2);

    // What SQL.INI can't give back unchanged is refused.
    for (const QString& bad : {QString(), QString("Driver=X;\nPWD=y"), QString(" Driver=X")})
        EXPECT_EQ(errorNumber([&] { emu::connectStringIniContent(bad); }), err::kBadArgument);
}
