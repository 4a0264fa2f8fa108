// Connection and Command on the embedded SQLite road, and the SQL literal helper. The host
// statements, GETDATE() and NewID() are tested on both roads in odbc_road_test.

#include "platform/data/connection.h"
#include "connection_test_support.h"
#include "platform/data/command.h"
#include "platform/data/sql_literal.h"
#include "platform/variant.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using sv::data::Command;
using sv::data::Connection;
using sv::data::FieldType;
using sv::data::sqlText;
using sv::data::Store;
using sv::testing::errorOf;

namespace {

class SqliteConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("host.db");
        sv::testing::createEmptyFile(path_);
        connection_.setCursorLocation(Connection::kUseClient);
        connection_.open(connectionString(path_));
    }

    static QString connectionString(const QString& path) { return "Provider=SQLite;Data Source=" + path; }

    QTemporaryDir dir_;
    QString path_;
    Connection connection_;
};

const sv::data::FieldDef& field(const Store& store, const char* name) {
    const auto index = store.fieldIndex(name);
    if (!index) throw std::runtime_error(std::string("no field ") + name);
    return store.fields[*index];
}

}  // namespace

TEST(SqlText, QuotesAreDoubledInsideOneLiteral) {
    EXPECT_EQ(sqlText("abc"), "'abc'");
    EXPECT_EQ(sqlText(""), "''");
    EXPECT_EQ(sqlText("O'Brien"), "'O''Brien'");
    EXPECT_EQ(sqlText("x' OR '1'='1"), "'x'' OR ''1''=''1'");
    EXPECT_EQ(sqlText("''"), "''''''");
    EXPECT_EQ(sqlText("Rückruf \"A\""), "'Rückruf \"A\"'");
}

TEST_F(SqliteConnectionTest, LifecycleFollowsStateAndGuards) {
    EXPECT_EQ(connection_.state(), Connection::kStateOpen);
    EXPECT_EQ(connection_.cursorLocation(), Connection::kUseClient);
    EXPECT_EQ(connection_.connectionString(), connectionString(path_));
    // Concurrent writers wait for each other instead of failing at once.
    EXPECT_EQ(connection_.query("pragma busy_timeout").rows.at(0)[0], QVariant(5000));

    EXPECT_EQ(errorOf([&] { connection_.open(); })->number(), sv::err::kObjectOpen);
    EXPECT_EQ(errorOf([&] { connection_.setConnectionString("DSN=x"); })->number(), sv::err::kObjectOpen);
    EXPECT_EQ(connection_.connectionString(), connectionString(path_));
    EXPECT_EQ(errorOf([&] { connection_.setCursorLocation(1); })->number(), sv::err::kBadArgument);
    EXPECT_EQ(connection_.cursorLocation(), Connection::kUseClient);

    // A second connection on its own file lives beside the first and outlives its close.
    const QString otherPath = dir_.filePath("other.db");
    sv::testing::createEmptyFile(otherPath);
    Connection other;
    EXPECT_EQ(other.state(), Connection::kStateClosed);
    EXPECT_EQ(other.cursorLocation(), Connection::kUseServer);
    other.setConnectionString(connectionString(otherPath));
    other.open();  // the string set before
    other.execute("create table T (a int)");

    connection_.close();
    EXPECT_EQ(connection_.state(), Connection::kStateClosed);
    EXPECT_EQ(errorOf([&] { connection_.close(); })->number(), sv::err::kObjectClosed);
    EXPECT_EQ(errorOf([&] { connection_.query("select 1"); })->number(), sv::err::kObjectClosed);
    EXPECT_EQ(errorOf([&] { connection_.execute("select 1"); })->number(), sv::err::kObjectClosed);
    EXPECT_EQ(other.execute("insert into T values (1)"), 1);

    // An argument replaces the string set before.
    connection_.open(connectionString(otherPath));
    EXPECT_EQ(connection_.connectionString(), connectionString(otherPath));
    EXPECT_EQ(connection_.query("select a from T").rows.size(), 1u);
}

TEST_F(SqliteConnectionTest, OpenFailuresNameTheirCauseAndLeaveItClosed) {
    Connection c;
    auto error = errorOf([&] { c.open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kProviderNotFound);
    EXPECT_TRUE(error->description().contains("Microsoft.Jet.OLEDB.4.0")) << error->what();
    EXPECT_EQ(errorOf([&] { c.open("Data Source=x"); })->number(), sv::err::kProviderNotFound);
    EXPECT_EQ(errorOf([&] { c.open("Provider=SQLite;Data Source='x"); })->number(), sv::err::kBadArgument);
    EXPECT_EQ(errorOf([&] { c.open("Provider=SQLite"); })->number(), sv::err::kDatabase);

    // A missing file is an error that names it, and it is not created.
    const QString missing = dir_.filePath("missing.db");
    error = errorOf([&] { c.open(connectionString(missing)); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_TRUE(error->description().contains(missing)) << error->what();
    EXPECT_FALSE(QFileInfo::exists(missing));

    // A file that is not a database fails at open, not at its first statement.
    const QString notDb = dir_.filePath("notes.txt");
    {
        QFile file(notDb);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    error = errorOf([&] { c.open(connectionString(notDb)); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_TRUE(error->description().contains(notDb)) << error->what();
    EXPECT_EQ(c.state(), Connection::kStateClosed);

    // After all these the same object opens; a path with backslashes finds the file.
    QString backslashed = path_;
    backslashed.replace('/', '\\');
    c.open(connectionString(backslashed));
    EXPECT_EQ(c.state(), Connection::kStateOpen);
}

TEST_F(SqliteConnectionTest, QueryFieldsDescribeTheColumns) {
    connection_.execute(
        "create table BusinessProcess (DSN varchar(36) not null, BusinessProcessName nvarchar(100), "
        "Counter integer, Price real, Active bit, ValidFrom datetime, Picture blob, Amount decimal(10,2), "
        "Id uniqueidentifier, Big bigint)");
    connection_.execute(
        "insert into BusinessProcess values ('P1', 'Anlage', 7, 2.5, 1, '2024-05-01 10:00:00', x'0102', "
        "3.25, "
        "'6F9619FF-8B86-D011-B42D-00C04FC964FF', 5000000000)");
    connection_.execute("insert into BusinessProcess (DSN, BusinessProcessName) values ('P2', '')");

    const Store s = connection_.query(
        "select DSN, BusinessProcessName as Name, '0' as OBJ, Counter, Price, Active, ValidFrom, Picture, "
        "Amount, "
        "Id, Big from BusinessProcess order by DSN");
    EXPECT_FALSE(s.fromFile);
    ASSERT_EQ(s.fields.size(), 11u);
    ASSERT_EQ(s.rows.size(), 2u);

    const auto& dsn = field(s, "DSN");
    EXPECT_EQ(dsn.type, FieldType::Text);
    EXPECT_EQ(dsn.maxLength, 36);
    EXPECT_FALSE(dsn.nullable);
    EXPECT_EQ(dsn.baseTable, "BusinessProcess");
    EXPECT_EQ(dsn.baseColumn, "DSN");

    const auto& name = field(s, "Name");  // an alias keeps its origin
    EXPECT_EQ(name.type, FieldType::Text);
    EXPECT_EQ(name.maxLength, 100);
    EXPECT_TRUE(name.nullable);
    EXPECT_EQ(name.baseColumn, "BusinessProcessName");

    const auto& obj = field(s, "OBJ");  // a literal has no origin
    EXPECT_EQ(obj.type, FieldType::Text);
    EXPECT_EQ(obj.maxLength, 1);
    EXPECT_TRUE(obj.baseTable.isEmpty());
    EXPECT_TRUE(obj.baseColumn.isEmpty());

    EXPECT_EQ(field(s, "Counter").type, FieldType::Int);
    EXPECT_EQ(field(s, "Price").type, FieldType::Double);
    EXPECT_EQ(field(s, "Active").type, FieldType::Bool);
    EXPECT_EQ(field(s, "ValidFrom").type, FieldType::DateTime);
    EXPECT_EQ(field(s, "Picture").type, FieldType::Binary);
    EXPECT_EQ(field(s, "Amount").type, FieldType::Decimal);
    EXPECT_EQ(field(s, "Id").type, FieldType::Guid);
    EXPECT_EQ(field(s, "Big").type, FieldType::BigInt);

    const auto& p1 = s.rows[0];
    EXPECT_EQ(p1[0], QVariant("P1"));
    EXPECT_EQ(p1[2], QVariant("0"));
    EXPECT_EQ(p1[3], QVariant(7));
    EXPECT_EQ(p1[4], QVariant(2.5));
    EXPECT_EQ(p1[5], QVariant(true));
    EXPECT_EQ(p1[6].toDateTime(), QDateTime(QDate(2024, 5, 1), QTime(10, 0)));
    EXPECT_EQ(p1[7].toByteArray(), QByteArray("\x01\x02"));
    EXPECT_EQ(p1[10].toLongLong(), 5000000000LL);

    // Null and the empty text stay apart.
    const auto& p2 = s.rows[1];
    EXPECT_TRUE(sv::isNullValue(p2[3]));
    EXPECT_TRUE(sv::isNullValue(p2[6]));
    EXPECT_FALSE(sv::isNullValue(p2[1]));
    EXPECT_EQ(p2[1], QVariant(QString("")));
}

// A text column's length is the declared one, or that of its longest value, at least 1.
TEST_F(SqliteConnectionTest, DeclaredLengthsAreReadWhateverTheSpacingAndIgnoredBeyondAnInt) {
    connection_.execute(
        "create table L (Spaced nvarchar ( 12 ), Scaled varchar(10, 2), Plain text, Huge char(99999999999))");
    const Store s = connection_.query("select * from L");
    EXPECT_EQ(field(s, "Spaced").maxLength, 12);
    EXPECT_EQ(field(s, "Scaled").maxLength, 10);
    EXPECT_EQ(field(s, "Plain").maxLength, 1);
    EXPECT_EQ(field(s, "Huge").maxLength, 1);
}

TEST_F(SqliteConnectionTest, ExpressionColumnsTakeTheTypeOfTheirValues) {
    const Store s = connection_.query(
        "select 1 + 1 as I, 2.5 as D, 'abc' as T, x'00ff' as B, null as N, "
        "case when 1 = 1 then 1 else 2.5 end as Mixed");
    EXPECT_EQ(s.fields[0].type, FieldType::Int);
    EXPECT_EQ(s.rows[0][0], QVariant(2));
    EXPECT_EQ(s.fields[1].type, FieldType::Double);
    EXPECT_EQ(s.fields[2].type, FieldType::Text);
    EXPECT_EQ(s.fields[2].maxLength, 3);
    EXPECT_EQ(s.fields[3].type, FieldType::Binary);
    EXPECT_EQ(s.fields[4].type, FieldType::Text);
    EXPECT_TRUE(sv::isNullValue(s.rows[0][4]));

    connection_.execute("create table V (x)");
    connection_.execute("insert into V values (1), (2.5), (null)");
    EXPECT_EQ(connection_.query("select x from V").fields[0].type, FieldType::Double);
    connection_.execute("insert into V values ('text')");
    const Store mixed = connection_.query("select x from V");
    EXPECT_EQ(mixed.fields[0].type, FieldType::Text);
    EXPECT_EQ(mixed.rows[0][0], QVariant("1"));

    const Store none = connection_.query("select x from V where 0");
    ASSERT_EQ(none.fields.size(), 1u);
    EXPECT_TRUE(none.rows.empty());
    EXPECT_EQ(none.fields[0].maxLength, 1);
}

TEST_F(SqliteConnectionTest, QueryKeepsOrderAndCountOfEveryRow) {
    const Store s = connection_.query(
        "with recursive c(i) as (select 1 union all select i + 1 from c where i < 750) "
        "select i, 'row ' || i from c order by i desc");
    ASSERT_EQ(s.rows.size(), 750u);
    for (int i = 0; i < 750; ++i)
        ASSERT_EQ(s.rows[i][1], QVariant(QString("row %1").arg(750 - i)));
    EXPECT_EQ(s.fields[1].maxLength, 7);
}

TEST_F(SqliteConnectionTest, ExecuteCountsChangesAndReportsTheDatabasesMessage) {
    EXPECT_EQ(connection_.execute("create table T (k text not null primary key, v int)"), 0);
    EXPECT_EQ(connection_.execute("insert into T values ('a', 1), ('b', 2), ('c', 3)"), 3);
    EXPECT_EQ(connection_.execute("update T set v = v + 1 where v >= 2"), 2);
    // A query changes nothing, whatever the statement before it changed.
    EXPECT_EQ(connection_.execute("select * from T"), -1);
    EXPECT_EQ(connection_.execute("delete from T where k = 'none'"), 0);

    auto error = errorOf([&] { connection_.execute("insert into T values ('a', 9)"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_TRUE(error->description().contains("UNIQUE constraint failed: T.k")) << error->what();

    error = errorOf([&] { connection_.query("select * from Nope"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_EQ(error->description(), "no such table: Nope");

    // A second statement is refused, not run silently or dropped.
    error = errorOf([&] { connection_.execute("insert into T values ('d', 4); drop table T"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_EQ(connection_.query("select k from T").rows.size(), 3u);

    // An error while the rows are read is an error, not a short result.
    error = errorOf([&] {
        connection_.query(
            "select case when k = 'c' then abs(-9223372036854775807 - 1) else 0 end from T order by k");
    });
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->description().contains("integer overflow")) << error->what();

    EXPECT_TRUE(connection_.query("update T set v = 0").fields.empty());
    EXPECT_EQ(connection_.query("select count(*) from T where v = 0").rows[0][0], QVariant(3));
}

TEST_F(SqliteConnectionTest, CommandRunsOnAnOpenConnectionOnly) {
    connection_.execute("create table T (a int)");
    Command command;
    command.setCommandText("insert into T values (1), (2)");
    EXPECT_EQ(errorOf([&] { command.execute(); })->number(), sv::err::kObjectClosed);

    command.setActiveConnection(&connection_);
    EXPECT_EQ(command.execute(), 2);
    EXPECT_EQ(connection_.query("select a from T").rows.size(), 2u);

    command.setCommandText("  ");
    EXPECT_EQ(errorOf([&] { command.execute(); })->number(), sv::err::kBadArgument);

    command.setCommandText("insert into Nope values (1)");
    const auto error = errorOf([&] { command.execute(); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), sv::err::kDatabase);
    EXPECT_EQ(error->description(), "no such table: Nope");

    connection_.close();
    command.setCommandText("insert into T values (3)");
    EXPECT_EQ(errorOf([&] { command.execute(); })->number(), sv::err::kObjectClosed);
}
