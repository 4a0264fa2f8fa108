// The program's statements on the host tables, run unchanged on both roads: the embedded
// SQLite database and ODBC (the SQLite3 ODBC driver with GETDATE/NewID loaded as an extension,
// standing in for SQL Server).

#include "connection_test_support.h"
#include "platform/data/connection.h"
#include "platform/data/sql_literal.h"
#include "platform/variant.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using sv::data::Connection;
using sv::data::FieldType;
using sv::data::sqlText;
using sv::data::Store;
using sv::testing::errorOf;

namespace {

struct Road {
    const char* name;
    QString (*connectionString)(const QString& path);
    bool exactColumns;  // the road reports declared lengths and origins as SQLite knows them
};

const Road kRoads[] = {
    {"Embedded", [](const QString& path) { return "Provider=SQLite;Data Source=" + path; }, true},
    {"Odbc",
     [](const QString& path) {
         return QString("Driver=SQLite3;Database=%1;LoadExt=%2")
             .arg(path, QString::fromUtf8(SV_TSQL_EXTENSION));
     },
     false},
};

void PrintTo(const Road& road, std::ostream* out) {
    *out << road.name;
}

const char* const kHostTables[] = {
    "create table BusinessProcess (DSN varchar(36) not null primary key, BusinessProcessName varchar(100), "
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
// The start's insert, which adds nothing when the activity has a process already.
QString startInsert(const QString& process, const QString& user, const QString& activity) {
    return "Insert into BusinessProcessActive (DSN, BusinessProcess_DSN, Start_Date, Start_User_DSN, "
           "Start_Activity_DSN, State) select NewID(), " +
           sqlText(process) + ", GETDATE(), " + sqlText(user) + ", " + sqlText(activity) +
           ", 1 where not exists (select * from BusinessProcessActive where Start_Activity_DSN = " +
           sqlText(activity) + ")";
}
QString typeNameOf(const QString& type) {
    return "Select Name from Aktivitätenarten where DSN = " + sqlText(type);
}
const char* const kDefaultConfig =
    "Select DSN, '0' as OBJ, '0' as AD, '0' as ADB, '0' as PRJ, '0' as AKTSTART, '0' as AKTERLEDIGT, "
    "'0' as AKTUPDATE, StartActivityType_DSN AS AKTART_DSN from BusinessProcess";

QString stamp(const QDateTime& at, const char* format = "yyyy-MM-dd HH:mm:ss") {
    return at.toString(format);
}

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
        sv::testing::createEmptyFile(path_);
        db_.setCursorLocation(Connection::kUseClient);
        db_.open(GetParam().connectionString(path_));
        for (const char* statement : kHostTables)
            db_.execute(statement);
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
    Connection db_;
};

const QRegularExpression kGuid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");

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
    // Both roads reach SQLite, which takes no SQL Server lock hints.
    EXPECT_EQ(db_.dialect(), sv::data::SqlDialect::Sqlite);
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
    addProcess("P-N", "No type", QString(), "2000-01-01", "2099-01-01");
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
        db_.query("select GETDATE() as Now, NewID() as Id, " + sqlText(stamp(now.addSecs(-60))) +
                  " < GETDATE() as AfterPast, " + sqlText(stamp(now.addSecs(60), "yyyy-MM-dd HH:mm:ss.zzz")) +
                  " > getdate() as BeforeFuture");
    ASSERT_EQ(s.rows.size(), 1u);
    EXPECT_EQ(s.fields[0].type, FieldType::Text);
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$")
                    .match(s.rows[0][0].toString())
                    .hasMatch())
        << s.rows[0][0].toString().toStdString();
    EXPECT_TRUE(kGuid.match(s.rows[0][1].toString()).hasMatch()) << s.rows[0][1].toString().toStdString();
    EXPECT_EQ(s.rows[0][2].toInt(), 1);
    EXPECT_EQ(s.rows[0][3].toInt(), 1);

    const Store ids = db_.query(
        "with recursive c(i) as (select 1 union all select i + 1 from c where i < 300) select newid() from "
        "c");
    QSet<QString> distinct;
    for (const auto& row : ids.rows)
        distinct.insert(row[0].toString());
    EXPECT_EQ(distinct.size(), 300);
}

TEST_P(OdbcRoadTest, BadStatementGivesTheDatabasesMessage) {
    auto error = errorOf([&] { db_.query("Select Nope from BusinessProcess"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_TRUE(error->description().contains("no such column: Nope")) << error->what();

    error = errorOf([&] { db_.execute(startInsert("P", "U", "A").replace("NewID()", "null")); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_TRUE(error->description().contains("NOT NULL constraint failed: BusinessProcessActive.DSN"))
        << error->what();
}

INSTANTIATE_TEST_SUITE_P(BothRoads, OdbcRoadTest, ::testing::ValuesIn(kRoads),
                         [](const ::testing::TestParamInfo<Road>& road) {
                             return std::string(road.param.name);
                         });
