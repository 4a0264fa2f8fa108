// The program's statements on the host tables, run unchanged on every road: the embedded SQLite
// database, ODBC to SQLite (the SQLite3 ODBC driver with GETDATE/NewID loaded as an extension,
// standing in for SQL Server), and a real SQL Server when SONDERVIK_TEST_MSSQL names an ODBC
// connection string for one. There the tables live in a scratch schema, made and dropped by each
// test; without the variable those tests report themselves skipped.

#include "connection_test_support.h"
#include "platform/data/connection.h"
#include "platform/data/sql_literal.h"
#include "platform/variant.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QSqlField>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

using sv::data::Connection;
using sv::data::FieldType;
using sv::data::sqlText;
using sv::data::Store;
using sv::testing::errorOf;

namespace {

struct Road {
    const char* name;
    QString (*connectionString)(const QString& path);  // empty: no such database here
    bool exactColumns;  // the road reports declared lengths and origins as SQLite knows them
    bool sqliteFile;    // the database is the SQLite file at path
};

const char kServerVariable[] = "SONDERVIK_TEST_MSSQL";

const Road kRoads[] = {
    {"Embedded", [](const QString& path) { return "Provider=SQLite;Data Source=" + path; }, true, true},
    {"Odbc",
     [](const QString& path) {
         return QString("Driver=SQLite3;Database=%1;LoadExt=%2")
             .arg(path, QString::fromUtf8(SV_TSQL_EXTENSION));
     },
     false, true},
    {"SqlServer", [](const QString&) { return qEnvironmentVariable(kServerVariable); }, false, false},
};

void PrintTo(const Road& road, std::ostream* out) {
    *out << road.name;
}

const char* const kHostTables[] = {
    "create table BusinessProcess (DSN varchar(36) not null primary key, BusinessProcessName varchar(100) "
    "collate Latin1_General_CI_AS, "
    "StartActivityType_DSN varchar(36), ValidFrom datetime, ValidTo datetime, farchiv int not null default "
    "0)",
    "create table BusinessProcessActive (DSN varchar(36) not null primary key, BusinessProcess_DSN "
    "varchar(36), "
    "Start_Date datetime, Start_User_DSN varchar(36), Start_Activity_DSN varchar(36), State int)",
    "create table Aktivitätenarten (DSN varchar(36) not null primary key, Name varchar(100))",
};

// The program's statements.
QString candidatesOf(const QString& type) {
    return "Select DSN, BusinessProcessName from BusinessProcess where StartActivityType_DSN = " +
           sqlText(type) +
           " and (GETDATE() between ValidFrom and ValidTo) and farchiv = 0 Order By BusinessProcessName";
}
QString runningOf(const QString& activity) {
    return "Select bp.BusinessProcessName from BusinessProcessActive as bpa left join BusinessProcess as bp "
           "on "
           "bpa.BusinessProcess_DSN = bp.DSN where Start_Activity_DSN = " +
           sqlText(activity);
}
// The start's insert, which adds nothing when the activity has a process already; SQL Server holds
// the key range it read until the insert is done.
QString startInsert(const QString& process, const QString& user, const QString& activity,
                    sv::data::SqlDialect dialect) {
    const QString lockHint = dialect == sv::data::SqlDialect::TransactSql ? " with (updlock, holdlock)" : "";
    return "Insert into BusinessProcessActive (DSN, BusinessProcess_DSN, Start_Date, Start_User_DSN, "
           "Start_Activity_DSN, State) select NewID(), " +
           sqlText(process) + ", GETDATE(), " + sqlText(user) + ", " + sqlText(activity) +
           ", 1 where not exists (select * from BusinessProcessActive" + lockHint +
           " where Start_Activity_DSN = " + sqlText(activity) + ")";
}
const char* const kProcessList =
    "Select BusinessProcessName, DSN, StartActivityType_DSN from BusinessProcess Order By "
    "BusinessProcessName";
QString typeNameOf(const QString& type) {
    return "Select Name from Aktivitätenarten where DSN = " + sqlText(type);
}
const char* const kDefaultConfig =
    "Select DSN, '0' as OBJ, '0' as AD, '0' as ADB, '0' as PRJ, '0' as AKTSTART, '0' as AKTERLEDIGT, "
    "'0' as AKTUPDATE, StartActivityType_DSN AS AKTART_DSN from BusinessProcess";

QStringList column(const Store& store, int index) {
    QStringList values;
    for (const auto& row : store.rows)
        values << row[index].toString();
    return values;
}

class OdbcRoadTest : public ::testing::TestWithParam<Road> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("host.db");
        const QString connectionString = GetParam().connectionString(path_);
        if (connectionString.isEmpty())
            GTEST_SKIP() << kServerVariable << " names no SQL Server (an ODBC connection string)";
        if (GetParam().sqliteFile) sv::testing::createEmptyFile(path_);
        db_.setCursorLocation(Connection::kUseClient);
        db_.open(connectionString);
        if (!GetParam().sqliteFile) enterScratchSchema();
        for (const char* statement : kHostTables)
            db_.execute(statement);
    }

    void TearDown() override {
        if (!scratch_.isEmpty()) dropScratchSchema();
    }

    // The program names its tables without a schema: they resolve to the default schema of the
    // user the statements run as. A user without login, owning the scratch schema, is that user.
    void enterScratchSchema() {
        scratch_ = "sv_test_" + QUuid::createUuid().toString(QUuid::Id128).left(12);
        db_.execute(QString("create user [%1] without login with default_schema = [%1]").arg(scratch_));
        db_.execute(QString("create schema [%1] authorization [%1]").arg(scratch_));
        db_.execute(QString("grant create table to [%1]").arg(scratch_));
        db_.execute(QString("execute as user = '%1'").arg(scratch_));
    }

    void dropScratchSchema() {
        db_.execute("revert");
        db_.execute(QString("declare @drop nvarchar(max) = N''; select @drop += N'drop table ' + "
                            "quotename(schema_name(schema_id)) + N'.' + quotename(name) + N'; ' from "
                            "sys.tables where schema_id = schema_id(N'%1'); exec (@drop)")
                        .arg(scratch_));
        db_.execute(QString("drop schema [%1]").arg(scratch_));
        db_.execute(QString("drop user [%1]").arg(scratch_));
    }

    // A point in time as the road's datetime columns take it: SQL Server reads "yyyyMMdd" and the
    // form with "T" whatever its date format; SQLite compares the texts, as GETDATE() gives them.
    QString stamp(const QDateTime& at, const char* format = "yyyy-MM-dd HH:mm:ss") const {
        QString text = at.toString(format);
        if (db_.dialect() != sv::data::SqlDialect::TransactSql) return text;
        if (text.size() > 10)
            text[10] = u'T';
        else
            text.remove(u'-');
        return text;
    }
    QString startInsert(const QString& process, const QString& user, const QString& activity) const {
        return ::startInsert(process, user, activity, db_.dialect());
    }

    void addProcess(const QString& dsn, const QString& name, const QString& type, const QString& from,
                    const QString& to, int archived = 0) {
        const QString typeValue = type.isNull() ? QString("null") : sqlText(type);
        db_.execute(QString("insert into BusinessProcess values (%1, %2, %3, %4, %5, %6)")
                        .arg(sqlText(dsn), sqlText(name), typeValue, sqlText(from), sqlText(to))
                        .arg(archived));
    }

    // Definitions of type T1 (three valid, three that are not) and one of another type.
    void addDefinitions() {
        const QDateTime now = QDateTime::currentDateTime();
        const QString lastYear = stamp(now.addYears(-1));
        const QString nextYear = stamp(now.addYears(1));
        addProcess("P-B", "Beta", "T1", lastYear, nextYear);
        addProcess("P-A", "Alpha", "T1", stamp(now.addDays(-1), "yyyy-MM-dd"), nextYear);
        addProcess("P-C", "Gamma", "T1", lastYear, stamp(now.addSecs(3600), "yyyy-MM-dd HH:mm:ss.zzz"));
        addProcess("P-X", "Expired an hour ago", "T1", lastYear, stamp(now.addSecs(-3600)));
        addProcess("P-Y", "Archived", "T1", lastYear, nextYear, 1);
        addProcess("P-Z", "Not yet valid", "T1", stamp(now.addSecs(3600)), nextYear);
        addProcess("P-O", "Other type", "T2", lastYear, nextYear);
    }

    QTemporaryDir dir_;
    QString path_;
    QString scratch_;  // the SQL Server road's schema, while it exists
    Connection db_;
};

const QDateTime kLongAgo(QDate(2000, 1, 1), QTime(0, 0));
const QDateTime kFarAhead(QDate(2099, 1, 1), QTime(0, 0));

const QRegularExpression kGuid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
// NewID() itself is a GUID on SQL Server, read braced; SQLite's is text.
const QRegularExpression kBracedGuid("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$");

}  // namespace

TEST_P(OdbcRoadTest, CandidatesAreTheValidDefinitionsOfTheTypeInNameOrder) {
    addDefinitions();
    const Store candidates = db_.query(candidatesOf("T1"));
    ASSERT_EQ(candidates.fields.size(), 2u);
    EXPECT_EQ(candidates.fields[0].name, "DSN");
    EXPECT_EQ(candidates.fields[0].type, FieldType::Text);
    EXPECT_EQ(candidates.fields[1].name, "BusinessProcessName");
    EXPECT_EQ(column(candidates, 0), QStringList({"P-A", "P-B", "P-C"}));
    EXPECT_EQ(column(candidates, 1), QStringList({"Alpha", "Beta", "Gamma"}));

    EXPECT_EQ(column(db_.query(candidatesOf("T2")), 0), QStringList({"P-O"}));
    EXPECT_TRUE(db_.query(candidatesOf("T3")).rows.empty());
}

TEST_P(OdbcRoadTest, StartInsertAndRunningCheck) {
    addDefinitions();
    const QString before = stamp(QDateTime::currentDateTime().addSecs(-2), "yyyy-MM-dd HH:mm:ss.zzz");
    // The file roads reach SQLite, which takes no SQL Server lock hints.
    EXPECT_EQ(db_.dialect(),
              GetParam().sqliteFile ? sv::data::SqlDialect::Sqlite : sv::data::SqlDialect::TransactSql);
    EXPECT_EQ(db_.execute(startInsert("P-A", "U1", "A1")), 1);
    EXPECT_EQ(db_.execute(startInsert("P-B", "U2", "A1")), 0);
    EXPECT_EQ(db_.execute(startInsert("P-GONE", "U1", "A3")), 1);

    const Store running = db_.query(runningOf("A1"));
    ASSERT_EQ(running.rows.size(), 1u);
    EXPECT_EQ(running.fields[0].name, "BusinessProcessName");
    EXPECT_EQ(running.rows[0][0], QVariant("Alpha"));
    EXPECT_TRUE(db_.query(runningOf("A2")).rows.empty());
    // A running process whose definition is gone still counts, with a Null name.
    const Store orphan = db_.query(runningOf("A3"));
    ASSERT_EQ(orphan.rows.size(), 1u);
    EXPECT_TRUE(sv::isNullValue(orphan.rows[0][0]));

    const Store rows = db_.query(
        "select DSN, BusinessProcess_DSN, Start_User_DSN, State from BusinessProcessActive where Start_Date "
        "> " +
        sqlText(before) + " and Start_Date <= GETDATE() order by Start_Activity_DSN");
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_TRUE(kGuid.match(rows.rows[0][0].toString()).hasMatch())
        << rows.rows[0][0].toString().toStdString();
    EXPECT_NE(rows.rows[0][0], rows.rows[1][0]);
    EXPECT_EQ(rows.rows[0][1], QVariant("P-A"));
    EXPECT_EQ(rows.rows[0][2], QVariant("U1"));
    EXPECT_EQ(rows.rows[0][3], QVariant(1));
}

TEST_P(OdbcRoadTest, DefaultConfigurationRows) {
    addDefinitions();
    addProcess("P-N", "No type", QString(), stamp(kLongAgo), stamp(kFarAhead));
    const Store config = db_.query(kDefaultConfig);
    const QStringList names{"DSN",      "OBJ",         "AD",        "ADB",       "PRJ",
                            "AKTSTART", "AKTERLEDIGT", "AKTUPDATE", "AKTART_DSN"};
    ASSERT_EQ(config.fields.size(), std::size_t(names.size()));
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(config.fields[i].name, names[i]);
    // Every definition, valid or not.
    ASSERT_EQ(config.rows.size(), 8u);

    for (int flag = 1; flag <= 7; ++flag) {
        SCOPED_TRACE(names[flag].toStdString());
        const auto& def = config.fields[flag];
        EXPECT_EQ(def.type, FieldType::Text);
        if (GetParam().exactColumns)
            EXPECT_EQ(def.maxLength, 1);
        else
            EXPECT_GE(def.maxLength, 1);
        EXPECT_TRUE(def.baseColumn.isEmpty());
        for (const auto& row : config.rows)
            EXPECT_EQ(row[flag], QVariant("0"));
    }
    EXPECT_EQ(config.fields[8].type, FieldType::Text);
    // On both roads the DSN stays writable once the store is saved and read back from a file.
    EXPECT_TRUE(config.fields[0].writable(true));
    if (GetParam().exactColumns) {
        EXPECT_EQ(config.fields[0].baseTable, "BusinessProcess");
        EXPECT_EQ(config.fields[0].baseColumn, "DSN");
        EXPECT_EQ(config.fields[8].baseColumn, "StartActivityType_DSN");
    }
    for (const auto& row : config.rows) {
        if (row[0] == QVariant("P-N"))
            EXPECT_TRUE(sv::isNullValue(row[8]));
        else if (row[0] == QVariant("P-O"))
            EXPECT_EQ(row[8], QVariant("T2"));
        else
            EXPECT_EQ(row[8], QVariant("T1"));
    }
}

TEST_P(OdbcRoadTest, QuotedValuesFindExactlyTheirRowUnderTheUmlautTable) {
    const QString quotedType = "T'1";
    const QString quotedName = "Rückruf 'dringend' für Ärger";
    db_.execute("insert into Aktivitätenarten values (" + sqlText(quotedType) + ", " + sqlText(quotedName) +
                ")");
    db_.execute("insert into Aktivitätenarten values ('T2', 'Anruf')");

    const Store own = db_.query(typeNameOf(quotedType));
    ASSERT_EQ(own.rows.size(), 1u);
    EXPECT_EQ(own.rows[0][0], QVariant(quotedName));
    EXPECT_EQ(db_.query(typeNameOf("T2")).rows.size(), 1u);
    EXPECT_TRUE(db_.query(typeNameOf("x' OR '1'='1")).rows.empty());
    EXPECT_TRUE(db_.query(typeNameOf("T2' --")).rows.empty());

    if (!GetParam().sqliteFile) return;
    // What one road wrote, the other reads: names and values are stored as UTF-8.
    Connection embedded;
    embedded.open(kRoads[0].connectionString(path_));
    const Store tables = embedded.query("select name from sqlite_master where name like 'Aktivit%'");
    ASSERT_EQ(tables.rows.size(), 1u);
    EXPECT_EQ(tables.rows[0][0], QVariant("Aktivitätenarten"));
    EXPECT_EQ(embedded.query(typeNameOf(quotedType)).rows.at(0)[0], QVariant(quotedName));
}

TEST_P(OdbcRoadTest, GetDateComparesWithStoredDatesAndNewIdIsAFreshGuid) {
    const QDateTime now = QDateTime::currentDateTime();
    // GETDATE() is local time; where local time is UTC, one that answers in UTC would pass.
    ASSERT_NE(now.offsetFromUtc(), 0) << "local time is UTC here; CTest runs the tests with TZ=Europe/Berlin";
    const Store s =
        db_.query("select GETDATE() as Now, NewID() as Id, case when " + sqlText(stamp(now.addSecs(-60))) +
                  " < GETDATE() then 1 else 0 end as AfterPast, " + "case when " +
                  sqlText(stamp(now.addSecs(60), "yyyy-MM-dd HH:mm:ss.zzz")) +
                  " > getdate() then 1 else 0 end as BeforeFuture");
    ASSERT_EQ(s.rows.size(), 1u);
    if (GetParam().sqliteFile) {
        EXPECT_EQ(s.fields[0].type, FieldType::Text);
        EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$")
                        .match(s.rows[0][0].toString())
                        .hasMatch())
            << s.rows[0][0].toString().toStdString();
    } else {
        EXPECT_EQ(s.fields[0].type, FieldType::DateTime);
    }
    EXPECT_TRUE((GetParam().sqliteFile ? kGuid : kBracedGuid).match(s.rows[0][1].toString()).hasMatch())
        << s.rows[0][1].toString().toStdString();
    EXPECT_EQ(s.rows[0][2].toInt(), 1);
    EXPECT_EQ(s.rows[0][3].toInt(), 1);

    // SQL Server recurses 100 levels at most, unless told otherwise; SQLite needs no "recursive".
    const Store ids = db_.query(
        "with c(i) as (select 1 union all select i + 1 from c where i < 100) select newid() from c");
    QSet<QString> distinct;
    for (const auto& row : ids.rows)
        distinct.insert(row[0].toString());
    EXPECT_EQ(distinct.size(), 100);
}

TEST_P(OdbcRoadTest, BadStatementGivesTheDatabasesMessage) {
    auto error = errorOf([&] { db_.query("Select Nope from BusinessProcess"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_TRUE(error->description().contains(GetParam().sqliteFile ? "no such column: Nope" : "'Nope'"))
        << error->what();

    error = errorOf([&] { db_.execute(startInsert("P", "U", "A").replace("NewID()", "null")); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_TRUE(error->description().contains(GetParam().sqliteFile
                                                  ? "NOT NULL constraint failed: BusinessProcessActive.DSN"
                                                  : "Cannot insert the value NULL into column 'DSN'"))
        << error->what();
}

TEST_P(OdbcRoadTest, ProcessNamesSortAndCompareAsTheServersDefaultCollation) {
    const char* const names[] = {"Birne",    "Strasse b", "apfel prüfen", "Müller",
                                 "Straße a", "Änderung",  "muller",       "Anderung"};
    for (int i = 0; i < 8; ++i)
        addProcess(QString("P-%1").arg(i), QString::fromUtf8(names[i]), "T1", stamp(kLongAgo),
                   stamp(kFarAhead));
    // Case does not count, "ß" is "ss", an umlaut sorts with its letter and after it on a tie.
    const QStringList byName{"Anderung", "Änderung", "apfel prüfen", "Birne",
                             "muller",   "Müller",   "Straße a",     "Strasse b"};
    EXPECT_EQ(column(db_.query(kProcessList), 0), byName);
    EXPECT_EQ(column(db_.query(candidatesOf("T1")), 1), byName);
    const auto matching = [&](const char* name) {
        return column(
            db_.query("select BusinessProcessName from BusinessProcess where BusinessProcessName = " +
                      sqlText(QString::fromUtf8(name))),
            0);
    };
    EXPECT_EQ(matching("MULLER"), QStringList({"muller"}));
    EXPECT_EQ(matching("STRASSE A"), QStringList({"Straße a"}));
    EXPECT_EQ(matching("äNDERUNG"), QStringList({"Änderung"}));
}

// The SQLite ODBC driver reports no column as SQL_GUID, whatever its declared type: the reading of
// a GUID column is tested on a result as Qt's ODBC driver gives it.
TEST(OdbcResult, GuidColumnsReadAsTheBracedUpperCaseTextOfThePlatform) {
    constexpr int kSqlGuid = -11;
    constexpr int kSqlVarchar = 12;
    QSqlField dsn("DSN", QMetaType(QMetaType::QString), "BusinessProcess");
    dsn.setSqlType(kSqlGuid);
    QSqlField name("Name", QMetaType(QMetaType::QString), "BusinessProcess");
    name.setSqlType(kSqlVarchar);
    QSqlRecord columns;
    columns.append(dsn);
    columns.append(name);
    const QString guid = "6b29fc40-ca47-1067-b31d-00dd010662da";
    const Store store = sv::data::odbcResultStore(
        columns, {{guid, guid}, {"{" + guid.toUpper() + "}", "x"}, {sv::nullVariant(), "y"}});
    ASSERT_EQ(store.fields.size(), 2u);
    EXPECT_EQ(store.fields[0].type, FieldType::Guid);
    EXPECT_EQ(store.fields[1].type, FieldType::Text);
    EXPECT_EQ(store.rows[0][0], QVariant("{6B29FC40-CA47-1067-B31D-00DD010662DA}"));
    EXPECT_EQ(store.rows[1][0], QVariant("{6B29FC40-CA47-1067-B31D-00DD010662DA}"));
    EXPECT_TRUE(sv::isNullValue(store.rows[2][0]));
    EXPECT_EQ(store.rows[0][1], QVariant(guid));  // a text column keeps its text
}

INSTANTIATE_TEST_SUITE_P(EveryRoad, OdbcRoadTest, ::testing::ValuesIn(kRoads),
                         [](const ::testing::TestParamInfo<Road>& road) {
                             return std::string(road.param.name);
                         });
